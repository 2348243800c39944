#include "HoverLift.h"

#include "RoundedRect.h"
#include "Symbols.h"
#include "Theme.h"

#include <QGraphicsItem>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace tilewick {

void HoverLift::setOptions(const Options& options, double now) {
    if (options.highlighted && !m_options.highlighted)
        m_litSince = now;
    m_options = options;
    update(now);
}

void HoverLift::setHovering(bool hovering, double now) {
    m_hovering = hovering;
    update(now);
}

void HoverLift::update(double now) {
    m_lift.retarget(lit() ? 1.0 : 0.0, now, 0, Transition::Curve::spring);
}

qreal HoverLift::scaleAt(double now, bool reduceMotion) const {
    if (reduceMotion)
        return 1;
    return 1 + (m_options.scale - 1) * m_lift.valueAt(now);
}

OptionalShadow HoverLift::shadow(Scheme scheme) const {
    return {lit(), Theme::accent.resolve(scheme, 0.22), 10, 4};
}

HoverLift::PulseStroke HoverLift::pulseAt(double seconds) {
    const double k = std::cos(2 * std::numbers::pi * seconds / kPulsePeriod) / 2 + 0.5;
    return {1.5 + 1.5 * k, 0.4 + 0.6 * k};
}

void HoverLift::paintOutline(QPainter& painter, const QRectF& rect, double now, bool reduceMotion,
                             Scheme scheme) const {
    const RoundedRect shape{rect, m_options.radius};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (pulsing(reduceMotion)) {
        const PulseStroke stroke = pulseAt(now - m_litSince);
        painter.setOpacity(painter.opacity() * stroke.opacity);
        shape.strokeInside(painter, Theme::accentGradientBright.resolve(rect, Scheme::Light), stroke.width);
    } else if (const qreal opacity = outlineOpacityAt(now); opacity > 0) {
        shape.strokeInside(painter, Theme::accent.resolve(scheme, opacity), kOutlineWidth);
    }
    painter.restore();
}

namespace HoverPointer {

const QImage& pencilImage() {
    static const QImage image = [] {
        constexpr qreal kSize = 15;
        const QPainterPath pencil = Symbols::path(QStringLiteral("pencil"), kSize, SymbolWeight::Semibold);
        QImage out(QSize(int(kSize) + 4, int(kSize) + 4) * 2, QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(2);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        // The white copy around the black one makes the halo.
        for (QPointF at : {QPointF(0.5, 0.5), QPointF(0.5, 2), QPointF(0.5, 3.5), QPointF(2, 0.5),
                           QPointF(2, 3.5), QPointF(3.5, 0.5), QPointF(3.5, 2), QPointF(3.5, 3.5)})
            p.fillPath(pencil.translated(at), Qt::white);
        p.fillPath(pencil.translated(2, 2), Qt::black);
        return out;
    }();
    return image;
}

const QCursor& pencilCursor() {
    static const QCursor cursor = [] {
        const QImage& image = pencilImage();
        const qreal height = image.height() / image.devicePixelRatio();
        // Hot spot in points from the top-left corner: near the pencil's lower-left tip.
        return QCursor(QPixmap::fromImage(image), 3, int(height - 3.5));
    }();
    return cursor;
}

void apply(QGraphicsItem& item, bool pencil, bool enabled) {
    if (!enabled)
        item.unsetCursor();
    else if (pencil)
        item.setCursor(pencilCursor());
    else
        item.setCursor(Qt::PointingHandCursor);
}

} // namespace HoverPointer

} // namespace tilewick
