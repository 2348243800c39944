#include "MiniHotkey.h"

#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/KeySymbol.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kMinimumScale = 0.6;

std::optional<Hotkey::Part> keyPart(const Hotkey& hotkey) {
    const QList<Hotkey::Part> parts = hotkey.parts();
    if (parts.isEmpty())
        return std::nullopt;
    return parts.last();
}

} // namespace

QSizeF MiniHotkey::naturalSize() const {
    const auto part = keyPart(hotkey);
    if (!part || size <= 0)
        return {};
    if (part->kind == Hotkey::Part::Kind::symbol)
        return KeySymbol{part->value, size * 1.05}.boxSize();
    const QFontMetricsF metrics(interFont(size * 1.26, 400));
    return {metrics.horizontalAdvance(part->value), metrics.height()};
}

void MiniHotkey::paint(QPainter& painter, const QRectF& frame) const {
    const auto part = keyPart(hotkey);
    const QSizeF natural = naturalSize();
    if (!part || natural.isEmpty())
        return;
    const qreal scale = std::clamp(frame.width() / natural.width(), kMinimumScale, 1.0);
    if (part->kind == Hotkey::Part::Kind::symbol) {
        KeySymbol{part->value, size * 1.05 * scale}.paint(painter, frame.center(), color);
        return;
    }
    painter.save();
    painter.setFont(interFont(size * 1.26 * scale, 400));
    painter.setPen(color);
    painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine, part->value);
    painter.restore();
}

} // namespace tilewick
