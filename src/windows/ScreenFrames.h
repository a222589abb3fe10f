#pragma once

#include <QList>
#include <QRectF>

class QScreen;
class QWidget;

// Screens and window frames as the screen sets and the window arrangement
// see them: screens in the application's screen list (index = position),
// frames with their origin at the bottom left of the primary screen, y
// growing upward, in points.
namespace screenframes {

// No window is made smaller than this, whatever a stored or computed frame says.
inline constexpr double kMinimumSize = 20.0;

QList<QScreen *> screens();
// The screen's index in the screen list, -1 when it is not there.
int screenNo(const QScreen *screen);
// The screen at an index; nullptr outside the list.
QScreen *screenAt(qint64 index);
// The screen holding most of the window; nullptr when it lies on none.
QScreen *screenOf(const QWidget *window);

// The screen's whole frame and its frame less the menu bar and panels;
// empty for no screen.
QRectF wholeFrame(const QScreen *screen);
QRectF visibleFrame(const QScreen *screen);

// The window's frame, title bar included when it has one.
QRectF frameOf(const QWidget *window);
// Sets the window's frame. A frame of zero or negative size (a failed
// screen lookup, a damaged stored layout) leaves the window where it was
// and answers false; a small one grows to kMinimumSize.
bool setFrame(QWidget *window, const QRectF &frame);

// Into or out of full screen.
void toggleFullScreen(QWidget *window);
// Full screen on the given screen, also for a window already full screen
// elsewhere: it leaves full screen, moves onto the screen's frame, then
// enters full screen there.
void showFullScreenOn(QWidget *window, QScreen *screen);

} // namespace screenframes
