#pragma once

#include <QRectF>

#include <functional>

class QPainter;

namespace tilewick {

// Device pixels per point of the painter's current transform.
qreal deviceScale(const QPainter& painter);

// Draws `draw` as one group at `opacity`: overlapping parts (a fill and the border or label
// over it) fade together instead of showing through each other. `bounds` must hold the
// whole drawing.
void paintLayer(QPainter& painter, const QRectF& bounds, qreal opacity,
                const std::function<void(QPainter&)>& draw);

} // namespace tilewick
