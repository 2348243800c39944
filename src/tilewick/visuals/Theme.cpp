#include "Theme.h"

#include "InterFont.h"

namespace tilewick {

QColor Rgb::color(qreal opacity) const {
    QColor c(r, g, b);
    c.setAlphaF(float(opacity));
    return c;
}

QLinearGradient ThemeGradient::resolve(const QRectF& bounds, Scheme scheme) const {
    auto at = [&](QPointF unit) {
        return QPointF(bounds.x() + unit.x() * bounds.width(), bounds.y() + unit.y() * bounds.height());
    };
    QLinearGradient gradient(at(start), at(end));
    gradient.setColorAt(0.0, first.resolve(scheme));
    gradient.setColorAt(1.0, second.resolve(scheme));
    return gradient;
}

namespace Theme {

QLinearGradient accentDiagonal(const QRectF& bounds, Scheme scheme) {
    const ThemeGradient& pair = scheme == Scheme::Dark ? accentGradientBright : accentGradient;
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0.0, pair.first.resolve(scheme));
    gradient.setColorAt(1.0, pair.second.resolve(scheme));
    return gradient;
}

const QFont& titleFont() {
    return interFont(20, 517);
}
const QFont& bodyFont() {
    return interFont(14, 340);
}
const QFont& buttonFont() {
    return interFont(13, 432);
}
const QFont& labelFont() {
    return interFont(13, 500);
}
const QFont& chipFont() {
    return interFont(12, 550);
}
const QFont& captionFont() {
    return interFont(11.5, 500);
}
const QFont& smallFont() {
    return interFont(12, 400);
}

} // namespace Theme

} // namespace tilewick
