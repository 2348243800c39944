#pragma once

#include "platform/Accessibility.h"

#include <QString>

#include <optional>

namespace platform {
class Runtime;
}

namespace tilewick {

// Finding and pressing the menu item through which an application opens a new window. Run on the
// multi-window queue: the calls block as long as the application's messaging time-out allows.

// How long the menu search lets the application take for each call.
inline constexpr double kMenuSearchTimeout = 0.5;
// How long a pressed item has to bring up its window, and how often the windows are looked at.
inline constexpr double kNewWindowWait = 3.0;
inline constexpr double kNewWindowPoll = 0.05;

// "New Window", "New Finder Window", "New WINDOW": begins with "New " (as written) and names a
// window in any case, but not a private or incognito one.
bool isNewWindowTitle(const QString& title);

// "AXChildren" of an element; empty when unreadable.
platform::AXElementList axChildren(platform::Accessibility& ax, const platform::AXElement& element);

// The enabled new-window item of the application's menus after the first (the application's own
// menu): a new-window title wins wherever it stands; else an item in a submenu whose title begins
// with "New" that is a new-window title or exactly "Window"; else the first enabled plain "New"
// with the command character "N". Sets the application's messaging time-out to kMenuSearchTimeout.
std::optional<platform::AXElement> findNewWindowItem(platform::Accessibility& ax,
                                                     const platform::AXElement& app);

// Presses `item` and waits up to kNewWindowWait for a standard window of the application that it
// did not have before; none when the press fails or no window comes. Sleeps through `runtime`
// (never on the main thread).
std::optional<platform::AXElement> openNewWindow(platform::Accessibility& ax, platform::Runtime& runtime,
                                                 const platform::AXElement& app,
                                                 const platform::AXElement& item);

} // namespace tilewick
