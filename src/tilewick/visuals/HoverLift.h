#pragma once

#include "Motion.h"
#include "OptionalShadow.h"
#include "Theme.h"

#include <QCursor>
#include <QImage>
#include <QRectF>

class QGraphicsItem;

namespace tilewick {

// How a hoverable element answers the pointer: while lit (hovered or highlighted from
// elsewhere, and enabled) it grows by `scale`, casts a soft accent shadow and shows an accent
// outline; highlighted without being hovered, the outline pulses. With reduce motion it
// neither grows nor pulses. Changes of lit move on a spring.
//
// The owner keeps one HoverLift per element, reports hovering and highlighting, and paints its
// outline and shadow around the element's shape.
class HoverLift {
public:
    struct Options {
        qreal radius = 0;
        qreal scale = 1;
        bool enabled = true;
        bool pencil = false;
        bool highlighted = false;

        friend bool operator==(const Options&, const Options&) = default;
    };

    // Line width and opacity of the pulsing outline.
    struct PulseStroke {
        qreal width = 0;
        qreal opacity = 0;
    };

    static constexpr qreal kOutlineWidth = 1.5;
    static constexpr qreal kOutlineOpacity = 0.7;
    static constexpr double kPulsePeriod = 0.9;

    HoverLift() = default;
    explicit HoverLift(const Options& options, double now) : m_options(options), m_litSince(now) {}

    const Options& options() const { return m_options; }
    // New options at `now`: a highlight that turns on restarts the pulse at its brightest.
    void setOptions(const Options& options, double now);
    bool hovering() const { return m_hovering; }
    void setHovering(bool hovering, double now);

    bool lit() const { return (m_hovering || m_options.highlighted) && m_options.enabled; }
    bool pulsing(bool reduceMotion) const {
        return m_options.highlighted && !m_hovering && m_options.enabled && !reduceMotion;
    }
    // The scale to draw with at `now`, moving on the spring after each change of lit.
    qreal scaleAt(double now, bool reduceMotion) const;
    // Opacity of the static outline at `now` (0.7 lit, 0 not lit, springing between).
    qreal outlineOpacityAt(double now) const { return m_lift.valueAt(now) * kOutlineOpacity; }
    // The shadow while lit.
    OptionalShadow shadow(Scheme scheme) const;
    // The pulse `seconds` after the highlight began: width 1.5 + 1.5 k, opacity 0.4 + 0.6 k.
    static PulseStroke pulseAt(double seconds);
    // A spring or a pulse still needs frames at `now`.
    bool isAnimating(double now, bool reduceMotion) const {
        return m_lift.isRunning(now) || pulsing(reduceMotion);
    }

    // Draws the outline (static or pulsing) inside `rect` at `now`.
    void paintOutline(QPainter& painter, const QRectF& rect, double now, bool reduceMotion,
                      Scheme scheme) const;

private:
    void update(double now);

    Options m_options;
    bool m_hovering = false;
    double m_litSince = 0;
    // 0 not lit … 1 lit.
    Transition m_lift;
};

// The pointer over a hoverable element: a pencil (edit) or a pointing hand while enabled, the
// default arrow otherwise. Qt keeps the cursor per item, so leaving, disabling or removing the
// item restores the pointer by itself.
namespace HoverPointer {
// The pencil is made for the pixels per point of the screen that shows the item.
void apply(QGraphicsItem& item, bool pencil, bool enabled);

// A black pencil with a white halo of 1.5 points on (15 + 4) points square, in pixels of a
// screen, with the hot spot near its lower-left tip in those pixels.
struct PencilCursor {
    QImage image;
    QPoint hotSpot;

    static PencilCursor at(qreal pixelsPerPoint);
};
// Made once for each scale.
const QCursor& pencilCursor(qreal pixelsPerPoint);
} // namespace HoverPointer

} // namespace tilewick
