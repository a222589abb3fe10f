#include "platform/Geometry.h"

#include <gtest/gtest.h>

using namespace platform;

// Stored frames count y from the bottom of their container.
TEST(Geometry, BottomLeftRectanglesBecomeTopLeftOnes)
{
    struct Case {
        const char *name;
        QRectF bottomLeft;
        qreal height;
        QRectF topLeft;
    };
    const Case cases[] = {
        {"touching the bottom", QRectF(0, 0, 200, 100), 800, QRectF(0, 700, 200, 100)},
        {"touching the top", QRectF(10, 700, 200, 100), 800, QRectF(10, 0, 200, 100)},
        {"whole container", QRectF(0, 0, 1280, 800), 800, QRectF(0, 0, 1280, 800)},
        {"fractional", QRectF(1.5, 20.25, 3.5, 10.5), 100, QRectF(1.5, 69.25, 3.5, 10.5)},
        {"below the container (a lower screen)", QRectF(0, -600, 100, 300), 800, QRectF(0, 1100, 100, 300)},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(flipY(c.bottomLeft, c.height), c.topLeft) << c.name;
        EXPECT_EQ(flipY(c.topLeft, c.height), c.bottomLeft) << c.name;
    }
}

TEST(Geometry, PointsAndWholePixelsFlipExactly)
{
    EXPECT_EQ(flipY(QPointF(5, 0), 300), QPointF(5, 300));
    EXPECT_EQ(flipY(QPointF(5, 290), 300), QPointF(5, 10));
    // QRect::bottom() is y + height - 1; the flip must not use it.
    EXPECT_EQ(flipY(QRect(0, 0, 10, 10), 100), QRect(0, 90, 10, 10));
    EXPECT_EQ(flipY(flipY(QRect(3, 7, 11, 13), 50), 50), QRect(3, 7, 11, 13));
    EXPECT_EQ(flipY(QPoint(4, 1), 10), QPoint(4, 9));
}
