#pragma once

#include "Shadow.h"

namespace tilewick {

// A shadow that is there only when `on`: `color`, blurred by `radius`, moved down by `y`.
struct OptionalShadow {
    bool on = false;
    QColor color;
    qreal radius = 0;
    qreal y = 0;

    // Paints the shadow of `shape` when on; nothing otherwise.
    void paint(QPainter& painter, const QPainterPath& shape) const {
        if (on)
            Shadow{color, radius, {0, y}}.paint(painter, shape);
    }
};

} // namespace tilewick
