#pragma once

#include "ButtonLabel.h"
#include "Theme.h"

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tilewick {

// The quieter button: label in the text colour (danger when destructive) on the card surface
// with a border; pressing darkens the fill but keeps the opacity.
struct CVSecondaryButtonStyle {
    bool compact = false;
    bool destructive = false;

    static constexpr qreal kCornerRadius = 8;

    qreal minimumHeight() const { return compact ? 28 : 40; }
    qreal horizontalPadding() const { return compact ? 10 : 16; }
    // 1 when enabled, 0.45 when disabled; pressing does not change it.
    static qreal opacity(ButtonState state) { return state.enabled ? 1.0 : 0.45; }

    QSizeF sizeFor(const ButtonLabel& label) const;
    QPainterPath hitArea(const QRectF& bounds) const;
    void paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label, ButtonState state,
               Scheme scheme) const;
};

} // namespace tilewick
