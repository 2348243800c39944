#pragma once

#include "tilewick/model/Hotkey.h"
#include "tilewick/visuals/Theme.h"

#include <QRectF>
#include <QStringList>

#include <optional>

class QPainter;

namespace tilewick {

// The rectangle that stands for a window in a layout drawing: a dotted outline where a window
// was or could be (`ghost`), or the solid window in the window gradient, carrying its key and,
// when there is room, the modifier symbols above or in front of it.
struct WindowBlock {
    // Where the modifier symbols stand relative to the key.
    enum class ModsPlacement { none, above, beside };

    bool ghost = false;
    std::optional<Hotkey::Part> key;
    // Symbol names of the modifier keys ("control", "option", "shift", "command").
    QStringList mods;
    ModsPlacement modsPlacement = ModsPlacement::none;

    friend bool operator==(const WindowBlock&, const WindowBlock&) = default;

    // The key label of a solid block of a size, worked out before drawing.
    struct Label {
        // The base size s: min(w, h) · 0.08 + 15, within 13 … 26.
        qreal base = 0;
        // The frame the label must fit: (w − 6) × (h − 4), centred on the block.
        QRectF frame;
        // The key glyph: a symbol at 1.35 s, or text at s (letters and digits) or 1.3 s.
        bool symbol = false;
        qreal glyphSize = 0;
        QSizeF glyph;
        // The modifier row, when it is drawn.
        bool showsMods = false;
        QSizeF modsRow;
        // The arrangement drawn, centred in the frame.
        QSizeF size;
    };

    // The label of a solid block of `size`; none for a ghost, without a key, or below 16
    // points either way.
    std::optional<Label> label(QSizeF size) const;
    // The corner radius for a block of `size`: min(0.08 w, 4).
    static qreal cornerRadius(QSizeF size);

    void paint(QPainter& painter, const QRectF& rect, Scheme scheme) const;
};

// A miniature screen: a 5-point menu-bar strip over a content area padded by 3 points, on the
// page background, with a rounded outline.
struct MiniDisplay {
    static constexpr qreal kStrip = 5;
    static constexpr qreal kPadding = 3;
    static constexpr qreal kRadius = 6;

    // The usable area of a display in `frame`.
    static QRectF contentRect(const QRectF& frame);
    // The display without its content, then `content` drawn over it.
    static void paintBehind(QPainter& painter, const QRectF& frame, Scheme scheme);
    static void paintOver(QPainter& painter, const QRectF& frame, Scheme scheme);
};

} // namespace tilewick
