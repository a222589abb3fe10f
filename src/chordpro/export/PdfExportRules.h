#pragma once

#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>

// The arithmetic of the ChordPro-to-PDF export, free of any window: paper,
// diagram grids, the strip under the last page, print placement, version
// files and output names. Sizes are in points with the origin at the bottom
// left, as the export's frames are stored.
namespace pdfexport {

// One chord diagram cell, and one strip row.
inline constexpr double kCell = 94.0;
// The strip's foot above the page's bottom edge, and the text area's foot
// when a strip runs under every page.
inline constexpr double kStripY = 1.0;
inline constexpr double kTextY = 95.0;

// Diagram layouts of the export window.
enum Layout { StripContinued = 0, LastPageOnly = 1, StripRestarted = 2, StripPairs = 3, ExtraPagesOnly = 4, NoDiagrams = 5 };

// Paper index 1 A4, 2 Legal, anything else Letter; orientation other than 0
// swaps the sides.
QSizeF pageSize(int paper, int orientation);

// The typed percentages of the zoom and print-scale inputs, clamped.
double zoomFromPercent(double percent);
double scaleFromPercent(double percent);

// Where n diagrams go in a frame: cols by rowsFit cells from the top-left
// corner, gx and gy whole points between them (0 when there is one column
// or row).
struct Grid {
    int cols = 0;
    int rowsFit = 0;
    int n = 0;
    int gx = 0;
    int gy = 0;
};
Grid diagramGrid(const QSizeF &frame, int chordsLeft);
// Cell i's frame in the frame's own bottom-left coordinates.
QRectF cellRect(const Grid &grid, const QSizeF &frame, int i);

// The strip height on the last page: it grows a row at a time while rows of
// chords remain and the page has room under the text (occupied: the share of
// the text area the text uses). Layout 1 starts with no strip.
double lastStripHeight(int layout, int chordsLeft, const QSizeF &page, double textAreaHeight, double occupied);

// Where the print scale puts a page drawn in top-left coordinates: scaled by
// scale and shifted right (alignment 0 centred, 2 right, 1 left) by a share
// of the page width measured in the scaled coordinates, its foot kept on the
// paper's foot.
QTransform printPlacement(double scale, int alignment, const QSizeF &page);

// The song's chord names in order, empty items dropped.
QStringList chordNames(const QString &listeAccords);

// Why a chosen export folder cannot take the exports ("" when it can): the
// library folder itself, or a folder inside it, whose scan would list them.
QString outputFolderProblem(const QString &outputFolder, const QString &libraryFolder);

// The name a file gets in the export folder: fileName unless a file of this
// run already took it, then "name_1.ext", "name_2.ext"...
QString freeOutputPath(const QString &folder, const QString &fileName, const QSet<QString> &writtenThisRun);

// The message that closes an export ("" when there is nothing to say):
// "No file exported!" when nothing was written, then the count of failures
// and the first ten of them by name.
QString closingMessage(bool wroteAny, const QStringList &failures);

// fileName with the extension ext in place of its own.
QString withExtension(const QString &fileName, const QString &ext);

} // namespace pdfexport
