#pragma once

#include <QList>
#include <QRectF>
#include <QtGlobal>

// Placement of document windows on a screen by keys and menu commands, as
// plain arithmetic on frames. Frames have their origin at the bottom left,
// y growing upward, in points; the callers convert from and to the windows.
namespace arrangement {

// Left for the menu bar by the full-height placements.
inline constexpr double kMenuBarAllowance = 22.0;
inline constexpr double kSmallStep = 1.0;
inline constexpr double kLargeStep = 10.0;
// Two frames within this many points make one column or row.
inline constexpr double kSimilarTolerance = 5.0;
// A Tolvane window's tab bars take this much of its width when shown.
inline constexpr double kTabBarWidth = 24.0;

// Codes of Data::arrangeWin; 10 and 11 distribute, the rest place one window.
enum Code {
    LeftEdge = 0, RightEdge = 1, TopEdge = 2, BottomEdge = 3, FullWidth = 4, FullHeight = 5,
    FullHeightLeft = 6, FullHeightRight = 7, FullWidthTop = 8, FullWidthBottom = 9,
    DistributeSideBySide = 10, DistributeStacked = 11,
    Up1 = 12, Down1 = 13, Left1 = 14, Right1 = 15, Up10 = 16, Down10 = 17, Left10 = 18, Right10 = 19,
    Taller1 = 20, Shorter1 = 21, Wider1 = 22, Narrower1 = 23, Taller10 = 24, Shorter10 = 25, Wider10 = 26,
    Narrower10 = 27,
};

// Window types whose content may turn with the window's shape.
bool isAutoRotateType(qint64 winType);

// The frame a placement code gives a window W on a screen S (whole frame).
// The distribution codes and codes of 28 or more answer W unchanged.
QRectF placement(int code, const QRectF &w, const QRectF &s, bool autoRotate);

// Side by side: one column (same x and width, different y); one above the
// other: one row (same y and height, different x). Bounds are inclusive.
bool isFenetresSimilaires(const QRectF &a, const QRectF &b, bool horiz);

// One window as the distribution sees it.
struct Item {
    qint64 winType = 0;
    QRectF frame;
    bool onScreen = false; // on the screen being distributed
    bool ongletsVisibles = true;
    bool fullScreen = false;
    bool transparent = false;
    bool hideList = false;
    bool hideFrame = false;
    bool aTraiter = false; // scratch mark
    bool moved = false;    // the frame changed and must be applied
};

struct Distribution {
    // A full-screen Tolvane window stood in the way of companion windows:
    // nothing moved.
    bool blockedByFullScreen = false;
};

// Distributes the windows of one screen (whole frame S) side by side (horiz)
// or one above the other, in list order. Frames of moved items change in place.
Distribution distributeWindows(QList<Item> &items, const QRectF &s, double menuBarHeight, bool horiz);

// A companion window that takes part in a distribution in that direction.
bool isEligibleCompanion(const Item &item, bool horiz);

// Marks the unmarked eligible companions similar to a frame (any screen).
void mettreAtraiterFenetresSimilaires(QList<Item> &items, const QRectF &frame, bool horiz);
// The marked companions similar to the old frame are unmarked and follow
// it: x and width (side by side) or y and height (one above the other).
void traiterFenetresSimilaires(QList<Item> &items, const QRectF &oldFrame, const QRectF &newFrame, bool horiz);

} // namespace arrangement
