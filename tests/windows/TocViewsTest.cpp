#include "windows/BarreOnglets.h"
#include "windows/DimmerBox.h"
#include "windows/PopupJauge.h"
#include "windows/TableControls.h"
#include "windows/ViewKeys.h"
#include "windows/ViewToc.h"
#include "windows/WindowPDFxSuper.h"

#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QApplication>
#include "AuxWindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A press and release at a point of a widget, as the window system sends them.
void mouseClick(QWidget *w, Qt::KeyboardModifiers modifiers, QPoint pos)
{
    const QPointF global = w->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(w, &release);
}

// Records the notifications of one name.
using auxtest::Recorder;

PiecesPtr song(const QString &title, const QString &artist, qint32 tab, qint32 indexByTitle, qint32 indexByArtist)
{
    auto p = std::make_shared<Pieces>();
    p->pieceDet = std::make_shared<PiecesDet>();
    p->pieceDet->titre = title;
    p->pieceDet->auteur = artist;
    p->ongNo = tab;
    p->indexInTitleArray = indexByTitle;
    p->indexInAuthorArray = indexByArtist;
    return p;
}

class TocViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.windowDidLoad();
        Data::setOnglNoG(0);
        Data::setCurrentSort(0);
        Data::setSongNoG(0);
    }
    void TearDown() override
    {
        Data::setSongNoG(0);
        Data::setCurrentSort(0);
        Data::setOptHiddenRegions(0);
        Data::setOptCenterMouse(0);
    }
    WindowPDFxSuper window{0};
};

} // namespace

// ---- Song list -------------------------------------------------------------------------------

TEST_F(TocViewsTest, RowLabelsAcrossBothHalves)
{
    ViewToc left, right;
    left.ajusterDroiteGauche(false, &right, &window);
    right.ajusterDroiteGauche(true, nullptr, &window);
    EXPECT_EQ(left.item(0)->bouton1()->text(), QStringLiteral("a"));
    EXPECT_EQ(left.item(17)->bouton1()->text(), QStringLiteral("r"));
    EXPECT_EQ(right.item(0)->bouton1()->text(), QStringLiteral("s"));
    EXPECT_EQ(right.item(0)->itemNo(), 18);
    EXPECT_EQ(right.item(8)->bouton1()->text(), QStringLiteral("1")); // number 26
    EXPECT_EQ(right.item(17)->bouton1()->text(), QStringLiteral("0")); // number 35
    EXPECT_EQ(ViewTocItem::labelForItem(36), QString());

    // Row 19 set on the left half lands on the right half's first row.
    left.setItemStateForItem(0, song(QStringLiteral("Nineteen"), QStringLiteral("Band"), 0, 18, 18), 19);
    EXPECT_EQ(right.item(0)->titre1()->text(), QStringLiteral("Nineteen"));
    // Out of range, or without a right half: nothing.
    right.setItemStateForItem(0, song(QStringLiteral("X"), QStringLiteral("Y"), 0, 0, 0), 19);
    left.setItemStateForItem(0, song(QStringLiteral("X"), QStringLiteral("Y"), 0, 0, 0), 37);
    EXPECT_EQ(right.item(0)->titre1()->text(), QStringLiteral("Nineteen"));
}

