#include "CVSecondaryButtonStyle.h"

#include "Layer.h"
#include "RoundedRect.h"
#include "Theme.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

QSizeF CVSecondaryButtonStyle::sizeFor(const ButtonLabel& label) const {
    const QSizeF own = label.size(Theme::buttonFont());
    return {own.width() + 2 * horizontalPadding(), std::max(own.height(), minimumHeight())};
}

QPainterPath CVSecondaryButtonStyle::hitArea(const QRectF& bounds) const {
    return RoundedRect{bounds, kCornerRadius}.path();
}

void CVSecondaryButtonStyle::paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label,
                                   ButtonState state, Scheme scheme) const {
    const RoundedRect shape{bounds, kCornerRadius};
    paintLayer(painter, bounds, opacity(state), [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        shape.fill(p, state.pressed ? Theme::raised.resolve(scheme, 0.6) : Theme::card.resolve(scheme));
        shape.strokeInside(p, Theme::border.resolve(scheme), 1.0);
        const QColor ink = (destructive ? Theme::danger : Theme::text).resolve(scheme);
        label.paint(p, bounds.adjusted(horizontalPadding(), 0, -horizontalPadding(), 0), Theme::buttonFont(),
                    ink);
        p.restore();
    });
}

} // namespace tilewick
