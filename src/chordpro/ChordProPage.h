#pragma once

#include "chordpro/ChordProStyle.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

class QPainter;

namespace chordpro {

// One laid-out ChordPro page, ready to draw at its size on any paint device:
// filled rectangles (chorus bars, highlights, comment boxes, page-break
// rules) and runs of text placed on their baselines. Coordinates are in the
// device's logical units (points on a page, pixels in a window).
struct ChordProPage {
    struct Fill {
        QRectF rect;
        QColor color;
        Style style;
    };
    struct Run {
        QPointF baseline;   // left end of the baseline
        QString text;
        Style style;
        double pointSize;   // at 72 dpi
        bool mono;
        bool bold;
        QColor color;
        double width;
    };

    QSizeF size;
    QColor background;
    std::vector<Fill> fills;
    std::vector<Run> runs;
    std::vector<QString> lines;  // the page's visual lines as plain text
    std::vector<QRectF> lineBoxes; // where each of those lines lies
    int pageCount = 0;

    bool isEmpty() const { return runs.empty() && fills.empty(); }
    QString plainText() const;
};

// Draws a page with its top-left corner at origin. The background is filled
// unless fillBackground is false (a view that paints its own).
void paintPage(QPainter &painter, const ChordProPage &page, const QPointF &origin = {}, bool fillBackground = true);

} // namespace chordpro
