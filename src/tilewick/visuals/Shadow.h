#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QPainter;

namespace tilewick {

// A soft shadow cast by a shape: the shape in `color`, blurred by `radius` (about two
// standard deviations) and moved by `offset`.
struct Shadow {
    QColor color;
    qreal radius = 0;
    QPointF offset;

    // Paints the shadow of `shape` (in the painter's coordinates) at the painter's resolution.
    void paint(QPainter& painter, const QPainterPath& shape) const;

    // The blurred shadows kept for repaints, in bytes, and letting go of them all.
    static qsizetype cachedBytes();
    static void releaseCache();
};

} // namespace tilewick
