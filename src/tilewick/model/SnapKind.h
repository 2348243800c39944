#pragma once

#include <QList>
#include <QtGlobal>

namespace tilewick {

// What an action does to a window: the one geometry source for window moves, multi-window
// fills and layout drawings.
class SnapKind {
public:
    enum class Type : quint8 { cells, display, history, centre, maximize, focus };

    // A span of a grid laid over the screen's visible frame: `cols` × `rows` equal cells,
    // the window covering `colSpan` × `rowSpan` cells from (`col`, `row`), counted from the top left.
    struct Cells {
        qint64 cols = 1;
        qint64 rows = 1;
        qint64 col = 0;
        qint64 row = 0;
        qint64 colSpan = 1;
        qint64 rowSpan = 1;
        friend bool operator==(const Cells&, const Cells&) = default;
    };

    // One rectangle of a layout diagram, in grid units. `isWindow` marks the rectangle the
    // window takes; the others are ghost cells drawn as outlines.
    struct Block {
        qint64 x = 0;
        qint64 y = 0;
        qint64 w = 0;
        qint64 h = 0;
        bool isWindow = false;
        friend bool operator==(const Block&, const Block&) = default;
    };

    static constexpr SnapKind cells(qint64 cols, qint64 rows, qint64 col, qint64 row, qint64 colSpan,
                                    qint64 rowSpan) {
        SnapKind k(Type::cells);
        k.m_cells = {cols, rows, col, row, colSpan, rowSpan};
        return k;
    }
    // Move to the display `step` places away in display order (-1 previous, +1 next).
    static constexpr SnapKind display(int step) { return SnapKind(Type::display, step); }
    // Walk the undo history: -1 undo, +1 redo.
    static constexpr SnapKind history(int step) { return SnapKind(Type::history, step); }
    static constexpr SnapKind centre() { return SnapKind(Type::centre); }
    static constexpr SnapKind maximize() { return SnapKind(Type::maximize); }
    static constexpr SnapKind focus() { return SnapKind(Type::focus); }

    constexpr Type type() const { return m_type; }
    constexpr bool isCells() const { return m_type == Type::cells; }
    // The cell span; meaningful only for `cells`.
    constexpr const Cells& cellSpan() const { return m_cells; }
    // The step of `display` and `history`; 0 for the other kinds.
    constexpr int step() const { return m_step; }

    // The rectangles of the layout diagram; empty for every kind but `cells`.
    QList<Block> blocks() const;

    friend bool operator==(const SnapKind&, const SnapKind&) = default;

private:
    constexpr explicit SnapKind(Type type, int step = 0) : m_type(type), m_step(step) {}

    Type m_type;
    int m_step = 0;
    Cells m_cells{};
};

// The blocks of a cells kind in the order a multi-window fill gives them windows: the window's own
// block first, then the others by row, then by column. Empty for every other kind.
QList<SnapKind::Block> multiWindowCells(const SnapKind& kind);

} // namespace tilewick