TEST_F(TocViewsTest, RowStatesAndTheCurrentSongsBand)
{
    ViewTocItem item;
    item.resize(500, 36);
    item.ajusterDroiteGauche(false, 2, &window);
    item.show();

    item.setItemState(1, nullptr);
    EXPECT_TRUE(item.titre1()->text().isEmpty());
    EXPECT_FALSE(item.bouton1()->isVisibleTo(&item));
    EXPECT_FALSE(item.titre1()->isVisibleTo(&item));

    PiecesPtr played = song(QStringLiteral("Hey"), QStringLiteral("Band"), 0, 4, 9);
    played->pieceDet->played = true;
    item.setItemState(0, played);
    EXPECT_EQ(item.titre1()->text(), QStringLiteral("Hey"));
    EXPECT_EQ(item.artiste1()->text(), QStringLiteral("Band"));
    EXPECT_EQ(item.state1()->text(), QStringLiteral("✅"));
    EXPECT_TRUE(item.bouton1()->isVisibleTo(&item));
    EXPECT_TRUE(item.artiste1()->isVisibleTo(&item));
    EXPECT_DOUBLE_EQ(item.titre1()->font().pointSizeF(), 18.0);
    EXPECT_FALSE(item.box1()->isVisibleTo(&item)); // not the current song

    // The current song (position 4 by title is song 5): the band goes round the title.
    Data::setSongNoG(5);
    item.setItemState(0, played);
    ASSERT_TRUE(item.box1()->isVisibleTo(&item));
    EXPECT_EQ(item.box1()->geometry().x(), item.titre1()->x() - 2);
    EXPECT_EQ(item.box1()->width(), item.titre1()->width() + 4);
    EXPECT_EQ(item.box1()->fill(), window.listHighColor());

    // Sorted by artist: position 9 is song 10, and the band goes round the artist.
    Data::setCurrentSort(1);
    Data::setSongNoG(10);
    item.setItemState(0, played);
    ASSERT_TRUE(item.box1()->isVisibleTo(&item));
    EXPECT_EQ(item.box1()->geometry().x(), item.artiste1()->x() - 2);

    // Another tab's entry at the same position is not the current song.
    item.setItemState(0, song(QStringLiteral("Other"), QStringLiteral("B"), 3, 4, 9));
    EXPECT_FALSE(item.box1()->isVisibleTo(&item));
}

TEST_F(TocViewsTest, PlayedDateIsNotCut)
{
    // Before, a fixed 84-point field cut the first digit of a "yyyy-MM-dd" date.
    ViewTocItem item;
    item.resize(520, 36);
    item.ajusterDroiteGauche(false, 0, &window);
    item.show();
    PiecesPtr s = song(QStringLiteral("Hey"), QStringLiteral("Band"), 0, 0, 0);
    for (int set = 1; set <= 9; ++set)
        s->pieceDet->setLastPlayedDate(set, QStringLiteral("2026-12-07"));
    item.setItemState(0, s);
    const QLabel *date = item.info1();
    ASSERT_EQ(date->text(), QStringLiteral("2026-12-07"));
    EXPECT_GE(date->contentsRect().width(), date->fontMetrics().horizontalAdvance(date->text()));
    EXPECT_LE(date->geometry().right(), item.state1()->x());
    EXPECT_LE(item.artiste1()->geometry().right(), date->x());
}

TEST_F(TocViewsTest, SectionHeadings)
{
    ViewTocItem item;
    item.resize(500, 36);
    item.ajusterDroiteGauche(false, 0, &window);
    const int titleWidth = item.titre1()->width();

    PiecesPtr section = song(QStringLiteral("Set 2"), QStringLiteral("x"), 0, 0, 0);
    section->pieceDet->indexInTEMP0 = -1;
    item.setItemState(0, section);
    EXPECT_TRUE(item.section());
    EXPECT_EQ(item.titre1()->text(), QStringLiteral("Set 2"));
    EXPECT_DOUBLE_EQ(item.titre1()->font().pointSizeF(), 24.0);
    EXPECT_TRUE(item.artiste1()->text().isEmpty());
    EXPECT_FALSE(item.bouton1()->isVisibleTo(&item)); // shown as state 2 whatever was asked
    EXPECT_TRUE(item.box1()->isVisibleTo(&item));
    EXPECT_DOUBLE_EQ(item.box1()->radius(), 0.0);
    EXPECT_EQ(item.box1()->fill(), window.listSectColor());
    EXPECT_GT(item.titre1()->width(), titleWidth);

    section->pieceDet->indexInTEMP0 = -2;
    item.setItemState(0, section);
    EXPECT_FALSE(item.box1()->isVisibleTo(&item));

    // A song after a heading gets its narrow title back.
    item.setItemState(0, song(QStringLiteral("Song"), QStringLiteral("Band"), 0, 0, 0));
    EXPECT_FALSE(item.section());
    EXPECT_EQ(item.titre1()->width(), titleWidth);
    EXPECT_DOUBLE_EQ(item.box1()->radius(), 10.0);
}

