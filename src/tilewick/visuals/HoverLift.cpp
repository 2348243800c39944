#include "HoverLift.h"

#include "RoundedRect.h"
#include "Symbols.h"
#include "Theme.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <map>
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

namespace {

// Pixels per point of the screen that shows the item, or of the screens when no view shows it yet.
qreal screenScale(const QGraphicsItem& item) {
    if (const QGraphicsScene* scene = item.scene(); scene && !scene->views().isEmpty())
        return scene->views().first()->devicePixelRatioF();
    return qGuiApp->devicePixelRatio();
}

} // namespace

PencilCursor PencilCursor::at(qreal pixelsPerPoint) {
    constexpr qreal kSize = 15;
    constexpr qreal kSide = kSize + 4;
    const QPainterPath pencil = Symbols::path(QStringLiteral("pencil"), kSize, SymbolWeight::Semibold);
    // Drawn in the screen's own pixels and handed on as they are: X takes a cursor image and its
    // hot spot in pixels.
    const int side = qRound(kSide * pixelsPerPoint);
    PencilCursor out;
    out.image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    out.image.fill(Qt::transparent);
    QPainter p(&out.image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixelsPerPoint, pixelsPerPoint);
    // The white copy around the black one makes the halo.
    for (QPointF at : {QPointF(0.5, 0.5), QPointF(0.5, 2), QPointF(0.5, 3.5), QPointF(2, 0.5),
                       QPointF(2, 3.5), QPointF(3.5, 0.5), QPointF(3.5, 2), QPointF(3.5, 3.5)})
        p.fillPath(pencil.translated(at), Qt::white);
    p.fillPath(pencil.translated(2, 2), Qt::black);
    // (3.5, H − 3.5) points from the top-left corner, near the pencil's lower-left tip: the pixel
    // that holds that point.
    out.hotSpot = QPoint(int(3.5 * pixelsPerPoint), int((kSide - 3.5) * pixelsPerPoint));
    return out;
}

const QCursor& pencilCursor(qreal pixelsPerPoint) {
    static std::map<qreal, QCursor> cursors;
    auto found = cursors.find(pixelsPerPoint);
    if (found == cursors.end()) {
        const PencilCursor pencil = PencilCursor::at(pixelsPerPoint);
        found = cursors
                    .emplace(pixelsPerPoint, QCursor(QPixmap::fromImage(pencil.image), pencil.hotSpot.x(),
                                                     pencil.hotSpot.y()))
                    .first;
    }
    return found->second;
}

void apply(QGraphicsItem& item, bool pencil, bool enabled) {
    if (!enabled)
        item.unsetCursor();
    else if (pencil)
        item.setCursor(pencilCursor(screenScale(item)));
    else
        item.setCursor(Qt::PointingHandCursor);
}

} // namespace HoverPointer

} // namespace tilewick
