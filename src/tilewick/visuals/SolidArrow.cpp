#include "SolidArrow.h"

#include <QTransform>

#include <algorithm>

namespace tilewick {

QPainterPath solidArrowPath(const QRectF& r, bool left) {
    const qreal head = std::min(0.8 * r.height(), 0.55 * r.width());
    const qreal halfShaft = 0.38 * r.height() / 2;
    const qreal midY = r.center().y();
    QPainterPath path;
    path.moveTo(r.left(), midY - halfShaft);
    path.lineTo(r.right() - head, midY - halfShaft);
    path.lineTo(r.right() - head, r.top());
    path.lineTo(r.right(), midY);
    path.lineTo(r.right() - head, r.bottom());
    path.lineTo(r.right() - head, midY + halfShaft);
    path.lineTo(r.left(), midY + halfShaft);
    path.closeSubpath();
    if (left)
        path = QTransform(-1, 0, 0, 1, r.left() + r.right(), 0).map(path);
    return path;
}

} // namespace tilewick
