// The Tolvane window's tab bars, song-list layer with its header, the
// dimmer over the pages and the on-screen key pad.
#include "windows/WindowPDFx.h"

#include "library/Data.h"
#include "platform/Fonts.h"
#include "platform/MainMenu.h"
#include "windows/BarreOnglets.h"
#include "windows/DimmerBox.h"
#include "windows/TitleRow.h"
#include "windows/TitleRowRules.h"
#include "windows/ViewKeys.h"
#include "windows/ViewToc.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

using Role = PDFViewRedef::Role;

namespace {
constexpr int kTabBarWidth = 23;
constexpr int kHeaderHeight = 30;
constexpr int kColumnGap = 4;
constexpr int kKeyPadRowHeight = 32;
constexpr int kKeyPadRows = 7;
constexpr int kFullList = 36;
constexpr int kHalfList = 18;

QPushButton *headerButton(const QString &title, QWidget *parent)
{
    auto *b = new QPushButton(title, parent);
    b->setFlat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
    return b;
}
} // namespace

void WindowPDFx::buildOverlays()
{
    titleRow_ = new TitleRow(this, this);
    barreOngletsGauche_ = new BarreOnglets(this);
    barreOngletsDroite_ = new BarreOnglets(this);
    boxDimmer_ = new DimmerBox(this);

    tocView_ = new QWidget(this);
    tocView_->setAutoFillBackground(true);
    tocViewEnteteGauche_ = new QWidget(tocView_);
    labelToc1_ = new QLabel(tocViewEnteteGauche_);
    labelToc2_ = new QLabel(tocViewEnteteGauche_);
    for (QLabel *l : {labelToc1_, labelToc2_}) {
        l->setFont(platform::systemBoldFont(15));
        l->setTextFormat(Qt::PlainText);
    }
    labelToc2_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buttonListe_ = headerButton(QStringLiteral("✎"), tocViewEnteteGauche_);
    buttonExport_ = headerButton(QStringLiteral("⇪"), tocViewEnteteGauche_);
    buttonFiltre_ = headerButton(QString(), tocViewEnteteGauche_);
    viewTocGauche_ = new ViewToc(tocView_);
    viewTocDroite_ = new ViewToc(tocView_);
    tocView_->hide();

    keyView_ = new ViewKeys(this);
    keyView_->hide();

    connect(titleRow_->labelRep1, &ClickLabel::clicked, this, &WindowPDFx::actionDir);
    connect(titleRow_->labelWin2, &ClickLabel::clicked, this, &WindowPDFx::actionOuvrirNote);
    connect(titleRow_->buttonRec, &QPushButton::clicked, this, [this] { actionEV(5); });
    connect(titleRow_->buttonLoop, &QPushButton::clicked, this, [this] { actionEV(6); });
    connect(titleRow_->buttonKeys, &QPushButton::clicked, this,
            [this] { afficherMasquerKeyPad(!keyView_->isVisible()); });
    connect(titleRow_->buttonMenu, &QPushButton::clicked, this, [this] { MainMenu::instance().showMenuFor(this); });
    connect(buttonListe_, &QPushButton::clicked, this, &WindowPDFx::actionButtonListe);
    connect(buttonFiltre_, &QPushButton::clicked, this, &WindowPDFx::actionButtonFiltre);
    connect(buttonExport_, &QPushButton::clicked, this, &WindowPDFx::actionButtonExport);
}

void WindowPDFx::layoutOverlays()
{
    const QRect area = pageArea();
    titleRow_->setGeometry(0, 0, width(), TitleRow::kHeight);
    titleRow_->placeFixed();
    barreOngletsGauche_->setGeometry(1, area.y(), kTabBarWidth, area.height());
    barreOngletsDroite_->setGeometry(width() - kTabBarWidth - 1, area.y(), kTabBarWidth, area.height());
    barreOngletsGauche_->setVisible(ongletsVisibles());
    barreOngletsDroite_->setVisible(ongletsVisibles());
    boxDimmer_->setGeometry(area);
    tocView_->setGeometry(area);
    const int padH = qMin(area.height() / 2, kKeyPadRowHeight * kKeyPadRows);
    keyView_->setGeometry(area.x(), area.y() + area.height() - padH, area.width(), padH);
    titleRow_->boxCount->setGeometry(area.x() + area.width() / 2 - 90, area.y() + 20, 180, 90);
    titleRow_->labelCount->setGeometry(0, 0, 180, 90);
    placeRechBox();
    // Pages, dimmer, list, key pad, then what must be read over everything.
    boxDimmer_->raise();
    tocView_->raise();
    keyView_->raise();
    titleRow_->boxCount->raise();
    titleRow_->boxRech2->raise();
    refreshPosViewToc();
    refreshPosTitleElements();
}

void WindowPDFx::placeRechBox()
{
    // The type-ahead echo grows with what was typed, up to the page area's width.
    constexpr int kMinWidth = 400, kHeight = 50, kMargin = 32;
    const QRect area = pageArea();
    QLabel *label = titleRow_->labelRech2;
    const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
    const int w = std::max(std::min(kMinWidth, area.width()), std::min(textWidth + kMargin, area.width()));
    titleRow_->boxRech2->setGeometry(area.x() + (area.width() - w) / 2, area.y() + 120, w, kHeight);
    label->setGeometry(0, 0, w, kHeight);
}

// ---- Tab bars ------------------------------------------------------------------------

void WindowPDFx::traiterAfficherMasquerOnglets()
{
    afficherMasquerOnglets(!ongletsVisibles());
    ajusterPosButtonToc();
    if (Data::tocOn()) {
        viewTocGauche_->refreshPos();
        viewTocDroite_->refreshPos();
    }
}

