#pragma once

class QWidget;

// Windows that float over a Tolvane window: the tool and settings windows,
// and the document windows marked always on top. A window manager stacks a
// full-screen window above "always on top" windows that have no tie to it,
// so each is tied to the Tolvane window it serves (a chord strip to its own,
// every other to the key Tolvane window) and stays in front of it while the
// performer works in either. The ties follow the key window as it changes.
namespace floatingwindows {

// From now on every tool or settings window shown is tied, raised and
// activated. Once is enough: later calls do nothing.
void install();

// Ties the window to the Tolvane window it floats over, or unties a
// document window no longer marked always on top.
void tie(QWidget *window);

// Floating level while the program is active, normal level when it is not;
// a document window put back to normal level is ordered front.
void adjustLevels(bool active);

} // namespace floatingwindows
