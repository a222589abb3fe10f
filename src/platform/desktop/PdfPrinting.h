#pragma once

#include "platform/PdfProcess.h"

#include <QSize>
#include <QString>
#include <functional>

class QPrinter;

namespace platform {

// How a PDF page lands on the paper: turned a quarter when its orientation
// differs from the paper's, scaled to fit, centred, and rendered at the
// paper's resolution but never finer than kMaxPrintDpi.
struct PagePlacement {
    bool rotate = false;
    double scale = 0;  // paper pixels per point; 0 when nothing is drawn
    QSize renderSize;  // the page image's pixels, before turning
};
constexpr double kMaxPrintDpi = 300.0;
PagePlacement placePage(const QSizeF &pagePoints, const QSizeF &paperPixels);

// How long the PDF reader's process may take over the document and over a
// page, and what tells it to stop waiting (a quit).
struct PrintLimits {
    int loadMs = 5000;
    int renderMs = 20000;
    std::function<bool()> stopped = [] { return false; };
};

// A PDF read for printing: its bytes and page count, or why it cannot be
// printed (in a few words, empty when it can).
struct PdfToPrint {
    PdfBytes bytes;
    int pages = 0;
    QString why;
};

// The steps of a print, each of which may wait on a file system, the PDF
// reader's process or the print system: never called on the main thread.
// Reads the file and has it loaded in a PDF reader's process of its own.
PdfToPrint readPdfToPrint(const QString &path, const PrintLimits &limits);
// Prints pages fromPage..toPage (1-based; 0 for either means the first or
// last page) of a PDF on a printer already set up: no margins, each page
// placed by placePage. Answers why not, empty once printed.
QString printPdfPages(const PdfBytes &bytes, QPrinter &printer, int fromPage, int toPage, const PrintLimits &limits);

} // namespace platform
