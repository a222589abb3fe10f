#include "windows/ViewToc.h"

#include "library/Data.h"
#include "platform/Fonts.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
const QString kRowLabels = QStringLiteral("abcdefghijklmnopqrstuvwxyz1234567890");
constexpr double kTitleSize = 18.0;
constexpr double kSectionSize = 24.0;
constexpr double kFieldSize = 13.0;
constexpr int kButtonWidth = 24;
constexpr int kDateWidth = 84;
constexpr int kMarkWidth = 24;

void setTextColor(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
}
} // namespace

void TocBand::setFill(const QColor &c)
{
    fill_ = c;
    update();
}

void TocBand::setRadius(double r)
{
    radius_ = r;
    update();
}

void TocBand::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill_);
    p.drawRoundedRect(QRectF(rect()), radius_, radius_);
}

// ---- ViewTocItem -----------------------------------------------------------------------

ViewTocItem::ViewTocItem(QWidget *parent) : QWidget(parent)
{
    box1_ = new TocBand(this);
    bouton1_ = new QPushButton(this);
    bouton1_->setFlat(true);
    bouton1_->setFocusPolicy(Qt::NoFocus);
    bouton1_->setFont(platform::systemBoldFont(kFieldSize));
    titre1_ = new QLabel(this);
    artiste1_ = new QLabel(this);
    info1_ = new QLabel(this);
    state1_ = new QLabel(this);
    for (QLabel *l : {titre1_, artiste1_, info1_, state1_}) {
        l->setTextFormat(Qt::PlainText);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->setFont(platform::systemFont(kFieldSize));
    }
    info1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    state1_->setAlignment(Qt::AlignCenter);
    connect(bouton1_, &QPushButton::clicked, this, &ViewTocItem::actionItem);
    layoutFields();
    setItemState(0, nullptr);
    box1_->hide();
}

QString ViewTocItem::labelForItem(int itemNo)
{
    if (itemNo < 0 || itemNo >= kRowLabels.size())
        return QString();
    return kRowLabels.mid(itemNo, 1);
}

void ViewTocItem::ajusterDroiteGauche(bool droite, int noItem, WindowPDFxSuper *window)
{
    droite_ = droite;
    itemNo_ = noItem;
    refWindowPDFxSuper_ = window;
    bouton1_->setText(labelForItem(noItem));
}

void ViewTocItem::layoutFields()
{
    // The title and artist share what the label, date and mark leave.
    const int w = width(), h = height();
    const int fieldH = qMin(h, 28);
    const int y = (h - fieldH) / 2;
    const int x0 = kButtonWidth + 6;
    // Wide enough for a whole played date in the field's own font, which a fixed width cut at its left.
    const int dateW = qMax(kDateWidth, info1_->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 6);
    const int rest = qMax(0, w - x0 - dateW - kMarkWidth - 8);
    const int titleW = rest * 6 / 10;
    bouton1_->setGeometry(2, 0, kButtonWidth, h);
    titre1_->setGeometry(x0, y, titleW, fieldH);
    artiste1_->setGeometry(x0 + titleW + 4, y, rest - titleW - 4, fieldH);
    info1_->setGeometry(w - dateW - kMarkWidth - 4, y, dateW, fieldH);
    state1_->setGeometry(w - kMarkWidth - 2, y, kMarkWidth, fieldH);
    titleWide_ = false;
}

void ViewTocItem::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const bool wasSection = section_;
    layoutFields();
    if (wasSection) {
        QRect t = titre1_->geometry();
        t.setY(0);
        t.setHeight(artiste1_->height() + 6);
        t.setWidth(t.width() + artiste1_->width());
        titre1_->setGeometry(t);
        titleWide_ = true;
    }
    refreshPos();
}

