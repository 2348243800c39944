#pragma once

#include "platform/ScreenSession.h"

namespace platform::sim {

// Screens that sleep, wake, lock and unlock when the test says so.
class SimScreenSession final : public ScreenSession {
    Q_OBJECT
public:
    bool observing() const override { return m_observing; }
    void setObserving(bool observing) { m_observing = observing; }

    void sleep() { emit screensDidSleep(); }
    void wake() { emit screensDidWake(); }
    void lock() { emit screenLocked(); }
    void unlock() { emit screenUnlocked(); }

private:
    bool m_observing = true;
};

} // namespace platform::sim