TEST_F(TocViewsTest, RowButtonPostsActionItem)
{
    Recorder items(vocab::ActionItem);
    ViewTocItem item;
    item.ajusterDroiteGauche(true, 20, &window);
    item.bouton1()->click();
    EXPECT_EQ(items.params, QList<qint64>{20});
}

// ---- Tab bars ------------------------------------------------------------------------------------

TEST_F(TocViewsTest, TabStatesAndLabels)
{
    BarreOnglets left, right;
    left.ajusterDroiteGauche(false, &right, &window);
    right.ajusterDroiteGauche(true, nullptr, &window);
    left.setButtonStateForOnglet(0, QStringLiteral("Setlist 6"), 7);
    EXPECT_EQ(right.onglet(1)->bouton1()->text(), QStringLiteral("Setlist 6"));
    EXPECT_EQ(right.onglet(1)->ongletNo(), 6);
    EXPECT_EQ(left.getLabelForOnglet(7), QStringLiteral("Setlist 6"));
    EXPECT_EQ(left.getLabelForOnglet(0), QString());
    EXPECT_EQ(left.getLabelForOnglet(11), QString());
    EXPECT_EQ(right.getLabelForOnglet(7), QString()); // no right bar of its own

    left.setButtonStateForOnglet(1, QString(), 1);
    ViewOnglet *all = left.onglet(0);
    EXPECT_EQ(all->bouton1()->textColor(), window.tabsActColor());
    EXPECT_EQ(all->boxFill(), window.tabsActBackColor());
    left.setButtonStateForOnglet(2, QStringLiteral("All"), 1);
    EXPECT_EQ(all->bouton1()->text(), QStringLiteral("All"));
    EXPECT_EQ(all->bouton1()->textColor(), QColor(Qt::red));
    EXPECT_EQ(all->boxFill(), window.tabsInactBackColor());
    left.setButtonStateForOnglet(0, QString(), 1);
    EXPECT_EQ(all->bouton1()->textColor(), window.tabsInactColor());
    left.setButtonStateForOnglet(7, QStringLiteral("Renamed"), 1); // other states only relabel
    EXPECT_EQ(all->bouton1()->text(), QStringLiteral("Renamed"));
    EXPECT_EQ(all->bouton1()->textColor(), window.tabsInactColor());
    EXPECT_FALSE(all->ligne1()->isVisibleTo(all));

    // A tab without a window: the fixed blue on white.
    ViewOnglet lone;
    lone.setButtonState(1, QStringLiteral("X"));
    EXPECT_EQ(lone.bouton1()->textColor(), QColor::fromRgbF(0.0, 122 / 255.0, 1.0, 1.0));
    EXPECT_EQ(lone.boxFill(), QColor(Qt::white));
}

TEST_F(TocViewsTest, TabClicksPostTheTabAndCtrlClickItsCommand)
{
    Recorder plain(vocab::ActionOnglet);
    Recorder command(vocab::ActionCmdOnglet);
    BarreOnglets left, right;
    left.ajusterDroiteGauche(false, &right, &window);
    right.ajusterDroiteGauche(true, nullptr, &window);
    left.resize(24, 500);
    right.resize(24, 500);
    left.show();
    right.show();
    testsupport::processEvents();

    ButtonOnglet *third = left.onglet(2)->bouton1();
    mouseClick(third, Qt::ControlModifier, third->rect().center());
    EXPECT_EQ(command.params, QList<qint64>{2});
    mouseClick(third, Qt::NoModifier, third->rect().center());
    EXPECT_EQ(plain.params, QList<qint64>{2});
    ButtonOnglet *seventh = right.onglet(1)->bouton1();
    mouseClick(seventh, Qt::NoModifier, seventh->rect().center());
    EXPECT_EQ(plain.params, (QList<qint64>{2, 6}));
    EXPECT_EQ(command.params.size(), 1);
}

