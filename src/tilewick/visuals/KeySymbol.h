#pragma once

#include "Symbols.h"

#include <QSizeF>

namespace tilewick {

// An upward triangle filling `rect`: apex at the top centre, base along the bottom edge.
QPainterPath arrowTrianglePath(const QRectF& rect);

// One symbol on a key cap or hotkey chip. The four arrow-triangle names are a plain triangle
// turned to point their way, in a square of 0.6 × size; every other name comes from the
// symbol table at size and weight.
struct KeySymbol {
    QString name;
    qreal size = 0;
    SymbolWeight weight = SymbolWeight::Regular;

    // The rotation of an arrow name in degrees (up 0, right 90, down 180, left 270); -1 otherwise.
    static int arrowAngle(const QString& name);

    // The square the symbol occupies.
    QSizeF boxSize() const;
    // The filled outline inside that square, its top-left corner at the origin.
    QPainterPath path() const;
    // Draws the symbol centred on `centre`.
    void paint(QPainter& painter, QPointF centre, const QBrush& brush) const;
};

} // namespace tilewick
