#include "CVPrimaryButtonStyle.h"

#include "Layer.h"
#include "RoundedRect.h"
#include "Theme.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

qreal CVPrimaryButtonStyle::opacity(ButtonState state) {
    if (!state.enabled)
        return 0.45;
    return state.pressed ? 0.85 : 1.0;
}

QSizeF CVPrimaryButtonStyle::sizeFor(const ButtonLabel& label) const {
    const QSizeF own = label.size(Theme::buttonFont());
    return {own.width() + 2 * kHorizontalPadding, std::max(own.height(), minimumHeight())};
}

QPainterPath CVPrimaryButtonStyle::hitArea(const QRectF& bounds) const {
    return RoundedRect{bounds, kCornerRadius}.path();
}

void CVPrimaryButtonStyle::paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label,
                                 ButtonState state, Scheme scheme) const {
    paintLayer(painter, bounds, opacity(state), [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        RoundedRect{bounds, kCornerRadius}.fill(p, Theme::accentGradient.resolve(bounds, scheme));
        label.paint(p, bounds.adjusted(kHorizontalPadding, 0, -kHorizontalPadding, 0), Theme::buttonFont(),
                    Qt::white);
        p.restore();
    });
}

} // namespace tilewick
