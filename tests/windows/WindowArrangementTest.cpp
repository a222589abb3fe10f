#include "windows/WindowArrangement.h"

#include <gtest/gtest.h>

using namespace arrangement;

namespace {

const QRectF kScreen(0, 0, 1920, 1080);

Item tolvane(const QRectF &frame, bool tabs = true)
{
    Item it;
    it.winType = 0;
    it.frame = frame;
    it.onScreen = true;
    it.ongletsVisibles = tabs;
    return it;
}

Item companion(qint64 type, const QRectF &frame)
{
    Item it;
    it.winType = type;
    it.frame = frame;
    it.onScreen = true;
    return it;
}

} // namespace

TEST(WindowArrangement, PlacementCodes)
{
    const QRectF s(100, 50, 1000, 800);
    const QRectF w(300, 200, 400, 300);
    struct Row {
        int code;
        QRectF expected;
    };
    const Row rows[] = {
        {LeftEdge, {100, 200, 400, 300}},       {RightEdge, {700, 200, 400, 300}},
        {TopEdge, {300, 550, 400, 300}},        {BottomEdge, {300, 50, 400, 300}},
        {FullWidth, {100, 200, 1000, 300}},     {FullHeight, {300, 50, 400, 778}},
        {FullHeightLeft, {100, 50, 400, 778}},  {FullHeightRight, {700, 50, 400, 778}},
        {FullWidthTop, {100, 550, 1000, 300}},  {FullWidthBottom, {100, 50, 1000, 300}},
        {DistributeSideBySide, w},              {DistributeStacked, w},
        {Up1, {300, 201, 400, 300}},            {Down1, {300, 199, 400, 300}},
        {Left1, {299, 200, 400, 300}},          {Right1, {301, 200, 400, 300}},
        {Up10, {300, 210, 400, 300}},           {Down10, {300, 190, 400, 300}},
        {Left10, {290, 200, 400, 300}},         {Right10, {310, 200, 400, 300}},
        {Taller1, {300, 200, 400, 301}},        {Shorter1, {300, 200, 400, 299}},
        {Wider1, {300, 200, 401, 300}},         {Narrower1, {300, 200, 399, 300}},
        {Taller10, {300, 200, 400, 310}},       {Shorter10, {300, 200, 400, 290}},
        {Wider10, {300, 200, 410, 300}},        {Narrower10, {300, 200, 390, 300}},
        {28, w},                                {99, w},
    };
    for (const Row &r : rows)
        EXPECT_EQ(placement(r.code, w, s, false), r.expected) << "code " << r.code;
}

TEST(WindowArrangement, TurningWindowsBecomeSquareBeforeStretching)
{
    const QRectF s(0, 0, 1000, 800);
    const QRectF wide(300, 200, 400, 100);
    EXPECT_EQ(placement(FullHeightLeft, wide, s, true), QRectF(0, 0, 100, 778));
    EXPECT_EQ(placement(FullHeightRight, wide, s, true), QRectF(900, 0, 100, 778));
    EXPECT_EQ(placement(FullHeightLeft, wide, s, false), QRectF(0, 0, 400, 778));
    const QRectF tall(300, 200, 100, 400);
    EXPECT_EQ(placement(FullWidthTop, tall, s, true), QRectF(0, 700, 1000, 100));
    EXPECT_EQ(placement(FullWidthBottom, tall, s, true), QRectF(0, 0, 1000, 100));

    for (qint64 type : {2, 4, 7, 8, 10, 11, 13, 14, 15})
        EXPECT_TRUE(isAutoRotateType(type)) << type;
    for (qint64 type : {0, 1, 3, 5, 6, 9, 12, 16})
        EXPECT_FALSE(isAutoRotateType(type)) << type;
}

TEST(WindowArrangement, SimilarFramesMakeAColumnOrARowWithinFivePoints)
{
    EXPECT_TRUE(isFenetresSimilaires({0, 0, 100, 50}, {5, 60, 105, 50}, true));
    EXPECT_FALSE(isFenetresSimilaires({0, 0, 100, 50}, {6, 60, 100, 50}, true));
    EXPECT_FALSE(isFenetresSimilaires({0, 0, 100, 50}, {0, 0, 100, 80}, true)); // same y: not a column
    EXPECT_TRUE(isFenetresSimilaires({0, 0, 100, 50}, {200, 5, 80, 55}, false));
    EXPECT_FALSE(isFenetresSimilaires({0, 0, 100, 50}, {200, 0, 80, 56}, false));
    EXPECT_FALSE(isFenetresSimilaires({0, 0, 100, 50}, {0, 3, 80, 50}, false)); // same x: not a row
}

TEST(WindowArrangement, ThreeTolvaneWindowsWithTabBarsShareTheWidth)
{
    QList<Item> items{tolvane({50, 100, 500, 700}), tolvane({400, 100, 800, 700}), tolvane({900, 0, 300, 300})};
    ASSERT_FALSE(distributeWindows(items, kScreen, 0.0, true).blockedByFullScreen);
    const double xs[] = {0, 664, 1328};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i].frame.x(), xs[i]);
        EXPECT_EQ(items[i].frame.width(), 664);
        EXPECT_TRUE(items[i].moved);
    }
    EXPECT_EQ(items[2].frame.y(), 0); // y and height stay
    EXPECT_EQ(items[2].frame.height(), 300);
}

