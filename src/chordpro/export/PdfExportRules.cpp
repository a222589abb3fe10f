#include "chordpro/export/PdfExportRules.h"

#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cmath>

namespace pdfexport {

QSizeF pageSize(int paper, int orientation)
{
    QSizeF size(612.0, 792.0);
    if (paper == 1)
        size = QSizeF(595.44, 841.68);
    else if (paper == 2)
        size = QSizeF(612.0, 1008.0);
    return orientation != 0 ? size.transposed() : size;
}

double zoomFromPercent(double percent)
{
    if (!(percent >= 50.0))
        return 0.5;
    return percent > 400.0 ? 4.0 : percent / 100.0;
}

double scaleFromPercent(double percent)
{
    if (!(percent >= 50.0))
        return 0.5;
    return percent > 100.0 ? 1.0 : percent / 100.0;
}

Grid diagramGrid(const QSizeF &frame, int chordsLeft)
{
    Grid g;
    const double usable = frame.width() - 2.0;
    g.cols = std::max(0, int(std::floor(usable / kCell)));
    g.rowsFit = std::max(0, int(std::floor(frame.height() / kCell)));
    g.n = std::clamp(chordsLeft, 0, g.cols * g.rowsFit);
    // A single column or row has no gap to share the leftover with.
    if (g.cols > 1)
        g.gx = int((usable - kCell * g.cols) / (g.cols - 1));
    if (g.rowsFit > 1)
        g.gy = int((frame.height() - kCell * g.rowsFit) / (g.rowsFit - 1));
    return g;
}

QRectF cellRect(const Grid &grid, const QSizeF &frame, int i)
{
    const int cols = std::max(1, grid.cols);
    const int row = i / cols;
    const int col = i % cols;
    return QRectF(1.0 + col * (kCell + grid.gx), frame.height() - kCell - row * (kCell + grid.gy), kCell, kCell);
}

double lastStripHeight(int layout, int chordsLeft, const QSizeF &page, double textAreaHeight, double occupied)
{
    const int perRow = int(std::floor(page.width() / kCell));
    int rows = perRow > 0 && chordsLeft > 0 ? (chordsLeft + perRow - 1) / perRow : 0;
    double height = layout == LastPageOnly ? 0.0 : kCell;
    const double used = std::ceil(std::max(0.0, occupied) * textAreaHeight);
    while (rows > 1 || (rows == 1 && layout == LastPageOnly)) {
        const double candidate = height + kCell;
        if (page.height() - used < candidate)
            break;
        height = candidate;
        --rows;
    }
    return height;
}

QTransform printPlacement(double scale, int alignment, const QSizeF &page)
{
    double share = 0.0;
    if (alignment == 0)
        share = (100.0 - 100.0 * scale) / 2.0;
    else if (alignment == 2)
        share = 100.0 - 100.0 * scale;
    QTransform t;
    t.translate(0.0, page.height() * (1.0 - scale));
    t.scale(scale, scale);
    t.translate(share / 100.0 * page.width(), 0.0);
    return t;
}

QStringList chordNames(const QString &listeAccords)
{
    return listeAccords.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString outputFolderProblem(const QString &outputFolder, const QString &libraryFolder)
{
    // Each as the links lead, a name not valid UTF-8 kept.
    const QString out = platform::isFolder(outputFolder) ? platform::fileIdentity(outputFolder) : QString();
    const QString lib = platform::isFolder(libraryFolder) ? platform::fileIdentity(libraryFolder) : QString();
    if (out.isEmpty())
        return QStringLiteral("The folder \"%1\" cannot be found.").arg(outputFolder);
    if (lib.isEmpty())
        return QString();
    if (out == lib)
        return QStringLiteral("Output folder must not be the source folder.");
    if (out.startsWith(lib.endsWith(QLatin1Char('/')) ? lib : lib + QLatin1Char('/')))
        return QStringLiteral("Output folder must not be inside the source folder.");
    return QString();
}

QString closingMessage(bool wroteAny, const QStringList &failures)
{
    constexpr qsizetype kNamed = 10;
    QStringList lines;
    if (!wroteAny)
        lines << QStringLiteral("No file exported!");
    if (!failures.isEmpty()) {
        lines << QStringLiteral("%1 file(s) could not be exported:").arg(failures.size());
        lines += failures.mid(0, kNamed);
        if (failures.size() > kNamed)
            lines << QStringLiteral("and %1 more").arg(failures.size() - kNamed);
    }
    return lines.join(QLatin1Char('\n'));
}

QString withExtension(const QString &fileName, const QString &ext)
{
    const QString suffix = platform::suffix(fileName);
    const QString base = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    return base + QLatin1Char('.') + ext;
}

QString freeOutputPath(const QString &folder, const QString &fileName, const QSet<QString> &writtenThisRun)
{
    QString path = platform::filePath(folder, fileName);
    const QString suffix = platform::suffix(fileName);
    const QString base = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    for (int k = 1; writtenThisRun.contains(path); ++k)
        path = platform::filePath(folder, QStringLiteral("%1_%2%3").arg(base, QString::number(k),
                                                          suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix));
    return path;
}

} // namespace pdfexport
