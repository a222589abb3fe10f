#include "windows/WindowPDFx.h"

#include "ScreenTestSupport.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/MainMenu.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"
#include "windows/BarreOnglets.h"
#include "windows/DimmerBox.h"
#include "windows/SmallViews.h"
#include "windows/TitleRow.h"
#include "windows/TitleRowRules.h"
#include "windows/ViewKeys.h"
#include "windows/ViewToc.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <cstring>
#include <gtest/gtest.h>

namespace {

PiecesPtr song(const QString &title, const QString &artist)
{
    auto p = std::make_shared<Pieces>();
    p->pieceDet = std::make_shared<PiecesDet>();
    p->pieceDet->fichier = QStringLiteral("/nowhere/%1.cho").arg(title);
    p->pieceDet->titre = title;
    p->pieceDet->auteur = artist;
    return p;
}

// Where words lie on the window's drawn title row: the x at which its pixels
// are those of the words drawn alone, from a whole pixel, in the message
// line's font and colour; or -1.
int drawnAt(WindowPDFx &w, const QString &words)
{
    QColor back = w.backColor();
    back.setAlpha(255);
    const auto draw = [&back](QWidget &widget, const QRegion &part) {
        QImage image(widget.width(), TitleRow::kHeight, QImage::Format_ARGB32_Premultiplied);
        image.fill(back);
        widget.render(&image, QPoint(), part, QWidget::DrawChildren);
        return image;
    };
    QLabel alone(words);
    alone.setFont(w.titleRow()->labelWin2->font());
    alone.setPalette(w.titleRow()->labelWin2->palette());
    const int wide = alone.fontMetrics().horizontalAdvance(words);
    alone.resize(wide + 20, TitleRow::kHeight);
    const QImage reference = draw(alone, QRegion());
    const QImage row = draw(w, QRegion(0, 0, w.width(), TitleRow::kHeight));
    for (int x = 0; x + wide <= row.width(); ++x) {
        bool same = true;
        for (int y = 0; same && y < TitleRow::kHeight; ++y)
            same = std::memcmp(row.constScanLine(y) + x * 4, reference.constScanLine(y), size_t(wide) * 4) == 0;
        if (same)
            return x;
    }
    return -1;
}

class TitleRowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setTocOn(false);
        Data::setGcount(-1);
        Data::setGcountTo(0);
        Data::setGDisplayCount(false);
        Data::setGtempo(0);
        Data::setNbTocG(36);
        Data::setFilterTypeG(0);
        Midi::setNbTapTempo(0);
        window = std::make_unique<WindowPDFx>();
        window->windowDidLoad();
        window->resize(1200, 800);
    }
    void TearDown() override
    {
        window.reset();
        Data::setTocOn(false);
        Data::setGcount(-1);
        Data::setGDisplayCount(false);
        Data::listePiecesFlagged().clear();
        Data::nsMutaryOfWindows().clear();
    }
    TitleRow &row() { return *window->titleRow(); }

    std::unique_ptr<WindowPDFx> window;
};

} // namespace

