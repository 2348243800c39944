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

    // The blurred shadows kept for repaints, in bytes; letting go of those not drawn since the
    // last trim, and of them all.
    static qsizetype cachedBytes();
    static void trimCache();
    static void releaseCache();
};

} // namespace tilewick
