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

// Room around the shape for the plain outline's stroke.
constexpr qreal kPlainMargin = 1;

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

QImage KeyPulse::plainPicture(const QPainterPath& shape, bool dark, qreal deviceScale) {
    const QRectF bounds = shape.boundingRect();
    const QSizeF size = (bounds.size() + QSizeF(2 * kPlainMargin, 2 * kPlainMargin)) * deviceScale;
    QImage picture(QSize(int(std::ceil(size.width())), int(std::ceil(size.height()))).expandedTo(QSize(1, 1)),
                   QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(deviceScale);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(QPointF(kPlainMargin, kPlainMargin) - bounds.topLeft());
    p.strokePath(shape, QPen(pulseGradient(bounds, dark), 1.5));
    return picture;
}

void KeyPulse::paintPlain(QPainter& painter, const QRectF& shapeBounds, const QImage& picture, double phase) {
    if (shapeBounds.isEmpty() || picture.isNull())
        return;
    const qreal opacity = painter.opacity();
    painter.setOpacity(opacity * plainOpacity(phase));
    painter.drawImage(shapeBounds.topLeft() - QPointF(kPlainMargin, kPlainMargin), picture);
    painter.setOpacity(opacity);
}

void KeyPulse::paint(QPainter& painter, const QPainterPath& shape, double phase, bool dark, bool glow,
                     qreal u) {
    const QRectF bounds = shape.boundingRect();
    if (bounds.isEmpty())
        return;
    if (!glow) {
        paintPlain(painter, bounds, plainPicture(shape, dark, deviceScale(painter)), phase);
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
