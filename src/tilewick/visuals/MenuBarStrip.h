#pragma once

#include "StackLayout.h"
#include "Theme.h"

namespace tilewick {

// A mock-up of the desktop's menu bar holding the menu-bar icon beside the network symbol
// and a clock, for the icon review sheets: black on a light strip or white on a dark one.
struct MenuBarStrip {
    enum class Kind {
        Small, // the template image as the tray shows it
        Large  // the drawing itself, larger spacing
    };
    Kind kind = Kind::Small;
    Scheme scheme = Scheme::Light;

    static constexpr Rgb kMockLight{236, 236, 238};
    static constexpr Rgb kMockDark{43, 43, 48};
    static constexpr const char* kClock = "Sun 01:20";

    Block block() const;
};

} // namespace tilewick
