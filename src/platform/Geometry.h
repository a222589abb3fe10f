#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

// Frames and points stored by the program (window frames, zoom rectangles,
// page positions) have their origin at the bottom left with y growing
// upwards; Qt puts the origin at the top left with y growing downwards.
// Every conversion goes through these helpers, given the height of the
// container (the screen, the view or the page) the coordinates live in.
// Each conversion is its own inverse, so there is one function per shape.
namespace platform {

// A point flipped between bottom-left and top-left origins.
inline QPointF flipY(const QPointF &point, qreal containerHeight)
{
    return QPointF(point.x(), containerHeight - point.y());
}

// A rectangle flipped between bottom-left and top-left origins: its top
// edge in one is its bottom edge in the other.
inline QRectF flipY(const QRectF &rect, qreal containerHeight)
{
    return QRectF(rect.x(), containerHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

// Integer versions, exact for whole pixels. QRect's bottom() is one pixel
// short of y + height, so the arithmetic avoids it.
inline QPoint flipY(const QPoint &point, int containerHeight)
{
    return QPoint(point.x(), containerHeight - point.y());
}

inline QRect flipY(const QRect &rect, int containerHeight)
{
    return QRect(rect.x(), containerHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

} // namespace platform
