#pragma once

#include "ReturnKeyShape.h"

#include "tilewick/model/KeyDef.h"
#include "tilewick/model/KeyboardMap.h"

#include <QList>
#include <QRectF>

#include <optional>

namespace tilewick {

// Every length of the drawn keyboard, from the width it is offered and the gap between keys.
// Widths too small for the keys give zero sizes, never negative ones.
struct KeyboardMetrics {
    qreal width = 0;
    qreal gap = 0;
    // One key unit plus its share of the gap: (W + gap) / 14.5.
    qreal u = 0;
    // u − gap.
    qreal keyH = 0;

    static KeyboardMetrics forWidth(qreal width, qreal gap);

    // A key `units` wide: u · units − gap.
    qreal keyWidth(double units) const;
    qreal rowTop(int row) const { return row * u; }
    // The five rows: 5 keyH + 4 gap.
    qreal naturalHeight() const;
    // Row 4 from unit 4.25, five units wide.
    QRectF spaceBar() const;
    // The line under the space bar while the modifiers are held.
    QRectF bannerFrame(qreal lineHeight) const;
};

// Where one key cap goes and what shape it has.
struct KeyPlacement {
    KeyDef key;
    QRectF frame;
    // A half-height arrow key.
    bool isShort = false;
    // The ISO return key's outline; none for every other key.
    std::optional<ReturnKeyShape> returnShape;
};

// The key caps of `rows` laid out for `metrics`, row by row from the left, then the arrow
// cluster after the last key of row 4. Spacers take room but get no cap.
QList<KeyPlacement> layoutKeys(const KeyboardMap::Rows& rows, const KeyboardMetrics& metrics);

} // namespace tilewick
