#include "KeyPulse.h"

#include "tilewick/visuals/Layer.h"
#include "tilewick/visuals/Shadow.h"
#include "tilewick/visuals/Theme.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tilewick {

namespace {

QLinearGradient pulseGradient(const QRectF& bounds, bool dark) {
    return Theme::accentDiagonal(bounds, dark ? Scheme::Dark : Scheme::Light);
}

} // namespace

double KeyPulse::phase(std::optional<double> secondsHeld, double referenceSeconds, int index) {
    if (secondsHeld)
        return 0.5 + 0.5 * std::cos(2 * std::numbers::pi * *secondsHeld / kPeriod);
    const double x = referenceSeconds / kPeriod - kWaveLag * index;
    return 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (x - std::floor(x)));
}

void KeyPulse::paint(QPainter& painter, const QPainterPath& shape, double phase, bool dark, bool glow,
                     qreal u) {
    const QRectF bounds = shape.boundingRect();
    if (bounds.isEmpty())
        return;
    // The outline is drawn once per shape and scheme and blended at each frame's opacity.
    if (!glow) {
        const QByteArray style = dark ? "pulse-dark" : "pulse-light";
        paintCached(painter, shape, 1, style, plainOpacity(phase), [&](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            p.strokePath(shape, QPen(pulseGradient(bounds, dark), 1.5));
        });
        return;
    }
    // The blurred stroke: its soft mask, coloured by the gradient.
    const qreal width = std::max(0.05 * u, 2.0);
    const qreal blur = std::max(0.09 * u, 3.0);
    const qreal margin = 3 * blur + width;
    const QByteArray style = QByteArray(dark ? "glow-dark:" : "glow-light:") + QByteArray::number(width) +
                             ':' + QByteArray::number(blur);
    paintCached(painter, shape, margin, style, glowOpacity(phase, dark), [&](QPainter& p) {
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        const QPainterPath outline = stroker.createStroke(shape);
        Shadow{Qt::black, blur, {}}.paint(p, outline);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(bounds.adjusted(-margin, -margin, margin, margin), pulseGradient(bounds, dark));
    });
}

} // namespace tilewick
