#pragma once

#include <QBrush>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace platform {

// Circular corners are quarter circles; continuous corners ease into the straight edges.
enum class CornerStyle { Circular, Continuous };

// A rounded rectangle, the shape behind cards, buttons, chips and tiles.
struct RoundedRect {
    QRectF rect;
    qreal radius = 0;
    CornerStyle style = CornerStyle::Continuous;

    // The outline; the radius is limited to half the shorter side.
    QPainterPath path() const;
    // The same shape moved in by `amount` on every side, its radius shrinking by as much.
    RoundedRect inset(qreal amount) const;

    // Fills the shape.
    void fill(QPainter& painter, const QBrush& brush) const;
    // Draws a border of `lineWidth` inside the shape's edge.
    void strokeInside(QPainter& painter, const QBrush& brush, qreal lineWidth) const;
};

} // namespace platform
