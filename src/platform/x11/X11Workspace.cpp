#include "X11Workspace.h"

#include "platform/xdg/DesktopEntryIndex.h"

#include <QFile>

#include <algorithm>

#include <unistd.h>

namespace platform::x11 {

namespace {

// When the process started, from /proc: its start in clock ticks after boot, and the boot time.
std::optional<qint64> processStartMillis(qint32 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name may hold spaces and parentheses; the fields follow the last ')'.
    const auto fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const qint64 ticks = fields.value(19).toLongLong(&ok); // field 22, starttime
    if (!ok)
        return std::nullopt;
    QFile system(QStringLiteral("/proc/stat"));
    if (!system.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const auto& entry : system.readAll().split('\n')) {
        if (entry.startsWith("btime ")) {
            const qint64 boot = entry.mid(6).trimmed().toLongLong(&ok);
            const long hz = sysconf(_SC_CLK_TCK);
            if (!ok || hz <= 0)
                return std::nullopt;
            return boot * 1000 + ticks * 1000 / hz;
        }
    }
    return std::nullopt;
}

QString processName(qint32 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

} // namespace

X11Workspace::X11Workspace(std::shared_ptr<X11Connection> connection,
                           std::shared_ptr<DesktopEntryIndex> entries, OwnApplication own)
    : m_x(std::move(connection)), m_entries(std::move(entries)), m_own(std::move(own)),
      m_ownPid(qint32(getpid())),
      m_groups(
          m_ownPid,
          [index = m_entries](const Client& client) {
              return index ? index->forWindowClass(client.instance, client.className) : std::nullopt;
          },
          processStartMillis) {
    m_state = query();
    connect(m_x.get(), &X11Connection::rootPropertiesChanged, this, [this](const QList<quint32>& atoms) {
        const auto* e = m_x->ewmh();
        if (atoms.contains(e->_NET_CLIENT_LIST) || atoms.contains(e->_NET_ACTIVE_WINDOW))
            refresh();
    });
}

QList<RunningApplication> X11Workspace::runningApplications() const {
    return state().apps;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const {
    const State s = state();
    if (s.frontmost)
        for (const auto& app : s.apps)
            if (app.pid == *s.frontmost)
                return app;
    return std::nullopt;
}

bool X11Workspace::terminate(qint32 pid) {
    bool asked = false;
    if (pid <= 0)
        return false;
    for (const auto& client : clientsOf(pid)) {
        // Timestamp 0 and source 2: a request on the user's behalf, as a pager makes.
        m_x->sendToWindowManager(client.window, m_x->ewmh()->_NET_CLOSE_WINDOW, {0, 2, 0, 0, 0});
        asked = true;
    }
    return asked;
}

X11Workspace::State X11Workspace::state() const {
    {
        std::lock_guard lock(m_mutex);
        if (m_state)
            return *m_state;
    }
    const State fresh = query();
    std::lock_guard lock(m_mutex);
    if (!m_state)
        m_state = fresh;
    return *m_state;
}

QList<X11ApplicationGroups::Application> X11Workspace::groups() const {
    // Grouped again only when the clients changed: a hotkey asks several times, and the work
    // would grow with the number of windows.
    const quint64 generation = m_x->clientsGeneration();
    {
        std::lock_guard lock(m_groupsMutex);
        if (m_groupsGeneration == generation)
            return m_groupsCache;
    }
    const auto apps = m_groups.group(m_x->clients().clients);
    std::lock_guard lock(m_groupsMutex);
    m_groupsCache = apps;
    m_groupsGeneration = generation;
    return apps;
}

std::optional<X11ApplicationGroups::Application> X11Workspace::applicationOf(qint32 pid) const {
    if (pid <= 0)
        return std::nullopt;
    const auto apps = groups();
    for (const auto& app : apps)
        if (app.pid == pid)
            return app;
    for (const auto& app : apps)
        if (app.processes.contains(pid))
            return app;
    return std::nullopt;
}

qint32 X11Workspace::applicationPid(const Client& client) const {
    if (client.pid <= 0)
        return 0;
    if (const auto known = m_groups.knownApplicationOf(client))
        return *known;
    // An application that showed since the last look: group the clients afresh.
    for (const auto& app : groups())
        for (const auto& c : app.clients)
            if (c.window == client.window)
                return app.pid;
    return client.pid;
}

QList<Client> X11Workspace::clientsOf(qint32 pid) const {
    auto app = applicationOf(pid);
    if (!app)
        return {};
    // Grouped bottom to top, as the client list stacks them.
    std::reverse(app->clients.begin(), app->clients.end());
    return app->clients;
}

std::optional<DesktopEntry> X11Workspace::entryOf(qint32 pid) const {
    const auto app = applicationOf(pid);
    return app ? app->entry : std::nullopt;
}

RunningApplication X11Workspace::describe(const X11ApplicationGroups::Application& group,
                                          const QHash<qint32, RunningApplication>& known) const {
    const qint32 pid = group.pid;
    RunningApplication app;
    if (pid == m_ownPid) {
        app.bundleIdentifier =
            m_own.bundleIdentifier.isEmpty() ? std::nullopt : std::optional<QString>(m_own.bundleIdentifier);
        app.localizedName = m_own.name;
        app.bundlePath = m_own.bundlePath;
    } else if (const auto it = known.constFind(pid); it != known.constEnd()) {
        app = *it;
    } else if (group.entry) {
        app.bundleIdentifier = group.entry->id;
        app.localizedName = group.entry->name;
        app.bundlePath = group.entry->path;
    } else {
        // Named after the first of its windows that gives a class.
        QString className;
        for (const auto& c : group.clients)
            if (className.isEmpty())
                className = c.className;
        if (!className.isEmpty())
            app.bundleIdentifier = className;
        app.localizedName = className.isEmpty() ? processName(pid) : className;
    }
    if (app.localizedName.isEmpty() && pid != m_ownPid)
        app.localizedName = processName(pid);
    if (!app.launchMillis)
        app.launchMillis = processStartMillis(pid);
    app.pid = pid;
    // Panels and desktops are background utilities.
    const bool regular = std::any_of(group.clients.cbegin(), group.clients.cend(),
                                     [](const Client& c) { return c.isAppWindow(); });
    app.activationPolicy = regular ? ActivationPolicy::Regular : ActivationPolicy::Accessory;
    app.hidden = false;
    return app;
}

X11Workspace::State X11Workspace::query() const {
    const ClientList list = m_x->clients();
    QList<X11ApplicationGroups::Application> groups = m_groups.group(list.clients);
    auto groupOf = [&groups](qint32 pid) -> const X11ApplicationGroups::Application* {
        for (const auto& g : groups)
            if (g.pid == pid)
                return &g;
        return nullptr;
    };

    State s;
    // Keep the order applications were first seen in; new ones follow in stacking order.
    QList<qint32> order;
    QHash<qint32, RunningApplication> known;
    {
        std::lock_guard lock(m_mutex);
        known = m_descriptions;
        if (m_state)
            for (const auto& app : m_state->apps)
                if (groupOf(app.pid) || app.pid == m_ownPid)
                    order.append(app.pid);
    }
    if (!order.contains(m_ownPid))
        order.prepend(m_ownPid);
    for (const auto& g : groups)
        if (!order.contains(g.pid))
            order.append(g.pid);

    QHash<qint32, RunningApplication> descriptions;
    for (qint32 pid : order) {
        const auto* group = groupOf(pid);
        const RunningApplication app =
            describe(group ? *group : X11ApplicationGroups::Application{pid}, known);
        s.apps.append(app);
        descriptions.insert(pid, app);
    }
    {
        std::lock_guard lock(m_mutex);
        // Forget applications that are gone, so a new one with a reused id is read afresh.
        m_descriptions = descriptions;
    }
    for (const auto& g : groups)
        for (const auto& c : g.clients)
            if (c.window == list.active)
                s.frontmost = g.pid;
    return s;
}

void X11Workspace::refresh() {
    const State fresh = query();
    State old;
    {
        std::lock_guard lock(m_mutex);
        if (m_state)
            old = *m_state;
        m_state = fresh;
    }
    auto find = [](const QList<RunningApplication>& apps, qint32 pid) -> const RunningApplication* {
        for (const auto& app : apps)
            if (app.pid == pid)
                return &app;
        return nullptr;
    };
    for (const auto& app : fresh.apps)
        if (!find(old.apps, app.pid))
            emit applicationLaunched(app);
    for (const auto& app : old.apps)
        if (!find(fresh.apps, app.pid))
            emit applicationTerminated(app);
    if (fresh.frontmost == old.frontmost)
        return;
    if (fresh.frontmost)
        if (const auto* app = find(fresh.apps, *fresh.frontmost))
            emit applicationActivated(*app);
    emit frontmostApplicationChanged();
}

} // namespace platform::x11
