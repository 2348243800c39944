#include "Chip.h"

#include "RoundedRect.h"
#include "Symbols.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

QSizeF Chip::sizeHint() const {
    const QFontMetricsF metrics(Theme::chipFont());
    qreal width = metrics.horizontalAdvance(text);
    qreal height = metrics.height();
    if (!systemImage.isEmpty()) {
        width += kSymbolSize + kSpacing;
        height = std::max(height, kSymbolSize);
    }
    return {width + 2 * kHorizontalPadding, height + 2 * kVerticalPadding};
}

void Chip::paint(QPainter& painter, QPointF topLeft, Scheme scheme) const {
    const QRectF bounds(topLeft, sizeHint());
    const RoundedRect shape{bounds, kCornerRadius};
    const QColor ink = statusToneForeground(tone).resolve(scheme);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    shape.fill(painter, statusToneFill(tone).resolve(scheme));
    shape.strokeInside(painter, statusToneTint(tone, scheme), 1.0);

    qreal x = bounds.left() + kHorizontalPadding;
    if (!systemImage.isEmpty()) {
        Symbols::paint(painter, systemImage, {x + kSymbolSize / 2, bounds.center().y()}, kSymbolSize, ink,
                       SymbolWeight::Medium);
        x += kSymbolSize + kSpacing;
    }
    painter.setFont(Theme::chipFont());
    painter.setPen(ink);
    painter.drawText(QRectF(x, bounds.top(), bounds.right() - kHorizontalPadding - x, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    painter.restore();
}

} // namespace tilewick
