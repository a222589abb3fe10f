#include "windows/WindowJauge.h"

#include "AuxWindowTestSupport.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "windows/AuxWindowText.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(JaugeBar, GrowsAlongTheLongerSideInsideTheMargin)
{
    EXPECT_EQ(auxwin::jaugeBarRect(400, 40, 25), QRectF(3, 3, 98.5, 34));
    EXPECT_EQ(auxwin::jaugeBarRect(40, 400, 25), QRectF(3, 3, 34, 98.5));
    EXPECT_EQ(auxwin::jaugeBarRect(100, 100, 50), QRectF(3, 3, 94, 47)); // square: the height grows
    EXPECT_EQ(auxwin::jaugeBarRect(400, 40, 100), QRectF(3, 3, 394, 34));
    EXPECT_EQ(auxwin::jaugeBarRect(4, 4, 50), QRectF(3, 3, 0, 0)); // smaller than the margins
}

TEST(JaugeBar, HidesOutsideTheTrack)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(auxwin::jaugePercent(30, 120, false), 25.0);
    EXPECT_EQ(auxwin::jaugePercent(0, 120, false), 0.0);
    EXPECT_EQ(auxwin::jaugePercent(120, 120, false), 100.0);
    EXPECT_FALSE(auxwin::jaugePercent(121, 120, false)); // past the end
    EXPECT_FALSE(auxwin::jaugePercent(-1, 120, false));
    EXPECT_FALSE(auxwin::jaugePercent(10, 0, false));
    EXPECT_FALSE(auxwin::jaugePercent(10, -5, false));
    EXPECT_FALSE(auxwin::jaugePercent(30, 120, true));
    EXPECT_FALSE(auxwin::jaugePercent(nan, 120, false));
    EXPECT_FALSE(auxwin::jaugePercent(10, nan, false));
}

class WindowJaugeTest : public ::testing::Test {
protected:
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
};

TEST_F(WindowJaugeTest, BarFollowsTheTrackAndTheWindowShape)
{
    WindowJauge gauge;
    gauge.windowDidLoad();
    EXPECT_EQ(gauge.obtenirTitle(), QStringLiteral("Object - Progress"));
    auxtest::resizeTo(gauge, 400, 40);
    EXPECT_TRUE(gauge.box2().hidden);
    EXPECT_EQ(gauge.box1().fill, gauge.inactColor());

    gauge.updateItunesInfo(QString(), QString(), 30, 120, false);
    EXPECT_FALSE(gauge.box2().hidden);
    EXPECT_DOUBLE_EQ(gauge.pct(), 25.0);
    EXPECT_EQ(gauge.box2().frame, QRectF(3, 3, 98.5, 34));

    auxtest::resizeTo(gauge, 40, 400);
    EXPECT_EQ(gauge.box2().frame, QRectF(3, 3, 34, 98.5));

    gauge.updateItunesInfo(QString(), QString(), 130, 120, false);
    EXPECT_TRUE(gauge.box2().hidden);
    gauge.updateItunesInfo(QString(), QString(), 60, 120, false);
    EXPECT_FALSE(gauge.box2().hidden);
    gauge.updateItunesInfo(QString(), QString(), 60, 120, true);
    EXPECT_TRUE(gauge.box2().hidden);

    gauge.iniColorForObj(WindowPDFxSuper::kHighColor, Qt::yellow, false);
    gauge.iniColorForObj(WindowPDFxSuper::kInactColor, Qt::darkBlue, false);
    EXPECT_EQ(gauge.box2().fill, QColor(Qt::yellow));
    EXPECT_EQ(gauge.box1().fill, QColor(Qt::darkBlue));
}

TEST_F(WindowJaugeTest, PaintsAtSeveralSizes)
{
    WindowJauge gauge;
    gauge.windowDidLoad();
    gauge.updateItunesInfo(QString(), QString(), 50, 100, false);
    for (const QSize size : {QSize(400, 40), QSize(40, 400), QSize(24, 16)})
        EXPECT_TRUE(auxtest::rendersAt(gauge, size.width(), size.height()));
}

} // namespace
