#include "platform/desktop/PdfPrinting.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>
#include <algorithm>

namespace platform {

namespace {
// Pages are rendered at most at this resolution: a 1200 dpi A4 image would
// take half a gigabyte, and sheet music gains nothing above it.
constexpr double kMaxRenderDpi = 300.0;
} // namespace

bool printPdfFile(const QString &path, QPrinter &printer, int fromPage, int toPage)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() <= 0)
        return false;
    const int first = std::max(fromPage, 1);
    const int last = toPage > 0 ? std::min(toPage, document.pageCount()) : document.pageCount();
    if (first > last)
        return false;

    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            return false;
        const QRectF paper = painter.viewport();
        const QSizeF points = document.pagePointSize(page - 1);
        if (points.isEmpty() || paper.isEmpty())
            continue;
        const bool rotate = (points.width() > points.height()) != (paper.width() > paper.height());
        const QSizeF turned = rotate ? points.transposed() : points;
        const double scale = std::min(paper.width() / turned.width(), paper.height() / turned.height());
        const double renderScale = std::min(scale, kMaxRenderDpi / 72.0);
        const QImage image = document.render(page - 1, (points * renderScale).toSize(), options);
        painter.save();
        painter.translate(paper.center());
        if (rotate)
            painter.rotate(90);
        const QSizeF drawn = points * scale;
        painter.drawImage(QRectF(QPointF(-drawn.width() / 2, -drawn.height() / 2), drawn), image);
        painter.restore();
    }
    return painter.end();
}

} // namespace platform
