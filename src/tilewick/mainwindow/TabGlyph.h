#pragma once

#include "tilewick/model/SnapTab.h"
#include "tilewick/visuals/Theme.h"

#include <QList>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tilewick {

// The icon of a tab button: a gear for the general hotkeys, a stick-drawn A for Default App
// Snaps, and the tab's grid of tiles for every layout tab (a two-to-one split for the
// two-thirds tabs). White on a selected button, the accent on the others.
struct TabGlyph {
    SnapTab tab = SnapTab::global;
    bool selected = false;

    // The upper-case A of three strokes that the Default App Snaps tab shows, in `rect`.
    static QPainterPath stickA(const QRectF& rect);
    // The tiles of a layout tab's drawing in a box of `size` at the origin; none for the tabs
    // drawn otherwise.
    static QList<QRectF> tiles(SnapTab tab, QSizeF size);
    // Space between tiles and their corner radius.
    static qreal gap(QSizeF size);
    static qreal cornerRadius(QSizeF size);
    QColor ink(Scheme scheme) const;

    // Draws the glyph at the size of `rect`.
    void paint(QPainter& painter, const QRectF& rect, Scheme scheme) const;
};

// The look of a tab button behind its glyph: the window gradient when selected, else the card
// colour with a neutral border; pressed, the whole button shows at 0.85.
struct TabIconStyle {
    bool selected = false;

    static constexpr qreal kCornerRadius = 8;

    static qreal opacity(bool pressed) { return pressed ? 0.85 : 1.0; }
    // Draws the button in `rect`, its glyph with it.
    void paint(QPainter& painter, const QRectF& rect, const TabGlyph& glyph, QSizeF glyphSize, bool pressed,
               Scheme scheme) const;
};

} // namespace tilewick
