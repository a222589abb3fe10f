#include "chordpro/ChordProPage.h"

#include <QPaintEngine>
#include <QPainter>
#include <QStringList>
#include <cmath>

namespace chordpro {

namespace {

// Well past the factor at which readers start splitting a run into glyphs.
constexpr double kPdfOversize = 10.0;
constexpr double kMaxPdfPixels = 20000.0;

} // namespace

QString ChordProPage::plainText() const
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QLatin1Char('\n');
    }
    return text;
}

void paintPage(QPainter &painter, const ChordProPage &page, const QPointF &origin, bool fillBackground)
{
    painter.save();
    painter.translate(origin);
    if (fillBackground && page.background.isValid())
        painter.fillRect(QRectF(QPointF(0, 0), page.size), page.background);
    for (const ChordProPage::Fill &fill : page.fills)
        painter.fillRect(fill.rect, fill.color);

    // Text engines round a font to whole pixels, so a run drawn at its
    // fractional size comes out wider or narrower than laid out and a split
    // line (a highlight, a comment beside chords) drifts off its chords. Each
    // run is drawn at a whole pixel size and scaled to its exact size.
    //
    // PDF readers rebuild words from where each glyph sits, and take a page of
    // runs whose font is set near its drawn size for one glyph per line. In a
    // PDF the font is therefore set at many times its size and scaled down,
    // which also keeps the advances finer than whole pixels.
    const bool pdf = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf;
    QFont current;
    double currentSize = -1;
    bool currentMono = false;
    bool currentBold = false;
    double scale = 1.0;
    for (const ChordProPage::Run &run : page.runs) {
        if (!(run.pointSize > 0) || !std::isfinite(run.pointSize))
            continue;
        if (run.pointSize != currentSize || run.mono != currentMono || run.bold != currentBold) {
            TextStyle style;
            style.mono = run.mono;
            style.bold = run.bold;
            style.pointSize = run.pointSize;
            current = style.font();
            const int pixels = pdf ? int(std::ceil(std::min(run.pointSize * kPdfOversize, kMaxPdfPixels)))
                                   : int(std::ceil(std::min(run.pointSize, 1.0e5)));
            current.setPixelSize(std::max(1, pixels));
            scale = run.pointSize / std::max(1, pixels);
            painter.setFont(current);
            currentSize = run.pointSize;
            currentMono = run.mono;
            currentBold = run.bold;
        }
        painter.setPen(run.color);
        const QTransform saved = painter.transform();
        painter.translate(run.baseline);
        painter.scale(scale, scale);
        painter.drawText(QPointF(0, 0), run.text);
        painter.setTransform(saved);
    }
    painter.restore();
}

} // namespace chordpro
