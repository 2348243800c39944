#include "CardModifier.h"

#include "RoundedRect.h"
#include "Shadow.h"
#include "Theme.h"

#include <QPainter>

namespace tilewick {

QRectF CardModifier::contentRect(const QRectF& card) const {
    return card.adjusted(padding, padding, -padding, -padding);
}

QSizeF CardModifier::cardSize(const QSizeF& content) const {
    return content + QSizeF(2 * padding, 2 * padding);
}

void CardModifier::behind(QPainter& painter, const QRectF& card, Scheme scheme) const {
    const RoundedRect shape{card, kCornerRadius};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const float shadowOpacity = scheme == Scheme::Dark ? 0.1f : 0.035f;
    Shadow{QColor::fromRgbF(0, 0, 0, shadowOpacity), 7.5, {0, 5}}.paint(painter, shape.path());
    shape.fill(painter, Theme::card.resolve(scheme));
    painter.restore();
}

void CardModifier::over(QPainter& painter, const QRectF& card, Scheme scheme) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const RoundedRect shape{card, kCornerRadius};
    if (selected)
        shape.strokeInside(painter, Theme::accent.resolve(scheme), 1.75);
    else
        shape.strokeInside(painter, Theme::border.resolve(scheme), 1.0);
    painter.restore();
}

} // namespace tilewick
