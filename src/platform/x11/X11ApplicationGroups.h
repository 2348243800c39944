#pragma once

#include "X11Connection.h"
#include "platform/xdg/DesktopEntryIndex.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

namespace platform::x11 {

// Which application each client window belongs to, as task bars group them: the windows whose
// WM_CLASS leads to the same desktop entry are one application, whatever their processes (a
// terminal's second window is often a process of its own); a window no entry claims is the
// application of its own process, and so is every window of this program. Windows that name no
// process belong to none.
//
// An application's process id is that of its oldest process when it shows, kept while it has
// windows, even after that process has gone (its other windows were opened under it), unless
// another application's process has taken the id over. Thread-safe.
class X11ApplicationGroups {
public:
    struct Application {
        qint32 pid = 0;
        std::optional<DesktopEntry> entry;
        // Its clients, in the order given.
        QList<Client> clients;
        // Its processes, each once, in the order of their first client.
        QList<qint32> processes;
    };
    // The desktop entry that claims a window.
    using EntryLookup = std::function<std::optional<DesktopEntry>(const Client&)>;
    // When a process started (any clock that orders processes); none when unknown.
    using StartTime = std::function<std::optional<qint64>(qint32 pid)>;

    X11ApplicationGroups(qint32 ownPid, EntryLookup entries, StartTime startTime);

    // The applications of these clients, in the order of their first client. A client's desktop
    // entry is looked up once while it stays a client with the same class.
    QList<Application> group(const QList<Client>& clients);
    // The process id of the client's application as the last grouping gave it; none when its
    // application is new since.
    std::optional<qint32> knownApplicationOf(const Client& client);

private:
    struct Claim {
        QString instance;
        QString className;
        qint32 pid = 0;
        QString key;
        std::optional<DesktopEntry> entry;
    };
    const Claim& claimLocked(const Client& client);

    const qint32 m_ownPid;
    const EntryLookup m_entries;
    const StartTime m_startTime;
    std::mutex m_mutex;
    QHash<xcb_window_t, Claim> m_claims;
    // Each application's process id, by its key (desktop entry or process).
    QHash<QString, qint32> m_pids;
};

} // namespace platform::x11
