#include "windows/WindowTitle.h"

#include "AuxWindowTestSupport.h"
#include "midi/Midi.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "windows/AuxWindowText.h"
#include "windows/WindowFactory.h"
#include "windows/WindowJauge.h"
#include "windows/WindowMini.h"
#include "windows/WindowTrackTime.h"

#include <gtest/gtest.h>

namespace {

TEST(TitleTexts, WindowTitlesByType)
{
    const struct {
        qint64 type;
        const char *title;
    } cases[] = {
        {2, "Object - Title"}, {4, "Object - Artist Name"}, {5, "Object - Tempo"}, {8, "Object - Note - Lead"},
        {9, "Object - Metronome"}, {10, "Object - Next Song Title"}, {11, "Object - Artist Name + Title"},
        {12, "Object - Empty Panel"}, {13, "Object - Next Cue"}, {15, "Object - Key"}, {16, "Object - Flags"},
        {3, ""}, {0, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(auxwin::titleWindowTitle(c.type, QStringLiteral("Lead")), QString::fromUtf8(c.title)) << c.type;
    EXPECT_EQ(auxwin::titleWindowTitle(8, QString()), QStringLiteral("Object - Note"));
}

TEST(TitleTexts, FlaggedSongsStopAfterTen)
{
    EXPECT_EQ(auxwin::flagsText({}), QString());
    EXPECT_EQ(auxwin::flagsText({QStringLiteral("A")}), QStringLiteral("🔶A"));
    EXPECT_EQ(auxwin::flagsText({QStringLiteral("A"), QStringLiteral("B")}), QStringLiteral("🔶A 🔹B"));
    QStringList titles;
    for (int i = 1; i <= 11; ++i)
        titles << QStringLiteral("S%1").arg(i);
    const QString ten = QStringLiteral("🔶S1 🔹S2 🔹S3 🔹S4 🔹S5 🔹S6 🔹S7 🔹S8 🔹S9 🔹S10");
    EXPECT_EQ(auxwin::flagsText(titles.mid(0, 10)), ten);
    EXPECT_EQ(auxwin::flagsText(titles), ten + QStringLiteral(" 🔹..."));
}

TEST(TitleTexts, NextSongAndArtistTitle)
{
    EXPECT_EQ(auxwin::nextSongText(QStringLiteral("Angie")), QStringLiteral("▷Angie"));
    EXPECT_EQ(auxwin::nextSongText(std::nullopt), QString());
    using auxwin::RunColor;
    const QList<auxwin::TextRun> byArtist = {{QStringLiteral("Stones"), RunColor::High},
                                            {QStringLiteral(" "), RunColor::Label},
                                            {QStringLiteral("•"), RunColor::Bullet},
                                            {QStringLiteral(" "), RunColor::Label},
                                            {QStringLiteral("Angie"), RunColor::Label}};
    EXPECT_EQ(auxwin::artistTitleRuns(QStringLiteral("Angie"), QStringLiteral("Stones"), 1), byArtist);
    const auto byTitle = auxwin::artistTitleRuns(QStringLiteral("Angie"), QStringLiteral("Stones"), 0);
    EXPECT_EQ(byTitle.first(), (auxwin::TextRun{QStringLiteral("Angie"), RunColor::Label}));
    EXPECT_EQ(byTitle.last(), (auxwin::TextRun{QStringLiteral("Stones"), RunColor::Label}));
}

TEST(TitleTexts, NoteMarkersTakenOutOnlyForTheWindowsIdentifier)
{
    const QString lead = QStringLiteral("Lead");
    EXPECT_EQ(auxwin::noteShown(QStringLiteral("Lead: intro at 12:30 "), lead, true), QStringLiteral("intro at 12:30"));
    EXPECT_EQ(auxwin::noteShown(QStringLiteral("lead:capo 2"), lead, true), QStringLiteral("capo 2"));
    EXPECT_EQ(auxwin::noteShown(QStringLiteral("Lead: capo 2"), lead, false), QStringLiteral("Lead: capo 2"));
    // Before, a window without an identifier took out every colon: "12:30" became "1230".
    EXPECT_EQ(auxwin::noteShown(QStringLiteral("12:30"), QString(), true), QStringLiteral("12:30"));
    EXPECT_EQ(auxwin::noteShown(QStringLiteral("  "), lead, true), QStringLiteral("  "));
}

TEST(TitleTexts, TempoColours)
{
    using auxwin::TempoColor;
    const struct {
        qint32 songTempo;
        qint64 current;
        qint32 taps;
        const char *text;
        TempoColor color;
    } cases[] = {
        {0, 100, 0, "100", TempoColor::Inactive}, // the song sets none, nothing tapped
        {0, 132, 3, "132", TempoColor::High},     // a tapped tempo
        {0, 0, 3, "100", TempoColor::Inactive},   // taps but no tempo yet
        {120, 120, 0, "120", TempoColor::Active},
        {120, 125, 0, "125", TempoColor::High},   // changed while playing
    };
    for (const auto &c : cases)
        EXPECT_EQ(auxwin::titleTempo(c.songTempo, c.current, c.taps),
                  (auxwin::TempoShown{QString::fromUtf8(c.text), c.color}))
            << c.songTempo << "/" << c.current;
    EXPECT_EQ(auxwin::miniTempo(0), (auxwin::TempoShown{QStringLiteral("100"), TempoColor::Inactive}));
    EXPECT_EQ(auxwin::miniTempo(97), (auxwin::TempoShown{QStringLiteral("97"), TempoColor::Active}));
}

TEST(TitleMetronome, WhichLightEachBeatLights)
{
    using auxwin::MetroBeat;
    const MetroBeat hide{MetroBeat::HideAll, 0}, same{MetroBeat::Unchanged, 0};
    const auto light = [](int n) { return MetroBeat{MetroBeat::Light, n}; };
    const struct {
        qint64 type;
        int beats;
        qint64 beat;
        MetroBeat expected;
    } cases[] = {
        {0, 4, 3, light(1)}, {1, 4, 1, light(1)}, {1, 4, 2, light(2)}, {1, 4, 7, light(1)},
        {2, 4, 1, light(1)}, {2, 4, 4, light(4)}, {2, 4, 5, light(1)},
        {2, 3, 1, light(1)}, {2, 3, 2, light(2)}, {2, 3, 3, light(3)}, {2, 3, 4, light(1)},
        {2, 2, 3, light(1)}, {2, 2, 4, light(2)}, {2, 0, 1, light(0)},
        {3, 4, 1, hide}, {4, 4, 1, same}, {10, 4, 1, same},
    };
    for (const auto &c : cases)
        EXPECT_EQ(auxwin::metroBeat(c.type, c.beats, c.beat), c.expected) << c.type << " " << c.beats << " " << c.beat;
    EXPECT_EQ(beatsPerBar(0), 4);
    EXPECT_EQ(beatsPerBar(3), 3);
    EXPECT_EQ(beatsPerBar(7), 0);
}

TEST(TitleMetronome, LightFrames)
{
    const auxwin::LightFrames none{};
    EXPECT_EQ(auxwin::titleLightFrames(0, 4, 300, 90, none)[0], QRectF(0, 0, 300, 90));
    const auto halves = auxwin::titleLightFrames(1, 4, 300, 90, none);
    EXPECT_EQ(halves[1], QRectF(150, 0, 150, 90));
    const auto thirds = auxwin::titleLightFrames(2, 3, 300, 90, none);
    EXPECT_EQ(thirds[0], QRectF(0, 0, 100, 90));
    EXPECT_EQ(thirds[2], QRectF(200, 0, 100, 90));
    EXPECT_EQ(auxwin::titleLightFrames(2, 0, 300, 90, none)[1], QRectF(75, 0, 75, 90));
    EXPECT_EQ(auxwin::titleLightFrames(2, 9, 300, 90, none)[0], QRectF(0, 0, 300, 90));
    EXPECT_EQ(auxwin::titleLightFrames(3, 4, 300, 90, halves), halves);
}

TEST(TitleSize, TurnsWhenTallerThanWideExceptTempoAndMetronome)
{
    const auto wide = auxwin::titleSizeRule(2, 600, 120);
    EXPECT_FALSE(wide.turned);
    EXPECT_DOUBLE_EQ(wide.font, 100);
    const auto tall = auxwin::titleSizeRule(2, 120, 600);
    EXPECT_TRUE(tall.turned);
    EXPECT_DOUBLE_EQ(tall.font, 100);
    EXPECT_FALSE(auxwin::titleSizeRule(5, 120, 600).turned);
    EXPECT_FALSE(auxwin::titleSizeRule(9, 120, 600).turned);
    EXPECT_DOUBLE_EQ(auxwin::titleSizeRule(13, 600, 120).countFont, 70);
}

TEST(TitleCount, NumberShown)
{
    EXPECT_EQ(auxwin::countNumberText(3, 0, false, 4), QStringLiteral("3"));
    EXPECT_EQ(auxwin::countNumberText(6, 0, true, 4), QStringLiteral(" ")); // waits for the bar
    EXPECT_EQ(auxwin::countNumberText(4, 0, true, 4), QStringLiteral("4"));
    EXPECT_EQ(auxwin::countNumberText(5, 8, false, 4), QStringLiteral("3"));
    EXPECT_EQ(auxwin::countNumberText(8, 8, true, 4), QStringLiteral(" "));
}

TEST(TitleCount, BadgeBeforeTheCue)
{
    // Centred cue 200 wide in a 600 by 60 window: the badge sits just left of it.
    const auto centred = auxwin::countLayout(600, 60, false, 200, 0, 3);
    EXPECT_EQ(centred.badge, QRectF(200 - 58 + 1, 1, 58, 58));
    EXPECT_EQ(centred.number, QRectF(142, 0, 60, 60));
    EXPECT_DOUBLE_EQ(centred.numberFont, 50);
    EXPECT_DOUBLE_EQ(centred.titleShift, 0);

    const auto big = auxwin::countLayout(600, 60, false, 200, 0, 12);
    EXPECT_DOUBLE_EQ(big.numberFont, 35);
    EXPECT_DOUBLE_EQ(big.number.y(), -7.5);

    const auto right = auxwin::countLayout(600, 60, false, 200, 2, 3);
    EXPECT_DOUBLE_EQ(right.badge.x(), 400 - 58 + 1);
    const auto left = auxwin::countLayout(600, 60, false, 200, 1, 3);
    EXPECT_DOUBLE_EQ(left.badge.x(), 1);
    EXPECT_DOUBLE_EQ(left.titleShift, 58);
    const auto tooLong = auxwin::countLayout(600, 60, false, 900, 0, 3);
    EXPECT_DOUBLE_EQ(tooLong.badge.x(), 1);

    const auto turned = auxwin::countLayout(60, 600, true, 200, 0, 3);
    EXPECT_EQ(turned.badge, QRectF(1, 143, 58, 58));
}

class WindowTitleTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Data::winIDs().clear();
        Data::listePiecesFlagged().clear();
        Data::setInspectorOn(false);
        Data::setGcount(-1);
        Data::setGcountTo(0);
        Data::setGtempo(0);
        Midi::setNbTapTempo(0);
    }
    std::unique_ptr<WindowTitle> make(qint64 type, int w = 600, int h = 90)
    {
        auto window = std::make_unique<WindowTitle>(type);
        window->windowDidLoad();
        auxtest::resizeTo(*window, w, h);
        return window;
    }
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
};

TEST_F(WindowTitleTest, ItemsOfTheSong)
{
    auto angie = auxtest::song(QStringLiteral("Angie"), QStringLiteral("Stones"));
    angie->pieceDet->cle = QStringLiteral(" Am ");
    auto next = auxtest::song(QStringLiteral("Wild Horses"));
    const struct {
        qint64 type;
        const char *shown;
    } cases[] = {{2, "Angie"}, {4, "Stones"}, {15, " Am "}, {10, "▷Wild Horses"}, {11, "Angie • Stones"}};
    for (const auto &c : cases) {
        auto window = make(c.type);
        window->setPDF(angie, 1, true, false, 0, next, false);
        EXPECT_EQ(window->label(1).text, QString::fromUtf8(c.shown)) << c.type;
    }
    auto last = make(10);
    last->setPDF(angie, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(last->label(1).text, QString());
}

TEST_F(WindowTitleTest, FlagsWindowListsTheFlaggedSongs)
{
    auto window = make(16);
    window->setPDF(auxtest::song(QStringLiteral("X")), 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window->label(1).text, QString());
    for (int i = 1; i <= 11; ++i)
        Data::listePiecesFlagged().append(auxtest::song(QStringLiteral("S%1").arg(i)));
    window->refreshFlags();
    EXPECT_TRUE(window->label(1).text.startsWith(QStringLiteral("🔶S1 🔹S2")));
    EXPECT_TRUE(window->label(1).text.endsWith(QStringLiteral("🔹S10 🔹...")));
}

TEST_F(WindowTitleTest, TempoWindowColours)
{
    auto window = make(5, 300, 120);
    Data::setGtempo(100);
    window->setPDF(auxtest::song(QStringLiteral("Free")), 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window->label(1).text, QStringLiteral("100"));
    EXPECT_EQ(window->label(1).color, window->inactColor());

    Midi::setNbTapTempo(2);
    Data::setGtempo(132);
    window->refreshTempo();
    EXPECT_EQ(window->label(1).text, QStringLiteral("132"));
    EXPECT_EQ(window->label(1).color, window->highColor());

    Midi::setNbTapTempo(0);
    Data::setGtempo(120);
    window->setPDF(auxtest::song(QStringLiteral("Fast"), QString(), QStringLiteral("TEMPO 120")), 1, true, false, 0,
                   nullptr, false);
    EXPECT_EQ(window->label(1).color, window->actColor());
    Data::setGtempo(125);
    window->refreshTempo();
    EXPECT_EQ(window->label(1).text, QStringLiteral("125"));
    EXPECT_EQ(window->label(1).color, window->highColor());
}

TEST_F(WindowTitleTest, MetronomeWindowInThreeFour)
{
    auto window = make(9, 300, 90);
    window->iniTypeMetro(2);
    window->setPDF(auxtest::song(QStringLiteral("Waltz"), QString(), QStringLiteral("TEMPO 90 3/4")), 1, true, false,
                   0, nullptr, false);
    window->updateMetroWithNbTick(0, true, true);
    EXPECT_EQ(window->boxMetro(2).frame, QRectF(100, 0, 100, 90));
    window->updateMetroWithNbTick(1, false, false);
    EXPECT_FALSE(window->boxMetro(1).hidden);
    EXPECT_EQ(window->boxMetro(1).fill, window->highColor());
    EXPECT_FALSE(window->label(1).hidden);
    EXPECT_EQ(window->label(1).text, QStringLiteral("1"));
    window->updateMetroWithNbTick(1, true, false);
    EXPECT_TRUE(window->boxMetro(1).hidden);
    EXPECT_TRUE(window->label(1).hidden);
    window->updateMetroWithNbTick(4, false, false);
    EXPECT_FALSE(window->boxMetro(1).hidden);
    EXPECT_EQ(window->boxMetro(2).fill, window->metroColor());
}

TEST_F(WindowTitleTest, EmptyNoteVanishesUnlessTheInspectorIsOpen)
{
    auto window = make(8);
    window->iniHideTitleElementNote(true);
    window->setPDF(auxtest::song(QStringLiteral("Quiet")), 1, true, false, 0, nullptr, false);
    EXPECT_TRUE(window->vanished());

    Data::setInspectorOn(true);
    window->refreshNote(false);
    EXPECT_FALSE(window->vanished());
    EXPECT_EQ(window->label(1).text, QStringLiteral("(invisible if inspector is closed)"));
}

TEST_F(WindowTitleTest, NoteWindowWithTheListHidden)
{
    auto lead = std::make_shared<WinID>(0);
    lead->idWin = QStringLiteral("Lead");
    lead->defMsg = 1;
    Data::winIDs() = {lead};

    auto bound = make(8);
    bound->iniMode(1, QStringLiteral("Lead"));
    bound->iniHideList(true);
    bound->setPDF(auxtest::song(QStringLiteral("A"), QString(), QStringLiteral("Lead: solo at 12:30")), 1, true, false,
                  0, nullptr, false);
    EXPECT_EQ(bound->label(1).text, QStringLiteral("solo at 12:30"));
    EXPECT_EQ(bound->labelRep1().text, QStringLiteral("Lead"));
    EXPECT_EQ(bound->obtenirTitle(), QStringLiteral("Object - Note - Lead"));
    bound->refreshNote(true); // thirty seconds into the song
    EXPECT_EQ(bound->label(1).text, QString());

    // Before, a window without an identifier took out every colon: "12:30" became "1230".
    auto master = make(8);
    master->iniHideList(true);
    master->setPDF(auxtest::song(QStringLiteral("B"), QString(), QStringLiteral("Break at 12:30")), 1, true, false, 0,
                   nullptr, false);
    EXPECT_EQ(master->label(1).text, QStringLiteral("Break at 12:30"));
}

// With focus on an object window a page-turn pedal did nothing: its keys
// were left to menu shortcuts that do not exist here.
TEST_F(WindowTitleTest, PedalKeysStillTurnPages)
{
    auxtest::Recorder posted(vocab::ActionKey);
    auto window = make(2);
    const QRect before = window->geometry();
    QKeyEvent pageDown = platform::makeQtKeyEvent(platform::keycode::PageDown, 0);
    QCoreApplication::sendEvent(window.get(), &pageDown);
    QKeyEvent space = platform::makeQtKeyEvent(platform::keycode::Space, 0);
    QCoreApplication::sendEvent(window.get(), &space);
    EXPECT_EQ(posted.params, (QList<qint64>{44, 42}));
    EXPECT_EQ(window->geometry(), before);
}

TEST_F(WindowTitleTest, MessagesReachOnlyTheNoteWindow)
{
    auto lead = std::make_shared<WinID>(0);
    lead->idWin = QStringLiteral("Lead");
    lead->defMsg = 1;
    Data::winIDs() = {lead};

    auto note = make(8);
    note->iniMode(1, QStringLiteral("Lead"));
    note->setPDF(auxtest::song(QStringLiteral("A"), QString(), QStringLiteral("Lead: capo 2")), 1, true, false, 0,
                 nullptr, false);
    note->setMsg(QStringLiteral("To all"), QString(), false);
    EXPECT_EQ(note->label(1).text, QStringLiteral("Lead: capo 2"));
    note->setMsg(QStringLiteral("Solo"), QStringLiteral("Lead"), false);
    EXPECT_EQ(note->label(1).text, QStringLiteral("Solo"));
    clock.advance(3.1);
    EXPECT_EQ(note->label(1).text, QStringLiteral("Lead: capo 2"));

    auto title = make(2);
    title->setPDF(auxtest::song(QStringLiteral("A")), 1, true, false, 0, nullptr, false);
    title->setMsg(QStringLiteral("Solo"), QString(), false);
    EXPECT_EQ(title->label(1).text, QStringLiteral("A"));
    EXPECT_FALSE(title->messageTimerActive());
}

TEST_F(WindowTitleTest, NextCueWithItsCountBadge)
{
    auto window = make(13, 600, 60);
    window->iniTypeMetro(0);
    window->refreshCue();
    EXPECT_EQ(window->label(1).text, QStringLiteral("(no next cue)"));

    Data::setGcount(3);
    Data::setGcountTo(0);
    window->updateMetroWithNbTick(1, false, false);
    EXPECT_FALSE(window->boxMetro(3).hidden);
    EXPECT_EQ(window->label(3).text, QStringLiteral("3"));
    const double cueWidth = window->label(1).textWidth();
    EXPECT_DOUBLE_EQ(window->boxMetro(3).frame.x(), std::max(0.0, (600 - cueWidth) / 2 - 58) + 1);
    EXPECT_DOUBLE_EQ(window->boxMetro(3).radius, 29);

    Data::setGcount(12);
    window->updateMetroWithNbTick(2, false, false);
    EXPECT_DOUBLE_EQ(window->label(3).fontSize, 35);

    Data::setGcount(0);
    window->updateMetroWithNbTick(3, false, false);
    EXPECT_TRUE(window->boxMetro(3).hidden);
    EXPECT_TRUE(window->label(3).hidden);
    EXPECT_EQ(window->label(1).text, QStringLiteral("(no next cue)"));
}

TEST_F(WindowTitleTest, TallWindowTurnsItsText)
{
    auto title = make(2, 90, 500);
    EXPECT_TRUE(title->gvertic());
    EXPECT_TRUE(title->label(1).turned);
    EXPECT_DOUBLE_EQ(title->label(1).fontSize, 75);
    EXPECT_EQ(title->label(1).frame, QRectF(90, 0, 500, 90));
    title->iniTypeMetro(0);
    title->setPDF(auxtest::song(QStringLiteral("Angie")), 1, true, false, 0, nullptr, false);
    const QRect ink = auxtest::inkBounds(*title, title->backColor());
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), ink.width()); // the text runs upwards inside the window
    auxtest::resizeTo(*title, 500, 90);
    EXPECT_FALSE(title->gvertic());
    EXPECT_EQ(title->label(1).frame, QRectF(0, 0, 500, 90));

