#include "chords/DiagramPainter.h"

#include "platform/Fonts.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace diagram {

namespace {

constexpr double kCornerRadius = 10.0;

QFont textFont(double pixelSize)
{
    QFont font(platform::sansFamily());
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void drawText(QPainter &p, const QRectF &rect, const QString &text, double size, const QColor &color,
              Qt::Alignment align = Qt::AlignCenter)
{
    if (text.isEmpty())
        return;
    p.setFont(textFont(size));
    p.setPen(color);
    p.drawText(rect, int(align) | Qt::TextSingleLine, text);
}

void drawStar(QPainter &p, const QRectF &r, const QColor &color)
{
    QPainterPath path;
    const QPointF c = r.center();
    const double outer = std::min(r.width(), r.height()) / 2;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? outer * 0.42 : outer;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    p.fillPath(path, color);
}

void drawLock(QPainter &p, const QRectF &r, const QColor &color)
{
    const double s = std::min(r.width(), r.height());
    const QRectF body(r.center().x() - s * 0.35, r.top() + s * 0.45, s * 0.7, s * 0.5);
    p.setPen(QPen(color, s * 0.12));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(body.left() + s * 0.12, r.top() + s * 0.08, body.width() - s * 0.24, s * 0.6), 0, 180 * 16);
    p.fillRect(body, color);
}

void drawPencil(QPainter &p, const QRectF &r, const QColor &color)
{
    const double s = std::min(r.width(), r.height());
    p.save();
    p.translate(r.center());
    p.rotate(-45);
    QPainterPath path;
    path.addRect(QRectF(-s * 0.32, -s * 0.1, s * 0.55, s * 0.2));
    path.moveTo(s * 0.26, -s * 0.1);
    path.lineTo(s * 0.45, 0);
    path.lineTo(s * 0.26, s * 0.1);
    path.closeSubpath();
    p.fillPath(path, color);
    p.restore();
}

void drawChevron(QPainter &p, const QRectF &r, bool left, const QColor &color)
{
    const double s = std::min(r.width(), r.height()) * 0.45;
    const QPointF c = r.center();
    const double dx = left ? s * 0.3 : -s * 0.3;
    QPainterPath path;
    path.moveTo(c.x() + dx, c.y() - s / 2);
    path.lineTo(c.x() - dx, c.y());
    path.lineTo(c.x() + dx, c.y() + s / 2);
    p.setPen(QPen(color, std::max(1.0, s * 0.16), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// Every diagram: drawn from the origin, antialiased, on a rounded background.
void beginDiagram(QPainter &p, const QPointF &origin, const QSizeF &size, const QColor &color)
{
    p.save();
    p.translate(origin);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(), size), kCornerRadius, kCornerRadius);
    p.fillPath(path, color);
}

} // namespace

void paintFretDiagram(QPainter &p, const QPointF &origin, const FretPlan &plan, const DiagramColors &colors)
{
    beginDiagram(p, origin, plan.size, colors.background);

    const double line = std::max(1.0, plan.textSize * 0.07);
    p.setPen(QPen(colors.lines, line, Qt::SolidLine, Qt::FlatCap));
    for (const FretColumn &c : plan.columns)
        if (c.shown)
            p.drawLine(c.string);
    for (int i = 0; i < plan.frets.size(); ++i) {
        if (i == 0 && !plan.nutShown)
            continue;
        p.setPen(QPen(colors.lines, i == 0 ? line * 3 : line, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(plan.frets.at(i));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(colors.dots);
    for (const FretColumn &c : plan.columns)
        if (c.dot)
            p.drawEllipse(*c.dot);
    if (plan.barre)
        p.drawRoundedRect(*plan.barre, plan.barre->height() / 2, plan.barre->height() / 2);

    const double markPen = std::max(1.0, plan.markSize * 0.14);
    for (const FretColumn &c : plan.columns) {
        const QRectF m = c.markRect.adjusted(c.markRect.width() * 0.18, c.markRect.height() * 0.18,
                                             -c.markRect.width() * 0.18, -c.markRect.height() * 0.18);
        p.setPen(QPen(colors.text, markPen));
        p.setBrush(Qt::NoBrush);
        if (c.mark == OpenMark::Open) {
            p.drawEllipse(m);
        } else if (c.mark == OpenMark::Muted) {
            p.drawLine(m.topLeft(), m.bottomRight());
            p.drawLine(m.topRight(), m.bottomLeft());
        }
    }

    drawText(p, plan.nameRect, plan.name, plan.textSize * 1.25, colors.text);
    drawText(p, plan.baseFretRect, plan.baseFret, plan.textSize * 0.9, colors.accent, Qt::AlignRight | Qt::AlignVCenter);
    if (plan.star)
        drawStar(p, plan.starRect, colors.text);
    if (plan.editMark == EditMark::Lock)
        drawLock(p, plan.editRect, colors.text);
    else if (plan.editMark == EditMark::Pencil)
        drawPencil(p, plan.editRect, colors.text);
    p.restore();
}

void paintPianoDiagram(QPainter &p, const QPointF &origin, const PianoPlan &plan, const DiagramColors &colors)
{
    beginDiagram(p, origin, plan.size, colors.background);

    const double line = std::max(1.0, plan.textSize * 0.06);
    p.setPen(QPen(colors.lines, line));
    p.setBrush(Qt::NoBrush);
    for (const QRectF &key : plan.whiteKeys)
        p.drawRect(key);
    p.setPen(Qt::NoPen);
    p.setBrush(colors.lines);
    for (const QRectF &key : plan.blackKeys)
        p.drawRect(key);

    for (const PianoDot &d : plan.dots) {
        QColor fill = d.root ? colors.accent : colors.dots;
        if (colors.autoBlackWhite)
            fill = d.onBlackKey ? QColor(Qt::white) : QColor(Qt::black);
        p.setBrush(fill);
        p.drawEllipse(d.rect);
    }

    drawText(p, plan.nameRect, plan.name, plan.textSize * 1.1, colors.text);
    if (plan.arrows) {
        drawText(p, plan.counterRect, plan.counter, plan.textSize * 0.9, colors.text);
        drawChevron(p, plan.previousRect, true, colors.text);
        drawChevron(p, plan.nextRect, false, colors.text);
    }
    p.restore();
}

} // namespace diagram
