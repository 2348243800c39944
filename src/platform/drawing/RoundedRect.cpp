#include "RoundedRect.h"

#include <QPainter>

#include <algorithm>

namespace platform {

namespace {

// How far a continuous corner reaches along each edge, in radii, and its Bézier points
// (along the incoming edge, along the outgoing edge), measured from the corner.
constexpr qreal kContinuousReach = 1.52866;
constexpr QPointF kCorner[] = {{1.08849, 0},       {0.86840, 0},       {0.63149, 0.07491}, // first curve
                               {0.37282, 0.16906}, {0.16906, 0.37282}, {0.07491, 0.63149}, // second
                               {0, 0.86840},       {0, 1.08849},       {0, 1.52866}};      // third

QPainterPath continuousPath(const QRectF& r, qreal radius) {
    // Each corner: its point, the direction of the edge arriving at it and of the edge leaving.
    struct Corner {
        QPointF at, in, out;
    };
    const Corner corners[] = {{r.topRight(), {1, 0}, {0, 1}},
                              {r.bottomRight(), {0, 1}, {-1, 0}},
                              {r.bottomLeft(), {-1, 0}, {0, -1}},
                              {r.topLeft(), {0, -1}, {1, 0}}};
    auto point = [&](const Corner& c, QPointF p) {
        return c.at - c.in * (p.x() * radius) + c.out * (p.y() * radius);
    };

    QPainterPath path;
    path.moveTo(point(corners[3], {0, kContinuousReach}));
    for (const Corner& c : corners) {
        path.lineTo(point(c, {kContinuousReach, 0}));
        for (int i = 0; i < 9; i += 3)
            path.cubicTo(point(c, kCorner[i]), point(c, kCorner[i + 1]), point(c, kCorner[i + 2]));
    }
    path.closeSubpath();
    return path;
}

} // namespace

QPainterPath RoundedRect::path() const {
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const qreal half = std::min(rect.width(), rect.height()) / 2;
    const qreal r = std::clamp(radius, qreal(0), half);
    if (r <= 0) {
        path.addRect(rect);
    } else if (style == CornerStyle::Continuous && r * kContinuousReach <= half) {
        path = continuousPath(rect, r);
    } else {
        // Too little room for the eased corner: the circular one it approaches.
        path.addRoundedRect(rect, r, r);
    }
    return path;
}

RoundedRect RoundedRect::inset(qreal amount) const {
    return {rect.adjusted(amount, amount, -amount, -amount), std::max(radius - amount, qreal(0)), style};
}

void RoundedRect::fill(QPainter& painter, const QBrush& brush) const {
    painter.fillPath(path(), brush);
}

void RoundedRect::strokeInside(QPainter& painter, const QBrush& brush, qreal lineWidth) const {
    QPen pen(brush, lineWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.strokePath(inset(lineWidth / 2).path(), pen);
}

} // namespace platform
