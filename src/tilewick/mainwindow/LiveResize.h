#pragma once

#include "platform/Runtime.h"

#include <QSize>

#include <functional>

namespace tilewick {

// Tells the steps of a drag of the window's edge from a resize alone: a step that comes within
// kSettleTime of the one before continues a drag, and the drag has settled once no step has
// come for kSettleTime. The quiet time runs on the runtime's timers.
class LiveResize {
public:
    static constexpr double kSettleTime = 0.2;
    // How far a kept picture may be stretched, as a share of the size it was taken at.
    static constexpr double kMostStretch = 0.15;

    // `settled` runs once the quiet time after a step has run out.
    LiveResize(platform::Runtime& runtime, std::function<void()> settled);
    ~LiveResize();
    LiveResize(const LiveResize&) = delete;
    LiveResize& operator=(const LiveResize&) = delete;

    // A step of the resize begins; true when it continues a drag.
    bool step();
    bool dragging() const { return m_quiet != nullptr; }
    // Whether pictures taken at `kept` look too stretched at `size`.
    static bool tooFar(QSize kept, QSize size);

private:
    platform::Runtime& m_runtime;
    std::function<void()> m_settled;
    platform::WorkItemRef m_quiet;
};

} // namespace tilewick
