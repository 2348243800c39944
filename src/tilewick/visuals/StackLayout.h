#pragma once

#include <QPointF>
#include <QSizeF>

#include <functional>
#include <vector>

class QPainter;

namespace tilewick {

// A fixed-size piece of a drawing for simple stack layouts of offscreen pictures.
struct Block {
    QSizeF size;
    // Draws the piece with its top-left corner at the given point.
    std::function<void(QPainter&, QPointF)> paint;
};

enum class StackAlignment { Leading, Centre, Trailing };

// Pieces side by side, aligned across the stack (Leading = top, Trailing = bottom).
Block hstack(std::vector<Block> blocks, qreal spacing, StackAlignment alignment);
// Pieces one under another (Leading = left, Trailing = right).
Block vstack(std::vector<Block> blocks, qreal spacing, StackAlignment alignment);
// A piece with space around it.
Block padded(Block block, qreal left, qreal top, qreal right, qreal bottom);
// A piece centred in a frame of its own size or larger.
Block framed(Block block, QSizeF frame);

} // namespace tilewick
