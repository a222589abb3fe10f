#include "chordpro/ChordProPage.h"

#include <QPaintDevice>
#include <QPainter>
#include <QStringList>

namespace chordpro {

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

    // Layout sizes are at 72 dpi; a device of another resolution scales points.
    const QPaintDevice *device = painter.device();
    const double dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 72.0;
    const double toDevicePoints = 72.0 / dpi;
    QFont current;
    double currentSize = -1;
    bool currentMono = false;
    bool currentBold = false;
    for (const ChordProPage::Run &run : page.runs) {
        if (run.pointSize != currentSize || run.mono != currentMono || run.bold != currentBold) {
            TextStyle style;
            style.mono = run.mono;
            style.bold = run.bold;
            style.pointSize = run.pointSize * toDevicePoints;
            current = style.font();
            painter.setFont(current);
            currentSize = run.pointSize;
            currentMono = run.mono;
            currentBold = run.bold;
        }
        painter.setPen(run.color);
        painter.drawText(run.baseline, run.text);
    }
    painter.restore();
}

} // namespace chordpro