    auto tempo = make(5, 90, 500);
    EXPECT_FALSE(tempo->gvertic());
}

TEST_F(WindowTitleTest, TableOfContentsHidesTheItemWithHideFrame)
{
    auto window = make(2);
    window->setPDF(auxtest::song(QStringLiteral("A")), 1, true, false, 0, nullptr, false);
    window->afficherToc(true);
    EXPECT_FALSE(window->label(1).hidden); // without the option nothing changes
    window->iniHideFrame(true);
    window->afficherToc(true);
    EXPECT_TRUE(window->label(1).hidden);
    EXPECT_TRUE(window->vanished());
    window->afficherToc(false);
    EXPECT_FALSE(window->label(1).hidden);
    EXPECT_FALSE(window->vanished());
}

TEST_F(WindowTitleTest, EveryTypePaintsAtSeveralSizes)
{
    auto song = auxtest::song(QStringLiteral("Angie"), QStringLiteral("Stones"), QStringLiteral("TEMPO 120 3/4 Lead: x"));
    Data::listePiecesFlagged().append(song);
    for (qint64 type : {2, 4, 5, 8, 9, 10, 11, 12, 13, 15, 16}) {
        auto window = make(type);
        window->setPDF(song, 1, true, false, 0, song, false);
        window->iniTypeMetro(2);
        window->updateMetroWithNbTick(1, false, false);
        for (const QSize size : {QSize(600, 90), QSize(90, 500), QSize(24, 16)})
            EXPECT_TRUE(auxtest::rendersAt(*window, size.width(), size.height())) << type;
    }
}

TEST_F(WindowTitleTest, FactoryMakesEveryAuxiliaryType)
{
    for (qint64 type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16}) {
        std::unique_ptr<WindowPDFxSuper> window(windowfactory::create(type));
        ASSERT_NE(window, nullptr) << type;
        EXPECT_EQ(window->winType(), type);
        const bool rightClass = type == 1                 ? dynamic_cast<WindowMini *>(window.get()) != nullptr
                                : type == 3 || type == 6 ? dynamic_cast<WindowTrackTime *>(window.get()) != nullptr
                                : type == 7              ? dynamic_cast<WindowJauge *>(window.get()) != nullptr
                                                         : dynamic_cast<WindowTitle *>(window.get()) != nullptr;
        EXPECT_TRUE(rightClass) << type;
        if (type != 1) {
            EXPECT_EQ(window->windowTitle(), window->obtenirTitle()) << type;
        }
    }
}

} // namespace