TEST_F(TitleRowTest, TitleWithMarksInSortOrder)
{
    PiecesPtr s = song(QStringLiteral("Wonderwall"), QStringLiteral("Oasis"));
    s->pieceDet->played = true;
    s->pieceDet->flagged = true;
    window->setPDF(s, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window->titleText(), QStringLiteral("Wonderwall • Oasis✅") + Data::obtenirTitreFlag(s));
    EXPECT_EQ(row().labelRep1->text(), QStringLiteral("Master"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tolvane Window - Master"));
    EXPECT_EQ(row().labelRep1->palette().color(QPalette::WindowText), QColor(Qt::darkGray));

    // Sorted by artist: the artist comes first, in the highlight colour.
    window->setPDF(s, 1, true, false, 1, nullptr, false);
    EXPECT_TRUE(window->titleText().startsWith(QStringLiteral("Oasis • Wonderwall✅")));
    EXPECT_TRUE(row().labelWin1->text().contains(window->highColor().name()));
    EXPECT_TRUE(row().labelWin1->text().contains(QStringLiteral("#929292")));
}

TEST_F(TitleRowTest, BoundWindowShowsItsIdentifier)
{
    window->iniMode(1, QStringLiteral("Lead"));
    window->setPDF(song(QStringLiteral("A"), QStringLiteral("B")), 1, true, false, 0, nullptr, false);
    EXPECT_EQ(row().labelRep1->text(), QStringLiteral("Lead"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tolvane Window - Lead"));
    // Bound, no alternate version found: the title's colour.
    EXPECT_EQ(row().labelRep1->palette().color(QPalette::WindowText), window->actColor());
}

TEST_F(TitleRowTest, TempoAndTrackTime)
{
    PiecesPtr s = song(QStringLiteral("A"), QStringLiteral("B"));
    window->setPDF(s, 1, true, false, 0, nullptr, false);
    window->refreshTempo();
    EXPECT_EQ(row().labelTempo->text(), QStringLiteral("100"));
    EXPECT_EQ(row().labelTempo->palette().color(QPalette::WindowText), window->inactColor());
    s->pieceDet->tempo = 90;
    Data::setGtempo(90);
    window->refreshTempo();
    EXPECT_EQ(row().labelTempo->text(), QStringLiteral("90"));
    EXPECT_EQ(row().labelTempo->palette().color(QPalette::WindowText), window->actColor());

    window->updateItunesInfo(QStringLiteral("T"), QStringLiteral("A"), 75, 200, false);
    EXPECT_EQ(row().labelTrackTime->text(), QStringLiteral("  1:15"));
    EXPECT_TRUE(row().labelTrackTime->isVisibleTo(window.get()));
    EXPECT_FALSE(row().labelTempo->isVisibleTo(window.get()));
    window->updateItunesInfo(QString(), QString(), 0, 0, true);
    EXPECT_FALSE(row().labelTrackTime->isVisibleTo(window.get()));
    EXPECT_TRUE(row().labelTempo->isVisibleTo(window.get()));
}

TEST_F(TitleRowTest, RecentTapShowsTempoAndEndsRecording)
{
    platform::ManualClock clock;
    window->setPDF(song(QStringLiteral("A"), QStringLiteral("B")), 1, true, false, 0, nullptr, false);
    Midi::initTimeLastTapTempo(0); // one tap, now
    Data::setRecOn(true);
    clock.advance(1.5);
    window->updateItunesInfo(QStringLiteral("T"), QStringLiteral("A"), 30, 200, false);
    EXPECT_FALSE(Data::recOn());
    EXPECT_FALSE(row().labelTrackTime->isVisibleTo(window.get()));
    clock.advance(1.0); // the tap is now 2.5 s old
    window->updateItunesInfo(QStringLiteral("T"), QStringLiteral("A"), 31, 200, false);
    EXPECT_TRUE(row().labelTrackTime->isVisibleTo(window.get()));
    Midi::initTimeLastTapTempo(-1);
}

TEST_F(TitleRowTest, LightsPerBeatAndCountIn)
{
    PiecesPtr s = song(QStringLiteral("A"), QStringLiteral("B"));
    s->pieceDet->signature = 4;
    window->setPDF(s, 1, true, false, 0, nullptr, false);
    window->iniTypeMetro(2);
    window->updateMetroWithNbTick(6, false, false);
    EXPECT_TRUE(row().boxMetro3b->isVisibleTo(window.get()));
    EXPECT_FALSE(row().boxMetro3->isVisibleTo(window.get()));
    EXPECT_EQ(row().labelMetro2->text(), QStringLiteral("2"));
    EXPECT_TRUE(row().labelMetro2->isVisibleTo(window.get()));
    window->updateMetroWithNbTick(4, false, false);
    EXPECT_TRUE(row().boxMetro3d->isVisibleTo(window.get()));
    EXPECT_FALSE(row().boxMetro3b->isVisibleTo(window.get()));
    // Four lights laid out left of the tempo box, the first in the highlight colour.
    EXPECT_EQ(row().boxMetro3->x(), row().boxTempo1->x() - 4 * TitleRow::kBeatWidth - 5);
    EXPECT_EQ(row().boxMetro3d->x(), row().boxMetro3->x() + 3 * TitleRow::kBeatWidth);
    EXPECT_EQ(row().boxMetro3->fill(), window->highColor());

    window->iniTypeMetro(1);
    window->updateMetroWithNbTick(3, false, false);
    EXPECT_TRUE(row().boxMetro1->isVisibleTo(window.get()));
    window->updateMetroWithNbTick(4, false, false);
    EXPECT_TRUE(row().boxMetro2->isVisibleTo(window.get()));
    EXPECT_FALSE(row().boxMetro1->isVisibleTo(window.get()));

    Data::setGDisplayCount(true);
    Data::setGcount(0);
    window->updateMetroWithNbTick(5, false, false);
    EXPECT_EQ(row().labelCount->text(), QStringLiteral("Go!"));
    EXPECT_TRUE(row().boxCount->isVisibleTo(window.get()));
    // Hidden lights keep the "Go!" up; any other count goes.
    window->updateMetroWithNbTick(6, true, false);
    EXPECT_TRUE(row().boxCount->isVisibleTo(window.get()));
    Data::setGcount(2);
    window->updateMetroWithNbTick(6, true, false);
    EXPECT_FALSE(row().boxCount->isVisibleTo(window.get()));
    EXPECT_FALSE(row().boxMetro1->isVisibleTo(window.get()));
}

TEST_F(TitleRowTest, HiddenTitleElements)
{
    window->iniHideTitleElementTitle(true);
    window->iniHideTitleElementNote(true);
    EXPECT_FALSE(row().labelWin1->isVisibleTo(window.get()));
    EXPECT_FALSE(row().boxCadreNote1->isVisibleTo(window.get()));
    EXPECT_TRUE(row().boxRep1->isVisibleTo(window.get()));
    window->iniHideTitleElementTempo(true);
    EXPECT_FALSE(row().boxRep1->isVisibleTo(window.get()));
    EXPECT_FALSE(row().labelTempo->isVisibleTo(window.get()));
}

// Before, why a song could not be shown was right-aligned in the note's place:
// a narrow window showed "reader gives up on it" without the file's name.
TEST_F(TitleRowTest, WhyASongCannotBeShownBeginsOnScreenInANarrowWindow)
{
    for (const int wide : {1200, 700}) {
        window->resize(wide, 800);
        window->showSongProblem(QStringLiteral("/songs/A Loop.pdf"), QStringLiteral("cannot be shown: the PDF reader gives up on it"));
        const QLabel *label = row().labelWin2;
        EXPECT_TRUE(label->alignment() & Qt::AlignLeft) << wide;
        EXPECT_TRUE(label->text().contains(QStringLiteral("A Loop.pdf — cannot be shown"))) << wide;
        EXPECT_GE(row().boxCadreNote1->width(), label->fontMetrics().horizontalAdvance(label->text())) << wide;
        window->showSongProblem(QStringLiteral("/songs/B.pdf"), QString());
    }
}

TEST_F(TitleRowTest, SearchTextOnlyInTheKeyWindow)
{
    window->updateRechInfo(true, false, QStringLiteral("ab"));
    EXPECT_FALSE(row().boxRech2->isVisibleTo(window.get()));
    window->iniKeywin(true);
    window->updateRechInfo(false, false, QStringLiteral("ab"));
    EXPECT_TRUE(row().boxRech2->isVisibleTo(window.get()));
    EXPECT_EQ(row().labelRech2->text(), QStringLiteral("ab"));
    EXPECT_EQ(row().labelRech2->palette().color(QPalette::WindowText), QColor(Qt::red));
    window->masquerObjet();
    EXPECT_FALSE(row().boxRech2->isVisibleTo(window.get()));
}

TEST_F(TitleRowTest, ButtonsPostTheirCommands)
{
    QList<qint64> codes;
    const auto id = platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey, [&](const platform::Notification &n) { codes << n.intParam(); });
    window->buttonListe()->click();
    window->buttonFiltre()->click();
    window->buttonExport()->click();
    window->actionOuvrirNote();
    window->actionEV(5); // not recording: nothing
    Data::setRecOn(true);
    window->actionEV(5);
    Data::setRecOn(false);
    platform::NotificationCenter::defaultCenter().removeObserver(id);
    EXPECT_EQ(codes, (QList<qint64>{54, 51, 1019, 1002, 77}));
}

// ---- Tabs and song list in the window -----------------------------------------------------------

TEST_F(TitleRowTest, TabsAndListHeader)
{
    window->setButtonStateForOnglet(0, QStringLiteral("All"), 1);
    window->setButtonStateForOnglet(0, QStringLiteral("Set B"), 7);
    window->setButtonStateForOnglet(1, QString(), 7);
    EXPECT_EQ(window->ongletAct(), 7);
    EXPECT_EQ(window->labelToc1()->text(), QStringLiteral("Set B"));
    EXPECT_EQ(window->barreOngletsDroite()->onglet(1)->state(), 1);
    window->setTocLabel2(QStringLiteral("40 • 2/2"));
    EXPECT_EQ(window->labelToc2()->text(), QStringLiteral("40 • 2/2"));

    window->afficherToc(true);
    EXPECT_TRUE(Data::tocOn());
    EXPECT_TRUE(window->tocView()->isVisibleTo(window.get()));
    EXPECT_TRUE(window->buttonListe()->isVisibleTo(window.get())); // not the All tab
    EXPECT_TRUE(window->viewTocDroite()->isVisibleTo(window.get()));
    window->setItemStateForItem(0, song(QStringLiteral("Twenty"), QStringLiteral("X")), 20);
    EXPECT_EQ(window->viewTocDroite()->item(1)->titre1()->text(), QStringLiteral("Twenty"));

    window->afficherToc(false);
    EXPECT_FALSE(Data::tocOn());
    EXPECT_FALSE(window->tocView()->isVisibleTo(window.get()));
    EXPECT_FALSE(window->buttonExport()->isVisibleTo(window.get()));
}

TEST_F(TitleRowTest, HalfListInASinglePageWindowTakesOneWideColumn)
{
    Data::setNbTocG(18);
    window->iniModeAffichage(2, false);
    window->afficherToc(true);
    EXPECT_FALSE(window->viewTocDroite()->isVisibleTo(window.get()));
    EXPECT_EQ(window->viewTocGauche()->x() + window->viewTocGauche()->width(),
              window->viewTocDroite()->x() + window->viewTocDroite()->width());
    window->iniModeAffichage(0, false);
    Data::setNbTocG(36);
    window->refreshPosViewToc();
    EXPECT_EQ(window->viewTocGauche()->width(), window->viewTocDroite()->width());
    window->afficherToc(false);
}

TEST_F(TitleRowTest, HiddenListLeavesTheSharedFlag)
{
    window->iniHideList(true);
    window->afficherToc(true);
    EXPECT_TRUE(Data::tocOn());
    EXPECT_FALSE(window->tocView()->isVisibleTo(window.get()));
    window->iniHideList(false);
    EXPECT_TRUE(window->tocView()->isVisibleTo(window.get()));
    window->iniHideList(true);
    EXPECT_TRUE(Data::tocOn());
    window->afficherToc(false);
}

TEST_F(TitleRowTest, TabBarsAndDimmerCoverThePageArea)
{
    window->show();
    testsupport::processEvents();
    EXPECT_EQ(window->boxDimmer()->geometry(), window->pageArea());
    EXPECT_EQ(window->pageArea().x(), 25);
    EXPECT_EQ(window->pageArea().width(), 1200 - 50);
    window->traiterAfficherMasquerOnglets();
    EXPECT_FALSE(window->ongletsVisibles());
    EXPECT_FALSE(window->barreOngletsGauche()->isVisible());
    EXPECT_EQ(window->boxDimmer()->geometry(), QRect(1, 24, 1198, 775));
    window->ajusterDimmer(0.4, 0.7);
    EXPECT_DOUBLE_EQ(window->boxDimmer()->dimAlpha(), 0.4);
    EXPECT_EQ(window->boxDimmer()->refWindowPDFxSuper(), window.get());

    window->titleRow()->buttonKeys->click();
    EXPECT_TRUE(window->keyView()->isVisible());
    window->titleRow()->buttonKeys->click();
    EXPECT_FALSE(window->keyView()->isVisible());
}

// The type-ahead echo had a fixed width and cut "Saltwater Kiss • The G".
TEST_F(TitleRowTest, TypeAheadEchoGrowsWithItsText)
{
    window->show();
    window->iniKeywin(true);
    struct Case {
        const char *text;
        bool minimum; // short texts keep the box's own width
    };
    const Case cases[] = {
        {"s", true},
        {"Saltwater Kiss • The Gallowglass Brothers", false},
        {"An Unusually Long Song Title That Nobody Could Sing • And An Even Longer Band Name Behind It", false},
    };
    for (const Case &c : cases) {
        window->updateRechInfo(true, false, QString::fromUtf8(c.text));
        const QRect box = row().boxRech2->geometry();
        const int needed = row().labelRech2->sizeHint().width();
        const QRect area = window->pageArea();
        EXPECT_LE(box.width(), area.width()) << c.text;
        EXPECT_GE(box.left(), area.left()) << c.text;
        EXPECT_EQ(box.center().x(), area.center().x()) << c.text;
        EXPECT_EQ(row().labelRech2->width(), box.width()) << c.text;
        if (c.minimum)
            EXPECT_EQ(box.width(), 400) << c.text;
        else
            EXPECT_GE(box.width(), std::min(needed, area.width())) << c.text;
    }
    // The letters typed next (updateRechInfo2) resize it too.
    window->updateRechInfo2(QStringLiteral("x"));
    EXPECT_EQ(row().boxRech2->width(), 400);
}

// A newcomer found the menus only by chance: no menu bar, no hint of the
// context menu. The "☰" button and F10 open the same menu as a right-click.
TEST_F(TitleRowTest, MenuButtonAndF10OpenTheMenu)
{
    QMenu *menu = MainMenu::instance().addMenu(QStringLiteral("Test Folder"));
    menu->addAction(QStringLiteral("Choose…"));
    window->show();
    testsupport::processEvents();
    QMenu *context = MainMenu::instance().contextMenu();
    ASSERT_TRUE(row().buttonMenu->isVisibleTo(window.get()));
    EXPECT_EQ(row().buttonMenu->text(), QStringLiteral("☰"));
    EXPECT_LT(row().buttonMenu->geometry().right(), row().buttonKeys->geometry().left());
    EXPECT_LT(row().boxRep1->geometry().right(), row().buttonMenu->geometry().left());

    row().buttonMenu->click();
    EXPECT_TRUE(context->isVisible());
    context->hide();

    QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &f10);
    EXPECT_TRUE(f10.isAccepted());
    EXPECT_TRUE(context->isVisible());
    context->hide();

    // Ctrl+F10 is not the menu key.
    QKeyEvent ctrlF10(QEvent::KeyPress, Qt::Key_F10, Qt::ControlModifier);
    QCoreApplication::sendEvent(window.get(), &ctrlF10);
    EXPECT_FALSE(context->isVisible());
    MainMenu::instance().removeMenu(menu);
    delete menu;
}

// A notice was right-aligned in the note's place between the tempo and the
// identifier, so a long one lost its beginning and a path kept only its tail.
TEST_F(TitleRowTest, LongNoticesAreReadFromTheirFirstWordOnScreen)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}))
        return;
    platform::ManualClock clock;
    const QString kept = QStringLiteral("/home/ana/.local/share/tolvane/Kept notes/Pine Ridge (edit not saved).txt");
    // Without the warning mark the windows get first: the machine's emoji font draws it.
    const struct {
        QString notice;
        const char *firstWords;
    } rows[] = {
        {QStringLiteral("The note of \"Forty Days\" was changed elsewhere while you edited it: yours is saved, the "
                        "other version is kept beside it as \"Forty Days (changed elsewhere 2026-03-14 21.05).txt\"."),
         "The note of \"Forty Days\" was changed elsewhere while you edited it"},
        {QStringLiteral("The note file \"/home/ana/Songs/02 Ballads/Pine Ridge.txt\" is too large to be changed, so "
                        "it was left unchanged. Your edit is kept as \"%1\".").arg(kept),
         "The note file \"Pine Ridge.txt\" is too large to be changed"},
        {QStringLiteral("The settings file \"/home/ana/.config/tolvane/defaults.sqlite\" could not be read (it is "
                        "locked by another program): the settings start from their defaults, and nothing is written "
                        "to it until it has been read. An edited note could not be saved when Tolvane last quit: it "
                        "is kept as \"%1\".").arg(kept),
         "The settings file \"defaults.sqlite\" could not be read"},
    };
    window->setPDF(song(QStringLiteral("A Song Title Long Enough To Fill Its Place"), QStringLiteral("Band")), 1,
                   true, false, 0, nullptr, false);
    // The song's file is read off the main thread: its row is drawn once it answers.
    ASSERT_TRUE(window->renderer().waitForIdle());
    testsupport::processEvents();
    const QString note = window->noteText();
    for (QScreen *screen : QGuiApplication::screens()) {
        window->setGeometry(screen->geometry().x(), 0, screen->geometry().width(), 600);
        window->show();
        testsupport::processEvents();
        const auto onScreen = [&](const QString &words) {
            const int x = drawnAt(*window, words);
            const QSize size(row().labelWin2->fontMetrics().horizontalAdvance(words), TitleRow::kHeight);
            return x >= 0 && screen->geometry().contains(QRect(window->mapToGlobal(QPoint(x, 0)), size));
        };
        for (const auto &r : rows) {
            const std::string what = std::to_string(window->width()) + " px: " + r.firstWords;
            window->showNotice(r.notice);
            EXPECT_TRUE(onScreen(QString::fromUtf8(r.firstWords))) << what;
            EXPECT_TRUE(onScreen(QStringLiteral("A Song Title"))) << what << ": the song's name stays in sight";
            // The rest follows in parts, each drawn whole and held the notice's time.
            QString read;
            for (int part = 0; part < 8 && window->noteText() != note; ++part) {
                EXPECT_TRUE(onScreen(window->noteText())) << what << ", part " << part;
                read += window->noteText();
                clock.advance(WindowPDFxSuper::kNoticeSeconds);
            }
            EXPECT_EQ(read.replace(QStringLiteral("……"), QStringLiteral(" ")), titlerules::noticeShown(r.notice))
                << what;
        }
    }
}