// ---- Key pad ---------------------------------------------------------------------------------------

TEST_F(TocViewsTest, KeyPadPostsItsCodes)
{
    Recorder keys(vocab::ActionKey);
    ViewKeys pad;
    ASSERT_EQ(pad.boutons().size(), 62);
    pad.bouton(QStringLiteral("boutFlecheDroite"))->click();
    EXPECT_EQ(keys.params, QList<qint64>{37});
    EXPECT_EQ(pad.keyNo(), 37);
    pad.bouton(QStringLiteral("bout1"))->click();
    pad.bouton(QStringLiteral("boutC"))->click();
    EXPECT_EQ(keys.params, (QList<qint64>{37, 27, 2}));

    pad.disableKeysForTextEdit();
    EXPECT_FALSE(pad.bouton(QStringLiteral("boutFlecheBas"))->isEnabled());
    EXPECT_FALSE(pad.bouton(QStringLiteral("boutCmdFlecheDroite"))->isEnabled());
    EXPECT_TRUE(pad.bouton(QStringLiteral("boutSpace"))->isEnabled());
    pad.enableKeysForTextEdit();
    EXPECT_TRUE(pad.bouton(QStringLiteral("boutFlecheBas"))->isEnabled());
}

// ---- Dimmer -------------------------------------------------------------------------------------------

TEST_F(TocViewsTest, HiddenRegionClicks)
{
    Recorder keys(vocab::ActionKey);
    window.resize(1000, 800);
    DimmerBox dimmer(&window);
    dimmer.iniRefWindowPDFxSuper(&window);
    dimmer.setGeometry(25, 24, 950, 775);

    // Off: no command, and the click is not passed on (it used to drag the window).
    EXPECT_TRUE(dimmer.clickAt(QPointF(800, 100)));
    EXPECT_FALSE(dimmer.clickAt(QPointF(2, 400))); // the edge resizes the window
    EXPECT_TRUE(keys.params.isEmpty());

    Data::setOptHiddenRegions(1);
    EXPECT_FALSE(dimmer.clickAt(QPointF(10, 100))); // the window's own handling
    EXPECT_TRUE(dimmer.clickAt(QPointF(200, 100)));  // upper left (window y grows downward)
    EXPECT_TRUE(dimmer.clickAt(QPointF(200, 700)));
    EXPECT_TRUE(dimmer.clickAt(QPointF(500, 100)));  // centre x counts to the right
    EXPECT_TRUE(dimmer.clickAt(QPointF(800, 700)));
    EXPECT_EQ(keys.params, (QList<qint64>{69, 70, 71, 72}));

    // A real click on the box is located in the window.
    window.show();
    testsupport::processEvents();
    mouseClick(&dimmer, Qt::NoModifier, QPoint(775, 676)); // window (800, 700)
    EXPECT_EQ(keys.params.last(), 72);
}

