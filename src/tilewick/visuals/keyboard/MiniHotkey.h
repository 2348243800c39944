#pragma once

#include "tilewick/model/Hotkey.h"

#include <QColor>
#include <QRectF>

class QPainter;

namespace tilewick {

// The key of a hotkey in small type, without its modifiers: a symbol at 1.05 × size or the
// label at 1.26 × size, on one line, shrinking to 0.6 when short of room. A hotkey without
// parts draws nothing.
struct MiniHotkey {
    Hotkey hotkey;
    qreal size = 0;
    QColor color;

    // The natural size of the drawing.
    QSizeF naturalSize() const;
    // Draws it centred in `frame`.
    void paint(QPainter& painter, const QRectF& frame) const;
};

} // namespace tilewick
