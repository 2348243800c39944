#pragma once

#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "tilewick/model/SnapAction.h"

#include <QList>
#include <QRectF>

#include <optional>

namespace tilewick {

// The window helpers multi-window fills and Default App Snaps share. Frames are in the top-left
// coordinate space of Accessibility. Callable from any thread; the Accessibility calls block as
// long as the element's messaging time-out allows.

// A window people work in: subrole "AXStandardWindow", neither minimised nor full screen. An
// unreadable subrole is no standard window; an unreadable minimised or full-screen state counts
// as not.
bool isStandardWindow(platform::Accessibility& ax, const platform::AXElement& window);

// The application's standard windows in its "AXWindows" order; empty when unreadable.
platform::AXElementList appWindows(platform::Accessibility& ax, const platform::AXElement& app);

// Where a layout puts its windows on one screen.
struct CellFrames {
    // The whole screen (not only its visible part); all zeros without a screen.
    QRectF screenFrame;
    // One frame per cell of the visible frame, whole points, in multiWindowCells order; none when
    // the action is no cells layout, without a screen, or when the visible frame has no area.
    std::optional<QList<QRectF>> cells;
};

// The cells of `action` on `screen`, out of `screens` (primary first), which give the top-left
// coordinate space.
CellFrames cellFrames(SnapAction action, const std::optional<platform::ScreenInfo>& screen,
                      const QList<platform::ScreenInfo>& screens);

} // namespace tilewick
