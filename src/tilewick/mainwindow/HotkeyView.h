#pragma once

#include "tilewick/model/Hotkey.h"
#include "tilewick/visuals/Theme.h"

#include <QPointF>
#include <QSizeF>

class QPainter;

namespace tilewick {

// A hotkey as a chip: the modifier symbols and a "+" in the arrow gradient, then one key cap
// holding the key's symbol or label. While `editing`, the cap is highlighted and holds a
// blinking cursor instead of the key. Every size is a multiple of the unit `scale` (× 0.92
// when `compact`).
struct HotkeyView {
    Hotkey hotkey;
    bool compact = false;
    qreal scale = 1;
    bool editing = false;

    // Where everything goes, from the top-left corner of the chip.
    struct Metrics {
        qreal unit = 0;
        // Modifier symbols, and the space between the group's items.
        qreal symbolSize = 0;
        qreal groupSpacing = 0;
        // The "+": its type size and its leading padding.
        qreal plusSize = 0;
        qreal plusPadding = 0;
        qreal plusWidth = 0;
        // The modifier group, the space after it and the key cap.
        qreal groupWidth = 0;
        qreal spacing = 0;
        qreal faceWidth = 0;
        QSizeF cap;
        qreal capRadius = 0;
        QSizeF size;
    };

    qreal unit() const { return scale * (compact ? 0.92 : 1); }
    Metrics metrics() const;
    // The hotkey read out: text parts as they are, symbol names as words ("option command left
    // arrow", "control option delete left", "option command Q").
    static QString spoken(const Hotkey& hotkey);
    // What assistive technology says of the chip.
    QString accessibleLabel() const;

    // Draws the chip with its top-left corner at `origin`, the cursor as the blink clock has it
    // at `now`.
    void paint(QPainter& painter, QPointF origin, Scheme scheme, double now) const;

    // The hotkey a layout card shows for an action without a key: the modifiers and a dash.
    static Hotkey dash(quint64 modifiers) { return Hotkey{0, modifiers, QStringLiteral("\u2013")}; }
};

} // namespace tilewick
