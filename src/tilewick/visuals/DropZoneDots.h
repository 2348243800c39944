#pragma once

#include "RoundedRect.h"

namespace tilewick {

// The dotted outline of a drop zone: round dots of diameter 2 about 6 apart, closing evenly
// around a rounded rectangle inset by half the border width.
struct DropZoneDots {
    qreal cornerRadius = 0;
    qreal borderWidth = 0;
    CornerStyle style = CornerStyle::Continuous;

    static constexpr qreal kDotDiameter = 2.0;
    static constexpr qreal kDotSpacing = 6.0;

    // The number of dots and the distance between them along the outline in `rect`;
    // no dots when the inset rectangle is empty.
    struct Spacing {
        int count = 0;
        qreal spacing = 0;
    };
    Spacing spacing(const QRectF& rect) const;

    // The dots themselves: filling the path draws them.
    QPainterPath path(const QRectF& rect) const;
};

} // namespace tilewick
