#pragma once

#include <QList>
#include <QPointF>
#include <QString>

// How the dimmer over the pages and the on-screen key pad turn clicks,
// scrolls and swipes into commands, as plain values.
namespace gesturerules {

// ---- Hidden click regions ------------------------------------------------------
// The command of a click at (x, y) in a window of width w and height h, y
// growing upward: 69-72 by quarter, or 0 within 30 points of a side edge
// (the click is then handled as a plain click).
int hiddenRegionCode(double x, double y, double w, double h);

// ---- Swipe codes -------------------------------------------------------------------
// "mySwipe" codes: 1-4 horizontal (1 right and 3 left with more upper fingers,
// 2 right and 4 left otherwise), 5 up, 6 down; plus 10 for a long gesture.
inline constexpr int kLongSwipe = 10;

// Direction of a scroll gesture from its summed deltas (y growing upward, as
// the platform's scroll deltas do); 0 when both totals are 1.0 or less.
int scrollSwipeCode(double cumulX, double cumulY);

// One finger of a two-finger swipe, in normalised pad coordinates (0-1, y
// growing upward): where it started and where it ended.
struct FingerTrack {
    QPointF start;
    QPointF end;
};
// 0 for fewer than two fingers or a movement under 0.3 of the pad.
int touchSwipeCode(const QList<FingerTrack> &fingers);

// Seconds without a scroll event after which a scroll that carries no phase
// (X11) counts as ended.
inline constexpr double kScrollIdleEnd = 0.15;

// ---- Key pad ---------------------------------------------------------------------------
// The 62 keys of the on-screen key pad and the "ActionKey" code each posts.
struct PadKey {
    const char *name; // outlet name, e.g. "boutA", "boutCmd1"
    QString title;    // what the key shows
    int code;
};
const QList<PadKey> &padKeys();
// The code a named key posts; -1 for an unknown name.
int padKeyCode(const QString &name);

} // namespace gesturerules
