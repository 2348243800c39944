#pragma once

#include <QPainterPath>
#include <QRectF>

namespace tilewick {

// A solid block arrow filling `rect` and pointing right, or left when `left` is set: a shaft
// 0.38 of the height thick and a head min(0.8 h, 0.55 w) long.
QPainterPath solidArrowPath(const QRectF& rect, bool left);

} // namespace tilewick
