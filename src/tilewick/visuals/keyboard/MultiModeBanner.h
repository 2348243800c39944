#pragma once

#include "tilewick/visuals/Theme.h"

#include <QColor>
#include <QFont>
#include <QGradientStops>
#include <QRectF>

class QPainter;

namespace tilewick {

// "MULTI-WINDOW MODE" over the space bar, in bands of colour that move outwards once every 2 s.
// A frame depends only on the time, the scheme, the key unit and the bar's size.
struct MultiModeBanner {
    qreal u = 0;
    QSizeF size;

    static constexpr double kStillTime = 0.6;
    static constexpr int kStopCount = 17;

    static QString text();
    // Base font size max(0.27 u, 9) and tracking max(0.03 u, 1).
    qreal baseFontSize() const;
    qreal baseTracking() const;
    // The text's width at its base size and tracking.
    qreal measuredWidth() const;
    // Shrinks the text to 88 % of the bar, never enlarging it.
    static qreal scaleFor(qreal barWidth, qreal measured);
    qreal scale() const { return scaleFor(size.width(), measuredWidth()); }
    // The 17 stops of the radial gradient at time t.
    static QGradientStops stops(double t, Scheme scheme);

    // Draws the frame at time t into the bar's rectangle at `origin`. A bar without width
    // draws nothing.
    void paint(QPainter& painter, QPointF origin, double t, Scheme scheme) const;
};

} // namespace tilewick
