#include "StackLayout.h"

#include <algorithm>

namespace tilewick {

namespace {

qreal aligned(qreal room, qreal own, StackAlignment alignment) {
    switch (alignment) {
    case StackAlignment::Leading:
        return 0;
    case StackAlignment::Centre:
        return (room - own) / 2;
    case StackAlignment::Trailing:
        break;
    }
    return room - own;
}

Block stack(std::vector<Block> blocks, qreal spacing, StackAlignment alignment, bool horizontal) {
    qreal along = 0, across = 0;
    for (const Block& b : blocks) {
        along += horizontal ? b.size.width() : b.size.height();
        across = std::max(across, horizontal ? b.size.height() : b.size.width());
    }
    if (!blocks.empty())
        along += spacing * qreal(blocks.size() - 1);
    const QSizeF size = horizontal ? QSizeF(along, across) : QSizeF(across, along);
    return {size,
            [blocks = std::move(blocks), spacing, alignment, horizontal, across](QPainter& p, QPointF at) {
                qreal offset = 0;
                for (const Block& b : blocks) {
                    const qreal own = horizontal ? b.size.height() : b.size.width();
                    const qreal cross = aligned(across, own, alignment);
                    b.paint(p, at + (horizontal ? QPointF(offset, cross) : QPointF(cross, offset)));
                    offset += (horizontal ? b.size.width() : b.size.height()) + spacing;
                }
            }};
}

} // namespace

Block hstack(std::vector<Block> blocks, qreal spacing, StackAlignment alignment) {
    return stack(std::move(blocks), spacing, alignment, true);
}

Block vstack(std::vector<Block> blocks, qreal spacing, StackAlignment alignment) {
    return stack(std::move(blocks), spacing, alignment, false);
}

Block padded(Block block, qreal left, qreal top, qreal right, qreal bottom) {
    const QSizeF size = block.size + QSizeF(left + right, top + bottom);
    return {size, [block = std::move(block), left, top](QPainter& p, QPointF at) {
                block.paint(p, at + QPointF(left, top));
            }};
}

Block framed(Block block, QSizeF frame) {
    const QSizeF size = frame.expandedTo(block.size);
    const QPointF offset((size.width() - block.size.width()) / 2, (size.height() - block.size.height()) / 2);
    return {size,
            [block = std::move(block), offset](QPainter& p, QPointF at) { block.paint(p, at + offset); }};
}

} // namespace tilewick
