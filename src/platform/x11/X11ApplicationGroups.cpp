#include "X11ApplicationGroups.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace platform::x11 {

X11ApplicationGroups::X11ApplicationGroups(qint32 ownPid, EntryLookup entries, StartTime startTime)
    : m_ownPid(ownPid), m_entries(std::move(entries)), m_startTime(std::move(startTime)) {}

const X11ApplicationGroups::Claim& X11ApplicationGroups::claimLocked(const Client& client) {
    auto it = m_claims.find(client.window);
    if (it != m_claims.end() && it->instance == client.instance && it->className == client.className &&
        it->pid == client.pid)
        return *it;
    Claim claim{client.instance, client.className, client.pid, {}, std::nullopt};
    // This program stays itself, whatever entry shares its class.
    if (client.pid != m_ownPid && m_entries)
        claim.entry = m_entries(client);
    claim.key =
        claim.entry ? QStringLiteral("entry:") + claim.entry->id : QStringLiteral("pid:%1").arg(client.pid);
    return *m_claims.insert(client.window, claim);
}

QList<X11ApplicationGroups::Application> X11ApplicationGroups::group(const QList<Client>& clients) {
    std::lock_guard lock(m_mutex);
    QList<Application> apps;
    QList<QString> keys;
    QHash<QString, qsizetype> index;
    QSet<xcb_window_t> current;
    for (const auto& client : clients) {
        if (client.pid <= 0)
            continue;
        current.insert(client.window);
        const Claim& claim = claimLocked(client);
        qsizetype i = index.value(claim.key, -1);
        if (i < 0) {
            i = apps.size();
            index.insert(claim.key, i);
            keys.append(claim.key);
            apps.append({0, claim.entry, {}, {}});
        }
        apps[i].clients.append(client);
        if (!apps[i].processes.contains(client.pid))
            apps[i].processes.append(client.pid);
    }
    m_claims.removeIf([&](const auto& claim) { return !current.contains(claim.key()); });

    QSet<qint32> processes;
    for (const auto& app : apps)
        for (qint32 pid : app.processes)
            processes.insert(pid);
    QHash<QString, qint32> pids;
    for (qsizetype i = 0; i < apps.size(); ++i) {
        Application& app = apps[i];
        const auto kept = m_pids.constFind(keys[i]);
        if (kept != m_pids.constEnd() && (app.processes.contains(*kept) || !processes.contains(*kept))) {
            app.pid = *kept;
        } else if (app.processes.size() == 1) {
            app.pid = app.processes.first();
        } else {
            // The oldest process; one whose start is unknown counts as the newest.
            auto started = [this](qint32 pid) {
                return m_startTime ? m_startTime(pid).value_or(std::numeric_limits<qint64>::max())
                                   : std::numeric_limits<qint64>::max();
            };
            app.pid = *std::min_element(app.processes.cbegin(), app.processes.cend(),
                                        [&](qint32 a, qint32 b) { return started(a) < started(b); });
        }
        pids.insert(keys[i], app.pid);
    }
    m_pids = pids;
    return apps;
}

std::optional<qint32> X11ApplicationGroups::knownApplicationOf(const Client& client) {
    if (client.pid <= 0)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const auto it = m_pids.constFind(claimLocked(client).key);
    return it == m_pids.constEnd() ? std::nullopt : std::optional<qint32>(*it);
}

} // namespace platform::x11
