#include "LightTile.h"

#include "RoundedRect.h"

#include <QPainter>

namespace tilewick {

QRectF LightTile::innerRect(QPointF topLeft) const {
    const qreal t = innerSide(s);
    const qreal margin = (s - t) / 2;
    return {topLeft + QPointF(margin, margin), QSizeF(t, t)};
}

void LightTile::paint(QPainter& painter, QPointF topLeft) const {
    const QRectF inner = innerRect(topLeft);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedRect{inner, cornerRadius(inner.width()), CornerStyle::Continuous}.fill(painter, fill);
    if (content)
        content(painter, inner);
    painter.restore();
}

} // namespace tilewick
