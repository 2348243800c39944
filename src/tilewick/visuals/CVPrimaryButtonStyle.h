#pragma once

#include "ButtonLabel.h"
#include "Theme.h"

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tilewick {

// The program's main call-to-action button: white label on the accent gradient.
struct CVPrimaryButtonStyle {
    bool compact = false;

    static constexpr qreal kCornerRadius = 8;
    static constexpr qreal kHorizontalPadding = 16;

    qreal minimumHeight() const { return compact ? 32 : 40; }
    // Disabled 0.45 whether pressed or not; enabled 0.85 while pressed, else 1.
    static qreal opacity(ButtonState state);

    QSizeF sizeFor(const ButtonLabel& label) const;
    // The rounded rectangle that takes clicks.
    QPainterPath hitArea(const QRectF& bounds) const;
    void paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label, ButtonState state,
               Scheme scheme) const;
};

} // namespace tilewick
