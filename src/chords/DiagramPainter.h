#pragma once

#include "chords/FretDiagram.h"
#include "chords/PianoDiagram.h"

#include <QColor>

class QPainter;

// Draws a planned chord diagram on any painter: a widget, an image in the
// tests, a PDF page. Text is set in the bundled DejaVu Sans; the marks the
// font lacks (star, lock, pencil) are drawn as shapes.
namespace diagram {

// The colour slots a diagram takes from its window.
struct DiagramColors {
    QColor text = Qt::white;        // slot 0: name, marks, counter
    QColor lines = Qt::gray;        // slot 2: strings, frets, keyboard lines and black keys
    QColor accent = Qt::white;      // slot 3: base fret; piano: the root's dot
    QColor dots = Qt::white;        // slot 4: dots and barre
    QColor background = Qt::black;  // slot 5
    bool autoBlackWhite = false;    // piano: black dots on white keys, white on black
};

void paintFretDiagram(QPainter &painter, const QPointF &origin, const FretPlan &plan, const DiagramColors &colors);
void paintPianoDiagram(QPainter &painter, const QPointF &origin, const PianoPlan &plan, const DiagramColors &colors);

} // namespace diagram
