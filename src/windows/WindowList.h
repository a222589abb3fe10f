#pragma once

#include <QList>

class WindowPDFxSuper;
class WindowPDFx;

// Questions asked of the open document windows (Data::nsMutaryOfWindows) by
// the page display: which Tolvane windows follow the global page and how.
namespace windowlist {

// Some Tolvane window follows the global page in mode 1 or with ratio21.
bool isUneFenetreEstZoomDemiPage();
// Some Tolvane window follows the global page in mode 2.
bool isUneFenetreEstSingleEtSync();
// Some Tolvane window follows the global page in mode 0, 4 or 5.
bool isUneFenetreEstDoubleEtSync();
// Clears keywin on every Tolvane window.
void clearKeyWin();
// The window is a Tolvane window (window type 0).
bool isTolvaneWindow(const WindowPDFxSuper *window);
// The open windows in list order, copied: walking them may open or close one.
QList<WindowPDFxSuper *> openWindows();
// The chord strips bound to a Tolvane window, in list order.
QList<WindowPDFxSuper *> chordStripsOf(const WindowPDFxSuper *tolvane);

} // namespace windowlist
