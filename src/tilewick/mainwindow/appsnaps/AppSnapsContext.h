#pragma once

#include "tilewick/mainwindow/TipTracker.h"
#include "tilewick/visuals/ViewServices.h"

#include <QPalette>

class QPainter;
class QRectF;
class QScrollArea;

namespace tilewick {

class AppIcons;
class HoverTipState;
class TilewickStore;

// What every view of the Default App Snaps page works with: the store it reads and calls, the
// view services, the page's icon caches, and the hover tips with the way from a widget to the
// tips' root.
struct AppSnapsContext {
    TilewickStore& store;
    ViewServices services;
    AppIcons& icons;
    // None: the views show no tips (a page drawn on its own).
    HoverTipState* tips = nullptr;
    TipTracker::ToRoot toRoot;

    // Gives `widget` its hover tip and accessibility hint; null without tips.
    TipTracker* attachTip(QWidget& widget, const QString& text) const;
    Scheme scheme() const { return services.scheme(); }
};

// The surface of the page's two cards: rounded by 12, the card colour, a 1-point border inside.
void paintPageCard(QPainter& painter, const QRectF& card, Scheme scheme);

// The palette the platform's standard controls (pop-up, checkbox, scroll bars) are drawn with in
// a scheme.
QPalette controlPalette(Scheme scheme);

// Puts a new widget of rows into a scroll area, drawn over its parent's surface, with scroll bars
// of the scheme. The old one goes on a later turn: a row may be the sender of the click that asked
// for the new rows.
void replaceScrolledRows(QScrollArea& scroll, QWidget* rows, Scheme scheme);

} // namespace tilewick
