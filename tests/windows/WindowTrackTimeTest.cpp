#include "windows/WindowTrackTime.h"

#include "AuxWindowTestSupport.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "windows/AuxWindowText.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

struct TimeCase {
    double position;
    double length;
    bool remaining;
    const char *shown;
};

TEST(TrackTimeText, ElapsedAndRemainingTimes)
{
    const TimeCase cases[] = {
        {65.9, 200, false, "  1:05"},
        {600, 700, false, "10:00"},
        {599.99, 700, false, "  9:59"},
        {0, 180, false, "  0:00"},
        {3725, 4000, false, "62:05"},
        {170.2, 180, true, "  0:08"}, // 180 - 170.2 - 1 = 8.8
        {179.5, 180, true, "  0:00"}, // under one second left
        {200, 180, true, "  0:00"},   // past the end
        {10, 700, true, "11:29"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(auxwin::trackTimeText(c.position, c.length, c.remaining), QString::fromUtf8(c.shown))
            << c.position << " of " << c.length;
}

TEST(TrackTimeText, NonsensePositionsReadZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(auxwin::trackTimeText(-5, 100, false), QStringLiteral("  0:00"));
    EXPECT_EQ(auxwin::trackTimeText(nan, 100, false), QStringLiteral("  0:00"));
    EXPECT_EQ(auxwin::trackTimeText(10, nan, true), QStringLiteral("  0:00"));
    EXPECT_EQ(auxwin::miniTrackTimeText(125.7), QStringLiteral("2:05"));
    EXPECT_EQ(auxwin::miniTrackTimeText(-1), QStringLiteral("0:00"));
}

class WindowTrackTimeTest : public ::testing::Test {
protected:
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
};

TEST_F(WindowTrackTimeTest, FollowsTheTrackAndGoesBackToZero)
{
    WindowTrackTime elapsed(3);
    elapsed.windowDidLoad();
    EXPECT_EQ(elapsed.obtenirTitle(), QStringLiteral("Object - Track Time"));
    EXPECT_EQ(elapsed.highColor(), QColor(0, 122, 255));

    elapsed.updateItunesInfo(QStringLiteral("Song"), QStringLiteral("Band"), 65.9, 200, false);
    EXPECT_EQ(elapsed.labelTrackTime().text, QStringLiteral("  1:05"));
    EXPECT_EQ(elapsed.labelTrackTime().color, elapsed.highColor());
    EXPECT_TRUE(elapsed.playing());

    elapsed.updateItunesInfo(QString(), QString(), 0, 0, true);
    EXPECT_EQ(elapsed.labelTrackTime().text, QStringLiteral("  0:00"));
    EXPECT_EQ(elapsed.labelTrackTime().color, elapsed.inactColor());
    EXPECT_FALSE(elapsed.playing());

    WindowTrackTime remaining(6);
    remaining.windowDidLoad();
    EXPECT_EQ(remaining.obtenirTitle(), QStringLiteral("Object - Remaining Track Time"));
    EXPECT_EQ(remaining.highColor(), QColor(236, 68, 69));
    remaining.updateItunesInfo(QString(), QString(), 170.2, 180, false);
    EXPECT_EQ(remaining.labelTrackTime().text, QStringLiteral("  0:08"));
}

TEST_F(WindowTrackTimeTest, FillsTheWindowAndKeepsAnAlignmentItKnows)
{
    WindowTrackTime window(3);
    window.windowDidLoad();
    auxtest::resizeTo(window, 300, 120);
    EXPECT_EQ(window.labelTrackTime().frame, QRectF(0, 0, 300, 120));
    EXPECT_DOUBLE_EQ(window.labelTrackTime().fontSize, 100.0);

    window.iniTypeMetro(2);
    EXPECT_EQ(window.labelTrackTime().alignment, Qt::AlignRight);
    window.iniTypeMetro(5); // not an alignment: the time stays where it was
    EXPECT_EQ(window.labelTrackTime().alignment, Qt::AlignRight);

    window.iniColorForObj(WindowPDFxSuper::kInactColor, Qt::green, false);
    EXPECT_EQ(window.labelTrackTime().color, QColor(Qt::green));
}

TEST_F(WindowTrackTimeTest, PaintsAtSeveralSizes)
{
    for (qint64 type : {3, 6}) {
        WindowTrackTime window(type);
        window.windowDidLoad();
        window.updateItunesInfo(QString(), QString(), 42, 100, false);
        for (const QSize size : {QSize(300, 90), QSize(60, 300), QSize(24, 16)})
            EXPECT_TRUE(auxtest::rendersAt(window, size.width(), size.height())) << type;
    }
}

} // namespace
