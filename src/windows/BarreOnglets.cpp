#include "windows/BarreOnglets.h"

#include "platform/Fonts.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double kTabRadius = 10.0;
constexpr int kLineWidth = 3;
constexpr int kGap = 4;

// A plain filled strip.
class LineBox : public QWidget {
public:
    explicit LineBox(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAutoFillBackground(true);
    }
    void setFill(const QColor &c)
    {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, c);
        setPalette(pal);
    }
};
} // namespace

// ---- ButtonOnglet --------------------------------------------------------------------

ButtonOnglet::ButtonOnglet(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setFont(platform::systemBoldFont(12));
}

void ButtonOnglet::setRotation(int degrees)
{
    rotation_ = degrees;
    update();
}

void ButtonOnglet::setTextColor(const QColor &c)
{
    textColor_ = c;
    update();
}

void ButtonOnglet::mousePressEvent(QMouseEvent *event)
{
    cmdKeyPressed_ = event->modifiers().testFlag(Qt::ControlModifier);
    QAbstractButton::mousePressEvent(event);
}

void ButtonOnglet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(textColor_);
    p.setFont(font());
    p.translate(width() / 2.0, height() / 2.0);
    p.rotate(-rotation_);
    const QRectF turned(-height() / 2.0, -width() / 2.0, height(), width());
    p.drawText(turned, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideRight, height() - 6));
}

// ---- ViewOnglet ----------------------------------------------------------------------------

ViewOnglet::ViewOnglet(QWidget *parent) : QWidget(parent)
{
    box1_ = new QWidget(this);
    box1_->setAttribute(Qt::WA_TransparentForMouseEvents);
    ligne1_ = new LineBox(this);
    ligne2_ = new LineBox(this);
    bouton1_ = new ButtonOnglet(this);
    connect(bouton1_, &ButtonOnglet::clicked, this, &ViewOnglet::actionOnglet);
    setButtonState(0, QString());
}

void ViewOnglet::layoutParts()
{
    const int w = width(), h = height();
    box1_->setGeometry(0, 0, w, h);
    // Lines on the page side; mirrored on the right bar.
    ligne1_->setGeometry(droite_ ? 0 : w - kLineWidth, 0, kLineWidth, h);
    ligne2_->setGeometry(droite_ ? 0 : w - kLineWidth, 0, kLineWidth, h);
    centrerLabel();
}

void ViewOnglet::ajusterDroiteGauche(bool droite, int noOnglet)
{
    droite_ = droite;
    ongletNo_ = noOnglet;
    bouton1_->setRotation(droite ? -90 : 90);
    layoutParts();
}

void ViewOnglet::centrerLabel()
{
    // The turned button spans the box's height, 22 points across.
    const int across = qMin(22, width());
    bouton1_->setGeometry((width() - across) / 2, 0, across, box1_->height());
}

void ViewOnglet::setButtonState(qint64 state, const QString &label)
{
    if (!label.isNull())
        bouton1_->setText(label);
    WindowPDFxSuper *w = refWindowPDFxSuper_;
    switch (state) {
    case 0:
        bouton1_->setTextColor(w ? w->tabsInactColor() : QColor(Qt::black));
        boxFill_ = w ? w->tabsInactBackColor() : QColor(Qt::gray);
        break;
    case 1:
        bouton1_->setTextColor(w ? w->tabsActColor() : QColor::fromRgbF(0.0, 122 / 255.0, 1.0, 1.0));
        boxFill_ = w ? w->tabsActBackColor() : QColor(Qt::white);
        break;
    case 2:
        bouton1_->setTextColor(Qt::red);
        boxFill_ = w ? w->tabsInactBackColor() : QColor(Qt::gray);
        break;
    default:
        break;
    }
    if (state >= 0 && state <= 2)
        state_ = state;
    ligne1_->hide();
    update();
}

void ViewOnglet::setLigne2Color(const QColor &c)
{
    static_cast<LineBox *>(ligne2_)->setFill(c);
}

void ViewOnglet::actionOnglet()
{
    platform::NotificationCenter::defaultCenter().post(
        bouton1_->isCmdKeyPressed() ? vocab::ActionCmdOnglet : vocab::ActionOnglet, QVariant(qint64(ongletNo_)));
}

void ViewOnglet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void ViewOnglet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), kTabRadius, kTabRadius);
    p.fillPath(clip, boxFill_);
}

// ---- BarreOnglets --------------------------------------------------------------------------------

BarreOnglets::BarreOnglets(QWidget *parent) : QWidget(parent)
{
    for (int k = 0; k < kTabs; ++k)
        onglets_[size_t(k)] = new ViewOnglet(this);
}

void BarreOnglets::ajusterDroiteGauche(bool droite, BarreOnglets *barreOngletsDroite, WindowPDFxSuper *window)
{
    droite_ = droite;
    for (int k = 0; k < kTabs; ++k)
        onglets_[size_t(k)]->ajusterDroiteGauche(droite, kTabs * (droite ? 1 : 0) + k);
    refBarreOngletsDroite_ = barreOngletsDroite;
    for (ViewOnglet *o : onglets_)
        o->iniRefWindowPDFxSuper(window);
}

void BarreOnglets::ajusterBackgroundColor(const QColor &color)
{
    for (ViewOnglet *o : onglets_)
        o->setLigne2Color(color);
}

void BarreOnglets::setButtonStateForOnglet(qint64 state, const QString &label, qint64 onglet)
{
    if (onglet >= 1 && onglet <= kTabs)
        onglets_[size_t(onglet - 1)]->setButtonState(state, label);
    else if (onglet > kTabs && onglet <= 2 * kTabs && refBarreOngletsDroite_)
        refBarreOngletsDroite_->setButtonStateForOnglet(state, label, onglet - kTabs);
}

QString BarreOnglets::getLabelForOnglet(qint64 onglet) const
{
    if (onglet >= 1 && onglet <= kTabs)
        return onglets_[size_t(onglet - 1)]->bouton1()->text();
    if (onglet > kTabs && onglet <= 2 * kTabs && refBarreOngletsDroite_)
        return refBarreOngletsDroite_->getLabelForOnglet(onglet - kTabs);
    return QString();
}

void BarreOnglets::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int h = height();
    for (int k = 0; k < kTabs; ++k) {
        const int y0 = h * k / kTabs, y1 = h * (k + 1) / kTabs;
        onglets_[size_t(k)]->setGeometry(0, y0, width(), y1 - y0 - kGap);
    }
}
