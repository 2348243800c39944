#pragma once

#include "platform/ScreenSession.h"

#include <QString>

namespace platform::qt {

// Screen sleep and lock from the desktop session over D-Bus:
// - sleep: systemd-logind's PrepareForSleep(true/false) on the system bus;
// - lock: the screen saver's ActiveChanged(true/false) on the session bus
//   (org.freedesktop.ScreenSaver), and logind's Lock/Unlock of this process's session.
// Without either bus nothing is reported; observing() then says false.
class DBusScreenSession final : public ScreenSession {
    Q_OBJECT
public:
    explicit DBusScreenSession(QObject* parent = nullptr);

    bool observing() const override { return m_observing; }

private slots:
    void prepareForSleep(bool sleeping);
    void screenSaverActiveChanged(bool active);
    void sessionLock();
    void sessionUnlock();

private:
    void watchSession(const QString& sessionPath);

    bool m_observing = false;
};

} // namespace platform::qt
