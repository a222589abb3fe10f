#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

// Which page each pane of a Tolvane window shows in each display mode, and
// the resize rule that switches modes: plain arithmetic, no window needed.
namespace pageplan {

enum class Source {
    Keep,    // the pane is not reloaded and keeps what it shows
    Empty,   // the pane is emptied
    Current, // a page of the current song
    Next,    // a page of the next song
};

struct Pane {
    Source source = Source::Keep;
    qint64 page = 0;
    QString label; // "page/count", or empty for no label
};

struct Input {
    qint64 mode = 0;          // the effective mode (mode 0 in the Mute genre pages as 4)
    qint64 page = 1;          // P, the window's current page
    qint64 pageCount = 0;     // n, of the document shown
    qint64 fixPageNo = 0;
    bool ratio21 = false;
    bool chordPro = false;    // the current song is laid out as ChordPro pages
    bool hasNext = false;
    qint64 nextPageCount = 0; // 0 while unknown
    qint64 savePageNo1 = 0;   // what the left and right panes hold (modes 4 and 5)
    qint64 savePageNo2 = 0;
};

struct Result {
    Pane left, right, single, zoom;
    qint64 savePageNo1 = 0;
    qint64 savePageNo2 = 0;
    bool inactSet = false;    // the inactive flags below apply
    bool inactAgauche = false;
    bool inactAdroite = false;
};

Result fill(const Input &in);

// "page/count" when count reaches minCount and the page lies within it.
QString pageLabel(qint64 page, qint64 count, qint64 minCount);

// Windows at least this wide (and wider than high) may show two pages.
inline constexpr double kTwoPageMinWidth = 640.0;

struct ResizeDecision {
    qint64 newMode = -1;      // -1: the mode stays
    bool postZoomOut = false; // leaving the half-page band asks the controller to zoom out
    bool refreshOnly = false; // end of a live resize on a wide window that keeps its mode
};
// During a resize.
ResizeDecision resizeRule(double width, double height, qint64 mode, bool singlePageForce);
// At the end of a live resize (never posts zoom-out).
ResizeDecision endResizeRule(double width, double height, qint64 mode, bool singlePageForce);

// The half-page band: a page scaled so that half of it always fits the
// band's height (the width fit, reduced where the band is too low), so the
// top and the bottom half meet or overlap and every row of the page is seen.
// Empty for a page or band without a size.
QSizeF halfPageSize(const QSizeF &page, const QSizeF &band);
// Where that page lies in the band, centred across: the top half puts the
// page's top on the band's top, the bottom half its bottom on the band's bottom.
QRectF halfPageRect(const QSizeF &shown, const QSizeF &band, bool top);

} // namespace pageplan
