#include "platform/desktop/PdfPrinting.h"

#include "platform/PdfProcess.h"
#include "platform/RegularFile.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace platform {

namespace {

// The document's number in a reader's process that holds only it.
constexpr quint32 kDocument = 1;

QString readerProblem(PdfProcess::Outcome outcome)
{
    switch (outcome) {
    case PdfProcess::Outcome::Done: break;
    case PdfProcess::Outcome::Damaged: return QStringLiteral("it is damaged or not a PDF file");
    case PdfProcess::Outcome::NeedsPassword: return QStringLiteral("it needs a password");
    case PdfProcess::Outcome::GivenUp:
    case PdfProcess::Outcome::Interrupted: return QStringLiteral("the PDF reader gives up on it");
    case PdfProcess::Outcome::OutOfMemory: return QStringLiteral("it needs more memory than the PDF reader may take");
    case PdfProcess::Outcome::Unavailable: return QStringLiteral("the PDF reader does not start");
    case PdfProcess::Outcome::Killed:
    case PdfProcess::Outcome::Stalled: return QStringLiteral("the PDF reader was stopped");
    }
    return QString();
}

QString readProblem(const FileBytes &file)
{
    switch (file.status) {
    case FileStatus::Ok: break;
    case FileStatus::Missing: return QStringLiteral("it is not there");
    case FileStatus::NotRegular: return QStringLiteral("it is not a file");
    case FileStatus::Unreadable: return QStringLiteral("it cannot be read (%1)").arg(file.error);
    case FileStatus::TooLarge: return QStringLiteral("it is too large");
    }
    return QString();
}

// The document loaded, or why not; an empty one cannot be printed either.
QString loadProblem(const PdfProcess::Loaded &loaded)
{
    if (loaded.outcome == PdfProcess::Outcome::Done && loaded.pageCount == 0)
        return readerProblem(PdfProcess::Outcome::Damaged);
    return readerProblem(loaded.outcome);
}

} // namespace

PagePlacement placePage(const QSizeF &pagePoints, const QSizeF &paperPixels)
{
    PagePlacement place;
    if (pagePoints.isEmpty() || paperPixels.isEmpty())
        return place;
    place.rotate = (pagePoints.width() > pagePoints.height()) != (paperPixels.width() > paperPixels.height());
    const QSizeF turned = place.rotate ? pagePoints.transposed() : pagePoints;
    place.scale = std::min(paperPixels.width() / turned.width(), paperPixels.height() / turned.height());
    // A 1200 dpi A4 image would take half a gigabyte, and sheet music gains nothing above the cap.
    const double renderScale = std::min(place.scale, kMaxPrintDpi / 72.0);
    place.renderSize = (pagePoints * renderScale).toSize().expandedTo(QSize(1, 1));
    return place;
}

PdfToPrint readPdfToPrint(const QString &path, const PrintLimits &limits)
{
    PdfToPrint pdf;
    FileBytes file;
    PdfBytes bytes = PdfBytes::readFile(path, PdfProcess::kMaxDocumentBytes, file);
    if (pdf.why = readProblem(file); !pdf.why.isEmpty())
        return pdf;
    PdfProcess reader(limits.stopped);
    const PdfProcess::Loaded loaded = reader.load(kDocument, bytes, limits.loadMs, 0);
    if (pdf.why = loadProblem(loaded); !pdf.why.isEmpty())
        return pdf;
    pdf.bytes = std::move(bytes);
    pdf.pages = loaded.pageCount;
    return pdf;
}

QString printPdfPages(const PdfBytes &bytes, QPrinter &printer, int fromPage, int toPage, const PrintLimits &limits)
{
    // A reader of its own: the one that counted the pages ended while the print dialog was up.
    PdfProcess reader(limits.stopped);
    const PdfProcess::Loaded loaded = reader.load(kDocument, bytes, limits.loadMs);
    if (QString why = loadProblem(loaded); !why.isEmpty())
        return why;
    const int count = loaded.pageCount;
    const int first = std::max(fromPage, 1);
    const int last = toPage > 0 ? std::min(toPage, count) : count;
    if (first > last)
        return QStringLiteral("it has no such pages");

    const QString refused = QStringLiteral("the printer does not take it");
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&printer))
        return refused;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            return refused;
        const PagePlacement place = placePage(loaded.pageSizes[page - 1], painter.viewport().size());
        if (place.scale <= 0)
            continue;
        const PdfProcess::Rendered rendered = reader.render(kDocument, page - 1, place.renderSize, limits.renderMs, true);
        if (rendered.outcome != PdfProcess::Outcome::Done) {
            // Honoured by the print systems that can take back what they were given.
            printer.abort();
            return readerProblem(rendered.outcome);
        }
        painter.save();
        painter.translate(painter.viewport().center());
        if (place.rotate)
            painter.rotate(90);
        const QSizeF drawn = loaded.pageSizes[page - 1] * place.scale;
        painter.drawImage(QRectF(QPointF(-drawn.width() / 2, -drawn.height() / 2), drawn), rendered.image);
        painter.restore();
    }
    return painter.end() ? QString() : refused;
}

} // namespace platform