TEST(WindowArrangement, TolvaneWindowsWithoutTabBarsOverlapByOneBar)
{
    QList<Item> items{tolvane({0, 0, 500, 700}, false), tolvane({600, 0, 500, 700}, false)};
    distributeWindows(items, kScreen, 0.0, true);
    EXPECT_EQ(items[0].frame, QRectF(0, 0, 960, 700));
    EXPECT_EQ(items[1].frame, QRectF(936, 0, 960, 700));

    QList<Item> three{tolvane({0, 0, 500, 700}, false), tolvane({10, 0, 500, 700}, false),
                      tolvane({20, 0, 500, 700}, false)};
    distributeWindows(three, kScreen, 0.0, true);
    EXPECT_EQ(three[0].frame.x(), 0);
    EXPECT_EQ(three[1].frame.x(), 640 - 24);
    EXPECT_EQ(three[2].frame.x(), 640 - 24 + 640 - 24);
}

TEST(WindowArrangement, StackedStripsGoAboveAndBelowTheTolvaneWindows)
{
    QList<Item> items{
        companion(2, {300, 800, 600, 60}), // upper half: on top
        tolvane({0, 300, 1000, 500}),
        companion(5, {100, 100, 500, 40}), // lower half: bottom edge
        companion(16, {700, 100, 500, 40}), // same row as the one before: follows it, not counted
    };
    distributeWindows(items, kScreen, 0.0, false);
    EXPECT_EQ(items[2].frame, QRectF(100, 0, 500, 40));
    EXPECT_EQ(items[3].frame, QRectF(700, 0, 500, 40));
    // 1080 - 60 - 40: the follower's height is not taken twice.
    EXPECT_EQ(items[1].frame, QRectF(0, 40, 1000, 980));
    EXPECT_EQ(items[0].frame, QRectF(300, 1020, 600, 60));
}

TEST(WindowArrangement, CompanionsBesideTolvaneWindowsAndTheirFollowers)
{
    QList<Item> items{
        companion(3, {1700, 0, 200, 500}), // right half: after the Tolvane windows
        companion(7, {1702, 600, 203, 400}), // same column: follows, not counted
        tolvane({0, 0, 500, 700}),
        companion(2, {100, 0, 100, 300}),  // left half: first
        companion(1, {50, 0, 300, 100}),   // wider than high: no part side by side
    };
    distributeWindows(items, kScreen, 0.0, true);
    EXPECT_EQ(items[3].frame.x(), 0);
    EXPECT_EQ(items[2].frame, QRectF(100, 0, 1920 - 300 - 48 + 48, 700));
    EXPECT_EQ(items[0].frame.x(), 1720);
    EXPECT_EQ(items[1].frame.x(), 1720);
    EXPECT_EQ(items[1].frame.width(), 200);
    EXPECT_EQ(items[1].frame.y(), 600);
    EXPECT_FALSE(items[4].moved);
}

TEST(WindowArrangement, IneligibleAndOffScreenWindowsStay)
{
    Item clear = companion(3, {1500, 0, 100, 500});
    clear.transparent = true;
    Item noFrame = companion(3, {1600, 0, 100, 500});
    noFrame.hideFrame = true;
    Item listless = companion(8, {1700, 0, 100, 500});
    listless.hideList = true;
    Item elsewhere = tolvane({3000, 0, 500, 500});
    elsewhere.onScreen = false;
    QList<Item> items{clear, noFrame, listless, elsewhere, tolvane({0, 0, 500, 500})};
    distributeWindows(items, kScreen, 0.0, true);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(items[i].moved) << i;
    EXPECT_EQ(items[4].frame.width(), 1920); // (1920 - 48) / 1 + 48
}

TEST(WindowArrangement, FullScreenTolvaneWindowBlocksCompanionsOnly)
{
    Item full = tolvane({0, 0, 1920, 1080});
    full.fullScreen = true;
    QList<Item> blocked{full, companion(3, {1700, 0, 200, 500})};
    EXPECT_TRUE(distributeWindows(blocked, kScreen, 22.0, true).blockedByFullScreen);
    EXPECT_FALSE(blocked[1].moved);

    // Alone it counts in N but is not moved, and the menu bar is not left free.
    QList<Item> alone{full, tolvane({0, 0, 400, 400})};
    EXPECT_FALSE(distributeWindows(alone, kScreen, 22.0, false).blockedByFullScreen);
    EXPECT_FALSE(alone[0].moved);
    EXPECT_EQ(alone[1].frame, QRectF(0, 0, 400, 1080));
}

TEST(WindowArrangement, NoTolvaneWindowPlacesOnlyCompanions)
{
    QList<Item> items{companion(3, {1000, 0, 200, 500}), companion(6, {100, 0, 300, 500})};
    distributeWindows(items, kScreen, 0.0, true);
    EXPECT_EQ(items[1].frame.x(), 0);
    EXPECT_EQ(items[0].frame.x(), 300);
}
