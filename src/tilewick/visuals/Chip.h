#pragma once

#include "StatusTone.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace tilewick {

// A small status chip: an optional symbol and a one-line text in the tone's colours.
struct Chip {
    QString text;
    StatusTone tone = StatusTone::neutral;
    QString systemImage; // a symbol name; empty for none

    static constexpr qreal kSpacing = 4;
    static constexpr qreal kHorizontalPadding = 7;
    static constexpr qreal kVerticalPadding = 3;
    static constexpr qreal kCornerRadius = 6;
    static constexpr qreal kSymbolSize = 10;

    QSizeF sizeHint() const;
    // Draws the chip at its natural size, its top-left corner at `topLeft`.
    void paint(QPainter& painter, QPointF topLeft, Scheme scheme) const;
};

} // namespace tilewick
