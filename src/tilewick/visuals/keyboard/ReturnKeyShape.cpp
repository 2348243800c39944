#include "ReturnKeyShape.h"

#include <cmath>
#include <numbers>

namespace tilewick {

namespace {

QPointF unit(QPointF v) {
    const qreal length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF();
}

qreal degrees(QPointF from, QPointF centre) {
    // Qt's arc angles run counter-clockwise on screen, with y downwards.
    return std::atan2(-(from.y() - centre.y()), from.x() - centre.x()) * 180 / std::numbers::pi;
}

} // namespace

void arcToTangent(QPainterPath& path, QPointF corner, QPointF next, qreal radius) {
    const QPointF start = path.currentPosition();
    const QPointF in = unit(start - corner), out = unit(next - corner);
    const qreal cosine = in.x() * out.x() + in.y() * out.y();
    // Straight on, or back on itself: no corner to round.
    if (in.isNull() || out.isNull() || std::abs(cosine) > 1 - 1e-9) {
        path.lineTo(corner);
        return;
    }
    const qreal half = std::acos(cosine) / 2;
    const qreal reach = radius / std::tan(half);
    const QPointF t1 = corner + in * reach, t2 = corner + out * reach;
    const QPointF centre = corner + unit(in + out) * (radius / std::sin(half));
    path.lineTo(t1);
    const qreal startAngle = degrees(t1, centre);
    qreal sweep = degrees(t2, centre) - startAngle;
    while (sweep > 180)
        sweep -= 360;
    while (sweep < -180)
        sweep += 360;
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), startAngle, sweep);
}

QPointF ReturnKeyShape::innerCorner(const QRectF& rect) const {
    const QRectF r = rect.adjusted(insetBy, insetBy, -insetBy, -insetBy);
    return {r.right() - bottomWidth + 2 * insetBy, r.top() + topHeight - 2 * insetBy};
}

qreal ReturnKeyShape::cornerRadius() const {
    const qreal k = radius - insetBy;
    return k <= 1 ? 1 : k;
}

QPainterPath ReturnKeyShape::path(const QRectF& rect) const {
    const QRectF r = rect.adjusted(insetBy, insetBy, -insetBy, -insetBy);
    const QPointF step = innerCorner(rect);
    const qreal k = cornerRadius();
    QPainterPath path;
    path.moveTo(r.left(), (r.top() + step.y()) / 2);
    arcToTangent(path, r.topLeft(), r.topRight(), k);
    arcToTangent(path, r.topRight(), r.bottomRight(), k);
    arcToTangent(path, r.bottomRight(), {step.x(), r.bottom()}, k);
    arcToTangent(path, {step.x(), r.bottom()}, step, k);
    arcToTangent(path, step, {r.left(), step.y()}, k);
    arcToTangent(path, {r.left(), step.y()}, r.topLeft(), k);
    path.closeSubpath();
    return path;
}

} // namespace tilewick