void WindowPDFx::setButtonStateForOnglet(qint64 state, const QString &label, qint64 onglet)
{
    barreOngletsGauche_->setButtonStateForOnglet(state, label, onglet);
    if (state == 1) {
        ongletAct_ = onglet;
        refreshTocLabel1();
    }
}

// ---- Song list ---------------------------------------------------------------------------

void WindowPDFx::refreshTocLabel1()
{
    labelToc1_->setText(barreOngletsGauche_->getLabelForOnglet(ongletAct_));
    ajusterPosButtonToc();
}

void WindowPDFx::setTocLabel2(const QString &text)
{
    labelToc2_->setText(text);
    buttonFiltre_->setVisible(Data::filterTypeG() != 0 && !hideList());
    ajusterPosButtonToc();
}

void WindowPDFx::setItemStateForItem(qint64 state, const std::shared_ptr<Pieces> &piece, qint64 item)
{
    viewTocGauche_->setItemStateForItem(state, piece, item);
}

void WindowPDFx::afficherToc(bool show)
{
    if (!show) {
        buttonListe_->hide();
        buttonExport_->hide();
        buttonFiltre_->hide();
        tocView_->hide();
        Data::setTocOn(false);
        ajusterSelonModeAffichageWithRefresh(true);
        return;
    }
    if (!hideList()) {
        buttonListe_->setVisible(ongletAct_ != 1);
        buttonExport_->show();
        tocView_->show();
        // The list covers the pages: nothing of them shows through.
        for (PDFViewRedef *p : panes_)
            p->hide();
        setInactFlags(inactAgauche(), inactAdroite());
        boxInactGaucheShown_ = boxInactDroiteShown_ = false;
        tocViewEnteteGauche_->show();
        viewTocGauche_->show();
        viewTocDroite_->setVisible(Data::nbTocG() == kFullList);
        Data::setTocOn(true);
        refreshPosViewToc();
        ajusterCadre();
        ajusterPosButtonToc();
        tocView_->raise();
        keyView_->raise();
        return;
    }
    Data::setTocOn(true);
}

void WindowPDFx::iniHideList(bool v)
{
    WindowPDFxSuper::iniHideList(v);
    if (v) {
        // Only this window hides its list: the shared flag stays as it is.
        buttonListe_->hide();
        buttonExport_->hide();
        buttonFiltre_->hide();
        tocView_->hide();
        ajusterSelonModeAffichageWithRefresh(true);
    } else if (Data::tocOn()) {
        afficherToc(true);
    }
}

void WindowPDFx::refreshPosViewToc()
{
    const int w = tocView_->width(), h = tocView_->height();
    tocViewEnteteGauche_->setGeometry(0, 0, w, kHeaderHeight);
    const int rightX = w / 2 + kColumnGap / 2;
    const int rightW = w - rightX;
    viewTocDroite_->setGeometry(rightX, kHeaderHeight, rightW, h - kHeaderHeight);
    const qint64 m = modeAffichage();
    // Half a list in a single-page window takes one wide column.
    const bool wide = Data::nbTocG() == kHalfList && (m == 1 || m == 2 || m == 3);
    viewTocGauche_->setGeometry(0, kHeaderHeight, wide ? rightX + rightW : rightW, h - kHeaderHeight);
}

void WindowPDFx::refreshPosViewSup()
{
    // The page containers follow the mode: pair modes split the area, the
    // single and zoom panes (and the Mute form of mode 0 paging as mode 4) as laid out.
    layoutPanes();
}

void WindowPDFx::ajusterPosButtonToc()
{
    const QFontMetrics fm(labelToc1_->font());
    const int textW = fm.horizontalAdvance(labelToc1_->text());
    const int headerW = tocViewEnteteGauche_->width();
    labelToc1_->setGeometry(8, 0, qMax(0, textW + 4), kHeaderHeight);
    labelToc2_->setGeometry(headerW / 2, 0, headerW / 2 - 8, kHeaderHeight);
    const int buttonW = 28;
    const int listX = labelToc1_->x() + textW + 8;
    const int top = labelToc2_->y();
    buttonListe_->setGeometry(listX, top, buttonW, kHeaderHeight);
    const int exportX = listX + (buttonListe_->isVisibleTo(tocViewEnteteGauche_) ? buttonW : 0);
    buttonExport_->setGeometry(exportX, top, buttonW, kHeaderHeight);

    if (Data::filterTypeG() == 1) {
        const PiecesList &rows = Data::listePiecesTEMP2();
        bool secondMarked = false;
        if (rows.size() >= 2 && rows.at(1) && rows.at(1)->pieceDet)
            secondMarked = rows.at(1)->pieceDet->played || rows.at(1)->pieceDet->flagged;
        buttonFiltre_->setText(
            titlerules::filterButtonTitle(Data::tagsTemp(), Data::filterNoG(), rows.size(), secondMarked));
        if (!buttonFiltre_->text().isEmpty())
            Data::setButtonTextColor(buttonFiltre_, chordProLyricsColor(), chordProLyricsColor());
    }
    const int filterX = exportX + buttonW + 8;
    const int filterW = qMax(0, qMin(QFontMetrics(buttonFiltre_->font()).horizontalAdvance(buttonFiltre_->text()) + 16,
                                     labelToc2_->x() - filterX));
    buttonFiltre_->setGeometry(filterX, top, filterW, kHeaderHeight);
}

// ---- Key pad ---------------------------------------------------------------------------------

void WindowPDFx::afficherMasquerKeyPad(bool show)
{
    keyView_->setVisible(show);
    if (show)
        keyView_->raise();
}
