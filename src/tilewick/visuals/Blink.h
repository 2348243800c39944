#pragma once

#include "Theme.h"

#include <QPointF>
#include <QtGlobal>

class QPainter;

namespace tilewick {

// The blink clock every blinking view shares: ticks every 0.5 s counted from the reference
// date, so all of them blink in step. Even ticks are "on", odd ticks "off".
namespace BlinkClock {
inline constexpr double kInterval = 0.5;
// The tick at `t` seconds since the reference date.
qint64 tick(double t);
bool isOn(double t);
// When the tick holding `t` began.
double tickStart(double t);
} // namespace BlinkClock

// The recording cursor of a hotkey chip: a bar of `width` × `height` in the accent colour,
// fully visible on an "on" tick and at 0.1 on an "off" tick, fading over 0.18 s after each tick.
struct BlinkingCursor {
    qreal width = 0;
    qreal height = 0;

    static constexpr double kFade = 0.18;
    static constexpr qreal kOnOpacity = 1.0;
    static constexpr qreal kOffOpacity = 0.1;

    static qreal opacityAt(double t);
    // Draws the bar with its bottom centre at `bottomCentre`, at time `t`.
    void paint(QPainter& painter, QPointF bottomCentre, double t, Scheme scheme) const;
};

// Content being edited blinks with the blink clock between full opacity and 0.15; content not
// being edited is left as it is.
struct EditBlink {
    bool active = false;

    static constexpr qreal kOffOpacity = 0.15;

    qreal opacityAt(double t) const { return active && !BlinkClock::isOn(t) ? kOffOpacity : 1.0; }
};

} // namespace tilewick
