#pragma once

#include "Theme.h"

#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QPointF>

class QPainter;

namespace tilewick {

// The application icon: a light or dark tile holding a small screen whose top-left quarter
// is lit, all in the lit gradient.
struct QuarterIcon {
    qreal s = 0;
    bool dark = false;

    // The lit gradient: icon accent to icon magenta, from the top-left corner to the centre
    // of the shape it fills.
    static const ThemeGradient& litGradient();
    static constexpr Rgb kTileLight{246, 245, 250};
    static constexpr Rgb kTileDark{22, 20, 31};

    // The screen's measures for the tile's inner side t.
    struct Measures {
        qreal t;       // inner side of the tile
        qreal width;   // screen width W
        qreal height;  // screen height H
        qreal outline; // outline width e
        qreal divider; // divider width g
        qreal inset;   // b = e + g
        qreal outerRadius;
        qreal innerRadius;
    };
    static Measures measures(qreal s);

    // The two dividers of a W × H screen drawing with outline e and inset b: a vertical line at
    // W/2 from b down into the bottom outline, a horizontal one at H/2 from b into the right one.
    static QPainterPath dividers(qreal W, qreal H, qreal e, qreal b);
    // The pen that strokes them: butt caps, mitre joins, mitre limit 10.
    static QPen dividerPen(const QBrush& brush, qreal width);

    void paint(QPainter& painter, QPointF topLeft) const;
    // The icon alone on a transparent image with `scale` pixels per point.
    QImage image(qreal scale = 1) const;
};

// The light application icon at the sizes desktops ask for, for the program's windows.
QIcon applicationIcon();

} // namespace tilewick
