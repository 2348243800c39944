#pragma once

#include <QObject>

namespace platform {

// The session's screens: asleep or awake, locked or unlocked. Main thread.
class ScreenSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when no source of these notifications could be reached: then none will come.
    virtual bool observing() const = 0;

signals:
    void screensDidSleep();
    void screensDidWake();
    void screenLocked();
    void screenUnlocked();
};

} // namespace platform
