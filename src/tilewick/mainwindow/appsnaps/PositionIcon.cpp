#include "PositionIcon.h"

#include "tilewick/visuals/keyboard/KeyGlyph.h"

#include <QPainter>

namespace tilewick {

void PositionIcon::paint(QPainter& painter, const QRectF& rect, Scheme scheme) const {
    // A saved snap is never a redo: nothing is greyed.
    const KeyGlyph glyph = KeyGlyph::layout(snap.action, rect.size(), snap.multiWindow, true);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    glyph.paint(painter, rect.topLeft(), scheme);
    painter.restore();
}

} // namespace tilewick
