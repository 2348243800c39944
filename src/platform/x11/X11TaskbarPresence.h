#pragma once

#include "platform/TaskbarPresence.h"

class QWindow;

namespace platform::x11 {

// Whether `window` of this program shows in task bars and window switchers
// (_NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER cleared, or set). A window not yet
// mapped carries the state in its property, which Qt keeps when it maps the window; a mapped
// one asks the window manager. Does nothing off Qt's xcb platform.
void setTaskbarPresence(QWindow* window, bool shown);

// The taskbar presence of the X11 desktop, through setTaskbarPresence().
class X11TaskbarPresence final : public TaskbarPresence {
public:
    void setShown(QWindow* window, bool shown) override { setTaskbarPresence(window, shown); }
};

} // namespace platform::x11
