#include "windows/WindowMini.h"

#include "AuxWindowTestSupport.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "windows/AuxWindowText.h"

#include <gtest/gtest.h>

namespace {

TEST(MiniLayout, SizesEverythingFromTheWindow)
{
    const auxwin::MiniLayout m = auxwin::miniLayout(800, 600);
    EXPECT_EQ(m.tempo, QRectF(200, 249, 400, 102));
    EXPECT_DOUBLE_EQ(m.tempoFont, 80.75);
    EXPECT_DOUBLE_EQ(m.title.y(), 481);
    EXPECT_DOUBLE_EQ(m.title.height(), 90);
    EXPECT_DOUBLE_EQ(m.title.width(), 800);
    EXPECT_DOUBLE_EQ(m.titleFont, 75);
    EXPECT_DOUBLE_EQ(m.artist.height(), 78);
    EXPECT_DOUBLE_EQ(m.artist.y(), 481 - 78 - 78 / 40.0);
    EXPECT_NEAR(m.artistFont, 64.8, 1e-9);
    EXPECT_EQ(m.comment, QRectF(0, 0, 800, 150));
    EXPECT_NEAR(m.commentFont, 54, 1e-9);

    // A wide, low window: the tempo's height follows the width's share instead.
    const auxwin::MiniLayout wide = auxwin::miniLayout(200, 600);
    EXPECT_DOUBLE_EQ(wide.tempo.height(), 38);
}

TEST(MiniLayout, LightsAroundTheTempo)
{
    const QRectF tempo(200, 249, 400, 102);
    const auxwin::LightFrames none{};
    const auto behind = auxwin::miniLightFrames(0, 4, tempo, 800, none);
    EXPECT_EQ(behind[0], tempo);

    const double q = 102 * 38 / 48.0;
    const auto sides = auxwin::miniLightFrames(1, 4, tempo, 800, none);
    EXPECT_EQ(sides[0], QRectF(200 - q, 249 + (102 - q) / 2, q, q));
    EXPECT_EQ(sides[1], QRectF(600, 249 + (102 - q) / 2, q, q));

    const auto row3 = auxwin::miniLightFrames(2, 3, tempo, 800, none);
    EXPECT_EQ(row3[0], QRectF((800 - 3 * 102) / 2.0, 147, 102, 102));
    EXPECT_EQ(row3[2], QRectF((800 - 3 * 102) / 2.0 + 204, 147, 102, 102));
    const auto row4 = auxwin::miniLightFrames(2, 0, tempo, 800, none); // unknown signature: four
    EXPECT_EQ(row4[0].x(), (800 - 4 * 102) / 2.0);

    const auto kept = auxwin::miniLightFrames(3, 4, tempo, 800, sides);
    EXPECT_EQ(kept, sides);
}

class WindowMiniTest : public ::testing::Test {
protected:
    void TearDown() override { Data::winIDs().clear(); }
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
};

TEST_F(WindowMiniTest, ShowsTheSongAndTheTrackInPlaceOfTheTempo)
{
    WindowMini window;
    window.windowDidLoad();
    auxtest::resizeTo(window, 800, 600);
    EXPECT_EQ(window.labelTempo().frame, QRectF(200, 249, 400, 102));
    EXPECT_EQ(window.labelTitle().frame.y(), 481);

    auto song = auxtest::song(QStringLiteral("Angie"), QStringLiteral("Stones"), QStringLiteral("TEMPO 120 4/4"));
    window.setPDF(song, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window.labelTitle().text, QStringLiteral("Angie"));
    EXPECT_EQ(window.labelArtist().text, QStringLiteral("Stones"));
    EXPECT_EQ(window.labelTempo().text, QStringLiteral("120"));
    EXPECT_EQ(window.labelTempo().color, window.actColor());
    EXPECT_EQ(window.labelRep1().text, QStringLiteral("Master"));
    EXPECT_EQ(window.obtenirTitle(), QStringLiteral("Summary Window - Master"));

    window.updateItunesInfo(QString(), QString(), 125.7, 300, false);
    EXPECT_EQ(window.labelTrackTime().text, QStringLiteral("2:05"));
    EXPECT_FALSE(window.labelTrackTime().hidden);
    EXPECT_TRUE(window.labelTempo().hidden);
    window.updateItunesInfo(QString(), QString(), 0, 0, true);
    EXPECT_TRUE(window.labelTrackTime().hidden);
    EXPECT_FALSE(window.labelTempo().hidden);

    auto noTempo = auxtest::song(QStringLiteral("Free"));
    window.setPDF(noTempo, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window.labelTempo().text, QStringLiteral("100"));
    EXPECT_EQ(window.labelTempo().color, window.inactColor());
}

TEST_F(WindowMiniTest, LightsInThreeFourAndAlternating)
{
    WindowMini window;
    window.windowDidLoad();
    auxtest::resizeTo(window, 800, 600);
    window.iniTypeMetro(2);
    auto song = auxtest::song(QStringLiteral("Waltz"), QString(), QStringLiteral("TEMPO 90 3/4"));
    window.setPDF(song, 1, true, false, 0, nullptr, false);
    window.updateMetroWithNbTick(0, true, true);
    EXPECT_EQ(window.boxMetro(1).frame, QRectF((800 - 3 * 102) / 2.0, 147, 102, 102));

    window.updateMetroWithNbTick(1, false, false);
    EXPECT_FALSE(window.boxMetro(1).hidden);
    EXPECT_EQ(window.boxMetro(1).fill, window.highColor());
    EXPECT_FALSE(window.labelMetro(1).hidden);
    EXPECT_EQ(window.labelMetro(1).text, QStringLiteral("1"));
    window.updateMetroWithNbTick(1, true, false);
    EXPECT_TRUE(window.boxMetro(1).hidden);
    EXPECT_TRUE(window.labelMetro(1).hidden);
    window.updateMetroWithNbTick(3, false, false);
    EXPECT_FALSE(window.boxMetro(3).hidden);

    window.iniTypeMetro(1);
    window.updateMetroWithNbTick(1, false, false);
    EXPECT_FALSE(window.boxMetro(1).hidden);
    EXPECT_TRUE(window.boxMetro(2).hidden);
    EXPECT_EQ(window.boxMetro(1).fill, window.metroColor());
    window.updateMetroWithNbTick(2, true, false);
    window.updateMetroWithNbTick(2, false, false);
    EXPECT_TRUE(window.boxMetro(1).hidden);
    EXPECT_FALSE(window.boxMetro(2).hidden);
    EXPECT_TRUE(window.labelMetro(2).hidden);
}

TEST_F(WindowMiniTest, MessagesReplaceTheNoteForAWhile)
{
    auto lead = std::make_shared<WinID>(0);
    lead->idWin = QStringLiteral("Lead");
    lead->defMsg = 1;
    Data::winIDs() = {lead};

    WindowMini window;
    window.windowDidLoad();
    window.iniMode(1, QStringLiteral("Lead"));
    auto song = auxtest::song(QStringLiteral("Angie"), QString(), QStringLiteral("Lead: capo 2"));
    window.setPDF(song, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Lead: capo 2"));

    window.setMsg(QStringLiteral("To all"), QString(), false);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Lead: capo 2"));
    window.setMsg(QStringLiteral("Solo next"), QStringLiteral("Lead"), false);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Solo next"));
    clock.advance(3.1);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Lead: capo 2"));

    window.setMsg(QStringLiteral("Stay"), QStringLiteral("Lead"), true);
    clock.advance(10);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Stay"));
    window.setMsg(QString(), QStringLiteral("Lead"), false);
    EXPECT_EQ(window.labelComment().text, QStringLiteral("Lead: capo 2"));
}

TEST_F(WindowMiniTest, PaintsAtSeveralSizes)
{
    WindowMini window;
    window.windowDidLoad();
    auto song = auxtest::song(QStringLiteral("Angie"), QStringLiteral("Stones"), QStringLiteral("TEMPO 120 3/4"));
    window.setPDF(song, 1, true, false, 0, nullptr, false);
    window.iniTypeMetro(2);
    window.updateMetroWithNbTick(1, false, false);
    for (const QSize size : {QSize(800, 600), QSize(200, 700), QSize(24, 16)})
        EXPECT_TRUE(auxtest::rendersAt(window, size.width(), size.height()));
}

} // namespace
