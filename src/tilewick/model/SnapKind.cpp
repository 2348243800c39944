#include "SnapKind.h"

#include <algorithm>

namespace tilewick {

QList<SnapKind::Block> SnapKind::blocks() const {
    if (m_type != Type::cells)
        return {};
    const Cells& c = m_cells;
    const Block window{c.col, c.row, c.colSpan, c.rowSpan, true};
    QList<Block> result;

    // A span across a single strip is drawn as at most three pieces, not cell by cell.
    if (c.colSpan >= 2 && c.rows == 1) {
        if (c.col > 0)
            result.append({0, 0, c.col, 1, false});
        result.append(window);
        if (const qint64 rest = c.cols - c.col - c.colSpan; rest >= 1)
            result.append({c.col + c.colSpan, 0, rest, 1, false});
        return result;
    }
    if (c.rowSpan >= 2 && c.cols == 1) {
        if (c.row > 0)
            result.append({0, 0, 1, c.row, false});
        result.append(window);
        if (const qint64 rest = c.rows - c.row - c.rowSpan; rest >= 1)
            result.append({0, c.row + c.rowSpan, 1, rest, false});
        return result;
    }

    result.append(window);
    for (qint64 y = 0; y < c.rows; ++y) {
        for (qint64 x = 0; x < c.cols; ++x) {
            const bool inside = x >= c.col && x < c.col + c.colSpan && y >= c.row && y < c.row + c.rowSpan;
            if (!inside)
                result.append({x, y, 1, 1, false});
        }
    }
    return result;
}

QList<SnapKind::Block> multiWindowCells(const SnapKind& kind) {
    QList<SnapKind::Block> windows;
    QList<SnapKind::Block> others;
    for (const auto& block : kind.blocks())
        (block.isWindow ? windows : others).append(block);
    std::stable_sort(others.begin(), others.end(), [](const SnapKind::Block& a, const SnapKind::Block& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    return windows + others;
}

} // namespace tilewick
