#include "KeySymbol.h"

#include <QPainter>

namespace tilewick {

QPainterPath arrowTrianglePath(const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.center().x(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

int KeySymbol::arrowAngle(const QString& name) {
    if (name == u"arrowtriangle.up.fill")
        return 0;
    if (name == u"arrowtriangle.right.fill")
        return 90;
    if (name == u"arrowtriangle.down.fill")
        return 180;
    if (name == u"arrowtriangle.left.fill")
        return 270;
    return -1;
}

QSizeF KeySymbol::boxSize() const {
    const qreal side = arrowAngle(name) >= 0 ? 0.6 * size : size;
    return {side, side};
}

QPainterPath KeySymbol::path() const {
    const int angle = arrowAngle(name);
    if (angle < 0)
        return Symbols::path(name, size, weight);
    // The triangle's own frame, centred in the square, turned about its centre.
    const qreal side = 0.6 * size;
    const QSizeF frame(0.46 * size, 0.56 * size);
    const QPointF centre(side / 2, side / 2);
    QTransform turn;
    turn.translate(centre.x(), centre.y());
    turn.rotate(angle);
    turn.translate(-centre.x(), -centre.y());
    return turn.map(arrowTrianglePath(QRectF(centre - QPointF(frame.width(), frame.height()) / 2, frame)));
}

void KeySymbol::paint(QPainter& painter, QPointF centre, const QBrush& brush) const {
    const QSizeF box = boxSize();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path().translated(centre - QPointF(box.width(), box.height()) / 2), brush);
    painter.restore();
}

} // namespace tilewick
