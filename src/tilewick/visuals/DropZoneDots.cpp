#include "DropZoneDots.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tilewick {

namespace {

struct Outline {
    RoundedRect shape;
    qreal perimeter = 0;
};

Outline outline(const DropZoneDots& dots, const QRectF& rect) {
    const qreal half = dots.borderWidth * 0.5;
    const QRectF inner = rect.adjusted(half, half, -half, -half);
    if (inner.isEmpty())
        return {};
    // The radius the outline really has, so the perimeter is that outline's length.
    const qreal r =
        std::clamp(dots.cornerRadius - half, qreal(0), std::min(inner.width(), inner.height()) / 2);
    const qreal perimeter = 2 * (inner.width() + inner.height()) + (2 * std::numbers::pi - 8) * r;
    return {{inner, r, dots.style}, perimeter};
}

} // namespace

DropZoneDots::Spacing DropZoneDots::spacing(const QRectF& rect) const {
    const Outline o = outline(*this, rect);
    if (o.perimeter <= 0)
        return {};
    const int count = std::max(1, int(std::round(o.perimeter / kDotSpacing)));
    return {count, o.perimeter / count};
}

QPainterPath DropZoneDots::path(const QRectF& rect) const {
    QPainterPath dots;
    const Spacing s = spacing(rect);
    if (s.count == 0)
        return dots;
    const QPainterPath line = outline(*this, rect).shape.path();
    // Spread over the drawn outline's own length, so the dots also close evenly where
    // continuous corners make it a little shorter than the circular perimeter.
    for (int i = 0; i < s.count; ++i)
        dots.addEllipse(line.pointAtPercent(qreal(i) / s.count), kDotDiameter / 2, kDotDiameter / 2);
    return dots;
}

} // namespace tilewick
