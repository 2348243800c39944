#pragma once

#include <QList>
#include <QMargins>
#include <QRect>

class QWidget;

namespace platform {

// The outer frame (decorations included) a window of `frame` takes inside `area`, the work area
// of its screen: no wider or taller than the area, and moved in so that no edge leaves it. An
// empty area leaves the frame as it is.
QRect fitFrame(const QRect& frame, const QRect& area);

// The client geometry that puts a window whose client geometry is `client` and whose window
// manager adds `decorations` around it inside `area`; the client never shrinks below 1 × 1.
QRect fitClient(const QRect& client, const QMargins& decorations, const QRect& area);

// A screen's whole geometry and its work area.
struct ScreenArea {
    QRect geometry;
    QRect workArea;
};

// The work area of the screen holding the middle of `frame`, or `otherwise` when no screen holds
// it. Qt tells a window of the screen it moved to only after it has told of the move itself, so
// the window's own screen may still be the one it left.
QRect workAreaHolding(const QRect& frame, const QList<ScreenArea>& screens, const QRect& otherwise);

// The work area of the screen the top-level `window`'s frame is on; null without a screen.
QRect workAreaOf(const QWidget& window);

// Keeps the top-level `window` inside the work area of the screen it is on as it opens: each time it is
// shown it is fitted with the decorations known then, and once more when the window manager has
// framed it and the decorations are known (a window manager may frame it only after it maps).
// Later moves and resizes, the user's own, are left alone.
void fitWhenShown(QWidget& window);

} // namespace platform
