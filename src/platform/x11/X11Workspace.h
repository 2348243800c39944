#pragma once

#include "X11Connection.h"
#include "X11Desktop.h"
#include "platform/Workspace.h"

#include <QHash>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {
class DesktopEntryIndex;
}

namespace platform::x11 {

// The running applications of an X desktop: the window manager's clients grouped by their process
// (_NET_WM_PID), named after the desktop entry that claims their window class (else the class).
// The frontmost application owns the active window. This program is always among them.
//
// An application is running while it has a managed window: it "launches" when its first window
// is mapped and "terminates" when its last one goes. Clients that do not give their process are
// not applications. The list is kept until the client list or the active window changes; then it
// is read again on the main thread and the differences are announced. Thread-safe.
class X11Workspace : public Workspace {
    Q_OBJECT
public:
    X11Workspace(std::shared_ptr<X11Connection> connection, std::shared_ptr<DesktopEntryIndex> entries,
                 OwnApplication own);

    QList<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    // Asks every window of the application to close (_NET_CLOSE_WINDOW), as a user closing them
    // would, so the application can still ask to save its work.
    bool terminate(qint32 pid) override;

private:
    struct State {
        QList<RunningApplication> apps;
        std::optional<qint32> frontmost;
    };
    State state() const;
    State query() const;
    RunningApplication describe(qint32 pid, const Client& client, bool regular,
                                const QHash<qint32, RunningApplication>& known) const;
    void refresh();

    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<DesktopEntryIndex> m_entries;
    const OwnApplication m_own;
    const qint32 m_ownPid;
    mutable std::mutex m_mutex;
    mutable std::optional<State> m_state;
    // What is known of each process, read once (desktop entry, launch time).
    mutable QHash<qint32, RunningApplication> m_descriptions; // guarded by m_mutex
};

} // namespace platform::x11
