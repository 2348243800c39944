#pragma once

#include "Symbols.h"

#include <QFont>
#include <QSizeF>

namespace platform {

// What a button shows: a symbol, a text, or a symbol before a text.
struct ButtonLabel {
    QString text;
    QString symbol;
    qreal symbolSize = 12;
    SymbolWeight symbolWeight = SymbolWeight::Semibold;

    static constexpr qreal kSpacing = 5;
    // Between the symbol and the text.
    qreal spacing = kSpacing;

    QSizeF size(const QFont& font) const;
    // Draws the label centred in `rect`.
    void paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color) const;
};

// Pressed and enabled, as a button style sees them.
struct ButtonState {
    bool enabled = true;
    bool pressed = false;
};

} // namespace platform
