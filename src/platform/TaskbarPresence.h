#pragma once

class QWindow;

namespace platform {

// Whether a window of this program shows in task bars and window switchers. A window not yet
// mapped carries the state when it maps; a mapped one changes it at once. Main thread.
class TaskbarPresence {
public:
    virtual ~TaskbarPresence() = default;
    virtual void setShown(QWindow* window, bool shown) = 0;
};

} // namespace platform