void ViewTocItem::setItemState(qint64 state, const std::shared_ptr<Pieces> &piece)
{
    box1_->hide();
    if (!piece) {
        titre1_->clear();
        artiste1_->clear();
        info1_->clear();
        state1_->clear();
    } else if (piece->pieceDet && piece->pieceDet->indexInTEMP0 < 0) {
        // A section heading: its name, large, across the title and artist columns.
        QFont f = state1_->font();
        f.setPointSizeF(kSectionSize);
        titre1_->setFont(f);
        titre1_->setText(Data::obtenirTitre(piece));
        artiste1_->clear();
        info1_->clear();
        QRect t = titre1_->geometry();
        t.setY(0);
        t.setHeight(artiste1_->height() + 6);
        if (!titleWide_ && artiste1_->x() > t.x() + t.width()) {
            t.setWidth(t.width() + artiste1_->width());
            titleWide_ = true;
        }
        titre1_->setGeometry(t);
        box1_->setVisible(piece->pieceDet->indexInTEMP0 == -1);
        box1_->setRadius(0);
        section_ = true;
        state1_->clear();
        refreshPos();
    } else {
        section_ = false;
        box1_->setRadius(10.0);
        QRect t = titre1_->geometry();
        t.setY(artiste1_->y());
        t.setHeight(artiste1_->height());
        if (titleWide_ && t.x() + t.width() > artiste1_->x()) {
            t.setWidth(t.width() - artiste1_->width());
            titleWide_ = false;
        }
        titre1_->setGeometry(t);
        QFont f = artiste1_->font();
        f.setPointSizeF(kTitleSize);
        titre1_->setFont(f);
        titre1_->setText(Data::obtenirTitre(piece));
        artiste1_->setText(piece->pieceDet ? piece->pieceDet->artistShown() : QString());
        info1_->setText(piece->lastPlayedDateFor(Data::currentScreensetG(), false));
        const qint64 pos = Data::currentSort() != 0 ? piece->indexInAuthorArray : piece->indexInTitleArray;
        box1_->setVisible(piece->ongNo == Data::onglNoG() && pos + 1 == Data::songNoG());
        state1_->setText(piece->pieceDet && piece->pieceDet->played ? QStringLiteral("✅") : QString());
        refreshPos();
    }
    const qint64 k = section_ ? 2 : state;
    if (k <= 2) {
        bouton1_->setVisible(k == 0);
        titre1_->setVisible(k != 1);
        artiste1_->setVisible(k == 0);
        info1_->setVisible(k == 0);
    }
}

void ViewTocItem::refreshPos()
{
    if (box1_->isVisibleTo(this)) {
        if (section_) {
            box1_->setGeometry(2, 0, width() - 4, 28);
        } else {
            const QRect r = Data::currentSort() != 0 ? artiste1_->geometry() : titre1_->geometry();
            box1_->setGeometry(r.x() - 2, r.y(), r.width() + 4, r.height());
        }
        box1_->lower();
    }
    refreshColor();
}

void ViewTocItem::refreshColor()
{
    WindowPDFxSuper *w = refWindowPDFxSuper_;
    if (!w)
        return;
    setTextColor(bouton1_, w->listColor());
    box1_->setFill(section_ ? w->listSectColor() : w->listHighColor());
    for (QLabel *l : {titre1_, artiste1_, info1_, state1_})
        setTextColor(l, w->chordProLyricsColor());
}

void ViewTocItem::actionItem()
{
    platform::NotificationCenter::defaultCenter().post(vocab::ActionItem, QVariant(qint64(itemNo_)));
}

// ---- ViewToc ------------------------------------------------------------------------------

ViewToc::ViewToc(QWidget *parent) : QWidget(parent)
{
    for (int k = 0; k < kRows; ++k)
        items_[size_t(k)] = new ViewTocItem(this);
}

void ViewToc::ajusterDroiteGauche(bool droite, ViewToc *viewTocDroite, WindowPDFxSuper *window)
{
    droite_ = droite;
    for (int k = 0; k < kRows; ++k)
        items_[size_t(k)]->ajusterDroiteGauche(droite, kRows * (droite ? 1 : 0) + k, window);
    refViewTocDroite_ = viewTocDroite;
    refreshColor();
}

void ViewToc::setItemStateForItem(qint64 state, const std::shared_ptr<Pieces> &piece, qint64 item)
{
    if (item >= 1 && item <= kRows)
        items_[size_t(item - 1)]->setItemState(state, piece);
    else if (item > kRows && item <= 2 * kRows && refViewTocDroite_)
        refViewTocDroite_->setItemStateForItem(state, piece, item - kRows);
}

void ViewToc::refreshColor()
{
    for (ViewTocItem *i : items_)
        i->refreshColor();
}

void ViewToc::refreshPos()
{
    for (ViewTocItem *i : items_)
        i->refreshPos();
}

void ViewToc::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int h = height();
    for (int k = 0; k < kRows; ++k) {
        const int y0 = h * k / kRows, y1 = h * (k + 1) / kRows;
        items_[size_t(k)]->setGeometry(0, y0, width(), y1 - y0);
    }
}
