#pragma once

#include "tilewick/mainwindow/TipTracker.h"
#include "tilewick/visuals/ViewServices.h"

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

} // namespace tilewick
