#pragma once

#include <QtCore/qnamespace.h>

class QWidget;
class QWindow;

// How the window manager shows the program's windows.
namespace platform {

// Keeps `window` in front of `owner` wherever the window manager puts the
// owner, a full-screen owner included; nullptr unties it. Showing a window
// may clear the tie: set it again once the window is shown.
void setTransientFor(QWindow *window, QWindow *owner);

// Whether a window manager places and frames the window: where it put a
// window just shown is known once the window has moved there.
bool placedByWindowManager(const QWindow *window);

// Changes one flag of a window where it stands. The widget's own
// setWindowFlag hides the window and shows it again: on stage a flash and a
// lost focus, and a window manager may lose a window mapped again at once.
void setWindowFlagInPlace(QWidget *window, Qt::WindowType flag, bool on);

// Above other programs' windows (floating) or among them (normal).
inline void setFloating(QWidget *window, bool on)
{
    setWindowFlagInPlace(window, Qt::WindowStaysOnTopHint, on);
}

} // namespace platform
