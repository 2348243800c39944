#pragma once

#include "tilewick/model/SnapAction.h"
#include "tilewick/visuals/Theme.h"

#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

namespace tilewick {

// The small drawing on a key: a miniature of the action's layout, or a one-word label with a
// tiny picture for the command actions. Laid out as plain numbers first, then painted.
struct KeyGlyph {
    struct Block {
        QRectF rect;
        bool lit = false;
        qreal radius = 1.5;
    };
    struct Arrow {
        QRectF rect;
        bool left = false;
        // The history arrow is a symbol; the display arrow a solid block arrow.
        bool symbol = false;
    };
    struct Word {
        QString text;
        QRectF frame;
        qreal fontSize = 0;
        int weight = 720;
        qreal tracking = 0;
        bool onLit = false; // "MAX", white on the lit block
    };

    std::vector<Block> blocks;
    std::optional<Arrow> arrow;
    std::optional<Word> word;
    // A redo with nothing to redo: lit parts and arrow grey.
    bool greyed = false;

    // The drawing of `action` in a W × H area at the origin. `allLit` lights every cell block.
    static KeyGlyph layout(SnapAction action, QSizeF area, bool allLit, bool canRedo);

    // Draws it with its area's top-left corner at `origin`.
    void paint(QPainter& painter, QPointF origin, Scheme scheme) const;
};

} // namespace tilewick
