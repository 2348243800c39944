#pragma once

#include <QImage>
#include <QPainterPath>

#include <optional>

class QPainter;

namespace tilewick {

// The animated outline around a key: a wave running across the keyboard's selected keys, or,
// for a held key, a swell from the moment it went down. The glow form is blurred and still.
struct KeyPulse {
    static constexpr double kPeriod = 2.8;
    static constexpr double kWaveLag = 0.11;
    static constexpr double kStillPhase = 0.55;
    static constexpr double kStillGlowPhase = 0.6;

    // The phase 0 … 1 at `referenceSeconds` (seconds since the reference date) for the key at
    // `index` in the wave; with `secondsHeld` (since the key went down) the swell instead.
    static double phase(std::optional<double> secondsHeld, double referenceSeconds, int index);
    // The plain outline's opacity at a phase: 0.3 + 0.6 p.
    static double plainOpacity(double phase) { return 0.3 + 0.6 * phase; }
    // The glow's opacity at a phase: p × 0.75 dark, p × 0.5 light.
    static double glowOpacity(double phase, bool dark) { return phase * (dark ? 0.75 : 0.5); }

    // Draws the pulse around `shape` for a key `u` high.
    static void paint(QPainter& painter, const QPainterPath& shape, double phase, bool dark, bool glow,
                      qreal u);

    // The plain outline of `shape` at `deviceScale` device pixels per point. A key keeps it and
    // draws it with paintPlain() at every frame's opacity.
    static QImage plainPicture(const QPainterPath& shape, bool dark, qreal deviceScale);
    static void paintPlain(QPainter& painter, const QRectF& shapeBounds, const QImage& picture, double phase);
};

} // namespace tilewick
