#include "KeyboardGeometry.h"

#include <algorithm>

namespace tilewick {

namespace {

constexpr double kSpaceBarStart = 4.25;
constexpr double kSpaceBarUnits = 5;
constexpr int kBottomRow = 4;

KeyDef arrowKey(quint16 code, const char* symbol) {
    return KeyDef{.code = code, .label = QString(), .width = 1, .symbol = QString::fromLatin1(symbol)};
}

} // namespace

KeyboardMetrics KeyboardMetrics::forWidth(qreal width, qreal gap) {
    KeyboardMetrics m;
    m.width = std::max<qreal>(width, 0);
    m.gap = std::max<qreal>(gap, 0);
    m.u = std::max<qreal>((m.width + m.gap) / KeyboardMap::kWidth, 0);
    m.keyH = std::max<qreal>(m.u - m.gap, 0);
    return m;
}

qreal KeyboardMetrics::keyWidth(double units) const {
    return std::max<qreal>(u * units - gap, 0);
}

qreal KeyboardMetrics::naturalHeight() const {
    return keyH > 0 ? 5 * keyH + 4 * gap : 0;
}

QRectF KeyboardMetrics::spaceBar() const {
    return {kSpaceBarStart * u, rowTop(kBottomRow), keyWidth(kSpaceBarUnits), keyH};
}

QRectF KeyboardMetrics::bannerFrame(qreal lineHeight) const {
    // Bottom-aligned with the keyboard, then moved down below it.
    const qreal bottom = naturalHeight() + std::max<qreal>(0.28 * u, 13);
    return {kSpaceBarStart * u, bottom - lineHeight, keyWidth(kSpaceBarUnits), lineHeight};
}

QList<KeyPlacement> layoutKeys(const KeyboardMap::Rows& rows, const KeyboardMetrics& m) {
    QList<KeyPlacement> placements;
    for (int r = 0; r < rows.size(); ++r) {
        const qreal top = m.rowTop(r);
        qreal x = 0;
        for (const KeyDef& key : rows[r]) {
            const qreal width = m.keyWidth(key.width);
            if (!key.spacer) {
                KeyPlacement placement{key, QRectF(x, top, width, m.keyH)};
                if (key.isoReturn) {
                    // It hangs down into the next row, over that row's spacer.
                    placement.frame.setHeight(2 * m.keyH + m.gap);
                    const qreal bottomWidth = std::max<qreal>(0.75 * m.u - m.gap, 0);
                    placement.returnShape =
                        ReturnKeyShape{bottomWidth, m.keyH, 0.13 * m.keyH, width - bottomWidth, 0};
                }
                placements.append(placement);
            }
            x += width + m.gap;
        }
        if (r == kBottomRow) {
            // The inverted T: half-height keys aligned with the row's bottom, Up over Down.
            const qreal half = std::max<qreal>(m.keyH / 2 - m.gap / 2, 0);
            const qreal lower = top + m.keyH - half;
            const qreal side = m.keyH;
            placements.append({arrowKey(KeyboardMap::kLeftArrow, "arrowtriangle.left.fill"),
                               QRectF(x, lower, side, half), true});
            placements.append({arrowKey(KeyboardMap::kUpArrow, "arrowtriangle.up.fill"),
                               QRectF(x + side + m.gap, top, side, half), true});
            placements.append({arrowKey(KeyboardMap::kDownArrow, "arrowtriangle.down.fill"),
                               QRectF(x + side + m.gap, lower, side, half), true});
            placements.append({arrowKey(KeyboardMap::kRightArrow, "arrowtriangle.right.fill"),
                               QRectF(x + 2 * (side + m.gap), lower, side, half), true});
        }
    }
    return placements;
}

} // namespace tilewick
