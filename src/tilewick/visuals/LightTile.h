#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <functional>

class QPainter;

namespace tilewick {

// A square icon tile of side s: a rounded inner square of side 0.875 s (896 of 1024) centred
// in it, filled, with content drawn over it.
struct LightTile {
    qreal s = 0;
    QColor fill;
    // Draws into the inner square it is given.
    std::function<void(QPainter&, const QRectF& inner)> content;

    static qreal innerSide(qreal s) { return s * 896.0 / 1024.0; }
    static qreal cornerRadius(qreal t) { return 0.223 * t; }

    QRectF innerRect(QPointF topLeft) const;
    void paint(QPainter& painter, QPointF topLeft) const;
};

} // namespace tilewick
