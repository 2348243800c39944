#pragma once

#include "Theme.h"

#include <QRectF>

class QPainter;

namespace tilewick {

// The card look: content padded on every side, over a rounded surface with a border and a
// soft shadow. Paint behind() first, then the content in contentRect(), then over().
struct CardModifier {
    qreal padding = 0;
    bool selected = false;

    static constexpr qreal kCornerRadius = 12;

    QRectF contentRect(const QRectF& card) const;
    QSizeF cardSize(const QSizeF& content) const;

    // The shadow and the surface.
    void behind(QPainter& painter, const QRectF& card, Scheme scheme) const;
    // The border: the accent, 1.75 wide, when selected; the theme's border, 1.0, otherwise.
    void over(QPainter& painter, const QRectF& card, Scheme scheme) const;
};

} // namespace tilewick