TEST_F(TocViewsTest, ScrollGesturesBecomeSwipes)
{
    platform::ManualClock clock;
    Recorder swipes(vocab::mySwipe);
    DimmerBox dimmer;
    dimmer.scrollStep(Qt::ScrollBegin, 0, 0);
    dimmer.scrollStep(Qt::ScrollUpdate, 2.0, -1.0);
    dimmer.scrollStep(Qt::ScrollUpdate, 1.0, -2.0);
    dimmer.scrollStep(Qt::ScrollEnd, 0, 0);
    EXPECT_EQ(swipes.params, QList<qint64>{4}); // totals (3, -3): a tie goes vertical

    dimmer.scrollStep(Qt::ScrollBegin, 0, 0);
    dimmer.scrollStep(Qt::ScrollUpdate, -0.5, 0.8);
    dimmer.scrollStep(Qt::ScrollEnd, 0, 0);
    EXPECT_EQ(swipes.params.size(), 1);

    // Without phases (X11), a pause ends the scroll.
    dimmer.scrollStep(Qt::NoScrollPhase, 1.5, 0.2);
    dimmer.scrollStep(Qt::NoScrollPhase, 1.5, 0.2);
    clock.advance(gesturerules::kScrollIdleEnd / 2);
    EXPECT_EQ(swipes.params.size(), 1);
    clock.advance(gesturerules::kScrollIdleEnd);
    EXPECT_EQ(swipes.params, (QList<qint64>{4, 2}));
    EXPECT_DOUBLE_EQ(dimmer.cumulX(), 0.0);
}

TEST_F(TocViewsTest, TouchSwipesNeedTwoFingersFromTheStart)
{
    Recorder swipes(vocab::mySwipe);
    DimmerBox dimmer;
    dimmer.endGesture({{1, QPointF(0.9, 0.2)}, {2, QPointF(0.9, 0.3)}}); // no gesture began
    EXPECT_TRUE(swipes.params.isEmpty());

    dimmer.beginGesture({{1, QPointF(0.1, 0.2)}, {2, QPointF(0.2, 0.3)}});
    dimmer.endGesture({{1, QPointF(0.35, 0.2)}, {2, QPointF(0.45, 0.3)}});
    EXPECT_EQ(swipes.params, QList<qint64>{2});
    EXPECT_FALSE(dimmer.gestureRunning());

    // A finger that was not there at the start does not count.
    dimmer.beginGesture({{1, QPointF(0.1, 0.2)}});
    dimmer.endGesture({{1, QPointF(0.9, 0.2)}, {3, QPointF(0.9, 0.3)}});
    EXPECT_EQ(swipes.params.size(), 1);
}

// ---- Progress popup and table cells ---------------------------------------------------------------------

TEST(PopupJaugeTest, RangePerKindAndCancel)
{
    Data::setOngOut(0);
    PopupJauge popup;
    popup.showPopupJauge(2, false);
    const qint64 songs = Data::getNbrPiecesOng(0);
    EXPECT_EQ(popup.warningValue(), 2 * songs);
    EXPECT_EQ(popup.level1()->value(), 0);
    EXPECT_TRUE(popup.enCours());
    EXPECT_TRUE(popup.txt1()->text().isEmpty());

    popup.buttonCancel()->click();
    EXPECT_TRUE(popup.cancelPressed());
    EXPECT_TRUE(popup.isVisible()); // the owner closes it
    popup.closePopupJauge();
    EXPECT_FALSE(popup.enCours());
    EXPECT_FALSE(popup.isVisible());
    EXPECT_TRUE(popup.cancelPressed());

    popup.showPopupJauge(0, false);
    EXPECT_FALSE(popup.cancelPressed());
    popup.closePopupJauge();
}

TEST(PopupJaugeTest, ClosingAModalPopupEndsItsRun)
{
    PopupJauge popup;
    platform::performAfter(0.0, &popup, [&popup] {
        EXPECT_TRUE(popup.enCours());
        popup.closePopupJauge();
    });
    popup.showPopupJauge(1, true); // returns once closed
    EXPECT_FALSE(popup.enCours());
    EXPECT_FALSE(popup.isVisible());
}

TEST(TableControlsTest, CellsRememberTheirRow)
{
    TableTextField field;
    field.setRow(7);
    TableComboBox combo;
    combo.setRow(-1);
    TableButton button;
    button.setRow(3);
    button.setNoTag(12);
    EXPECT_EQ(field.row(), 7u);
    EXPECT_EQ(combo.row(), -1);
    EXPECT_EQ(button.row(), 3);
    EXPECT_EQ(button.noTag(), 12);
}
