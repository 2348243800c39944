#pragma once

#include "X11ApplicationGroups.h"
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

// The running applications of an X desktop, as task bars show them (X11ApplicationGroups): the
// windows whose class leads to the same desktop entry are one application, named after the entry;
// a window no entry claims is the application of its own process (_NET_WM_PID), named after its
// class. An application's pid is its oldest process's. The frontmost application owns the active
// window. This program is always among them.
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

    // The pid of the application a client belongs to; 0 when it names no process.
    qint32 applicationPid(const Client& client) const;
    // The clients of the application, front to back; `pid` is the application's or one of its
    // processes'.
    QList<Client> clientsOf(qint32 pid) const;
    // Whether the application has a client; `pid` as for clientsOf.
    bool hasClients(qint32 pid) const { return applicationOf(pid).has_value(); }
    // The desktop entry of the application; none when no entry claims its windows.
    std::optional<DesktopEntry> entryOf(qint32 pid) const;

private:
    struct State {
        QList<RunningApplication> apps;
        std::optional<qint32> frontmost;
    };
    State state() const;
    State query() const;
    // The application `pid` is the pid or a process of, as the client list is now.
    QList<X11ApplicationGroups::Application> groups() const;
    std::optional<X11ApplicationGroups::Application> applicationOf(qint32 pid) const;
    RunningApplication describe(const X11ApplicationGroups::Application& app,
                                const QHash<qint32, RunningApplication>& known) const;
    void refresh();

    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<DesktopEntryIndex> m_entries;
    const OwnApplication m_own;
    const qint32 m_ownPid;
    mutable X11ApplicationGroups m_groups;
    // The last grouping and the clients it was made of.
    mutable std::mutex m_groupsMutex;
    mutable QList<X11ApplicationGroups::Application> m_groupsCache;
    mutable quint64 m_groupsGeneration = 0;
    mutable std::mutex m_mutex;
    mutable std::optional<State> m_state;
    // What is known of each application, read once (desktop entry, launch time).
    mutable QHash<qint32, RunningApplication> m_descriptions; // guarded by m_mutex
};

} // namespace platform::x11
