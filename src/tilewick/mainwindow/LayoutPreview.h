#pragma once

#include "WindowBlock.h"

#include "tilewick/model/SnapAction.h"

#include <QList>
#include <QSizeF>

#include <optional>

class QPainter;

namespace tilewick {

class TilewickStore;

// The small drawing of what an action does to a window: which part of a screen it fills, which
// way it moves between displays, what undo and redo do. Worked out as rectangles first
// (layout()), drawn as one group.
struct LayoutPreview {
    // What the drawing shows, in its own coordinates (origin at its top-left corner).
    struct Drawing {
        struct Block {
            QRectF rect;
            WindowBlock block;
        };
        struct Symbol {
            QRectF rect;
            QString name;
            qreal size = 0;
        };
        // Miniature screens, each drawn before what lies in it.
        QList<QRectF> displays;
        // The cells the window does not take.
        QList<QRectF> cells;
        QList<Block> blocks;
        // The block arrow between two displays, pointing left when `arrowLeft`.
        std::optional<QRectF> arrow;
        bool arrowLeft = false;
        // The history arrow of undo and redo.
        std::optional<Symbol> symbol;
        // Nothing to redo: drawn grey at 0.45.
        bool greyed = false;
    };

    SnapAction action;
    // The action's hotkey with the store's modifiers; none when unbound.
    std::optional<Hotkey> hotkey;
    // The store's modifier bits.
    quint64 modifiers = 0;
    bool showsKey = true;
    bool canRedo = true;

    // The drawing of `action` as the store has it now.
    static LayoutPreview of(const TilewickStore& store, SnapAction action, bool showsKey);
    // Where the modifier symbols go for a kind of layout.
    static WindowBlock::ModsPlacement placement(const SnapKind& kind);
    // Symbol names of the set modifier bits, Control, Option, Shift, Command.
    static QStringList modifierNames(quint64 modifiers);

    Drawing layout(QSizeF size) const;
    // Draws the drawing of `size` with its top-left corner at `origin`.
    void paint(QPainter& painter, QPointF origin, QSizeF size, Scheme scheme) const;
};

} // namespace tilewick
