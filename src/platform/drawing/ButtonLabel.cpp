#include "ButtonLabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace platform {

QSizeF ButtonLabel::size(const QFont& font) const {
    qreal width = 0, height = 0;
    if (!symbol.isEmpty()) {
        width = symbolSize;
        height = symbolSize;
    }
    if (!text.isEmpty()) {
        const QFontMetricsF metrics(font);
        width += metrics.horizontalAdvance(text) + (symbol.isEmpty() ? 0 : spacing);
        height = std::max(height, metrics.height());
    }
    return {width, height};
}

void ButtonLabel::paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color) const {
    const QSizeF own = size(font);
    qreal x = rect.center().x() - own.width() / 2;
    if (!symbol.isEmpty()) {
        Symbols::paint(painter, symbol, {x + symbolSize / 2, rect.center().y()}, symbolSize, color,
                       symbolWeight);
        x += symbolSize + spacing;
    }
    if (!text.isEmpty()) {
        painter.save();
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(x, rect.top(), rect.right() - x, rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.restore();
    }
}

} // namespace platform
