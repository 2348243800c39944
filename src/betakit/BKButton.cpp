#include "BKButton.h"

#include "platform/drawing/Layer.h"
#include "platform/drawing/RoundedRect.h"

#include <QPainter>

#include <algorithm>

namespace betakit {

using platform::RoundedRect;

QFont bkButtonFont() {
    return bkFont(13, 432);
}

qreal BKPrimaryButtonStyle::opacity(ButtonState state) {
    if (!state.enabled)
        return 0.45;
    return state.pressed ? 0.85 : 1.0;
}

QSizeF BKPrimaryButtonStyle::sizeFor(const ButtonLabel& label) const {
    const QSizeF own = label.size(bkButtonFont());
    return {own.width() + 2 * kHorizontalPadding, std::max(own.height(), kMinimumHeight)};
}

QPainterPath BKPrimaryButtonStyle::hitArea(const QRectF& bounds) const {
    return RoundedRect{bounds, kCornerRadius}.path();
}

void BKPrimaryButtonStyle::paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label,
                                 ButtonState state, Scheme) const {
    platform::paintLayer(painter, bounds, opacity(state), [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        RoundedRect{bounds, kCornerRadius}.fill(p, bkAccentGradient(bounds));
        label.paint(p, bounds.adjusted(kHorizontalPadding, 0, -kHorizontalPadding, 0), bkButtonFont(),
                    Qt::white);
        p.restore();
    });
}

QSizeF BKSecondaryButtonStyle::sizeFor(const ButtonLabel& label) const {
    const QSizeF own = label.size(bkButtonFont());
    return {own.width() + 2 * horizontalPadding(), std::max(own.height(), minimumHeight())};
}

QPainterPath BKSecondaryButtonStyle::hitArea(const QRectF& bounds) const {
    return RoundedRect{bounds, kCornerRadius}.path();
}

void BKSecondaryButtonStyle::paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label,
                                   ButtonState state, Scheme scheme) const {
    const RoundedRect shape{bounds, kCornerRadius};
    platform::paintLayer(painter, bounds, opacity(state), [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        shape.fill(p, state.pressed ? bkField.resolve(scheme, 0.6) : bkSurface.resolve(scheme));
        shape.strokeInside(p, bkLine.resolve(scheme), 1.0);
        label.paint(p, bounds.adjusted(horizontalPadding(), 0, -horizontalPadding(), 0), bkButtonFont(),
                    bkText.resolve(scheme));
        p.restore();
    });
}

BKButton::BKButton(Style style, ButtonLabel label, SchemeSource scheme, QWidget* parent)
    : StyledButton(style, std::move(label), std::move(scheme), parent) {}

} // namespace betakit
