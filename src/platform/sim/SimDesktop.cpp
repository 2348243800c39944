#include "SimDesktop.h"

#include "SimAccessibility.h"
#include "SimPointer.h"
#include "SimScreens.h"
#include "SimSound.h"
#include "SimWorkspace.h"
#include "platform/Platform.h"

#include <algorithm>

namespace platform::sim {

SimDesktop::SimDesktop() = default;
SimDesktop::~SimDesktop() = default;

void SimDesktop::run(After& after) {
    for (auto& task : after)
        task();
    after.clear();
}

// --- Trust ---

void SimDesktop::setTrusted(bool trusted) {
    std::lock_guard lock(m_mutex);
    m_trusted = trusted;
}

bool SimDesktop::isTrusted() const {
    std::lock_guard lock(m_mutex);
    return m_trusted;
}

int SimDesktop::trustRequests() const {
    std::lock_guard lock(m_mutex);
    return m_trustRequests;
}

// --- Screens ---

void SimDesktop::setScreens(const QList<ScreenInfo>& screens) {
    {
        std::lock_guard lock(m_mutex);
        m_screens = screens;
    }
    emit screensChanged();
}

int SimDesktop::addScreen(const QRectF& frame, const QRectF& visibleFrame, const QString& name) {
    int index;
    {
        std::lock_guard lock(m_mutex);
        // The primary screen's top edge is the line from which top-left y is measured.
        const double top = m_screens.isEmpty() ? frame.bottom() : m_screens.first().frame.bottom();
        auto toScreen = [top](const QRectF& r) {
            return QRectF(r.x(), top - r.bottom(), r.width(), r.height());
        };
        ScreenInfo screen;
        screen.frame = toScreen(frame);
        screen.visibleFrame = toScreen(visibleFrame);
        screen.displayID = quint32(m_nextId++);
        screen.uuid =
            QStringLiteral("5C1D0000-0000-4000-8000-%1").arg(screen.displayID, 12, 16, QLatin1Char('0'));
        screen.name = name.isEmpty() ? QStringLiteral("Display %1").arg(m_screens.size() + 1) : name;
        index = int(m_screens.size());
        m_screens.append(screen);
    }
    emit screensChanged();
    return index;
}

void SimDesktop::removeScreen(int index) {
    {
        std::lock_guard lock(m_mutex);
        if (index < 0 || index >= m_screens.size())
            return;
        m_screens.removeAt(index);
    }
    emit screensChanged();
}

QList<ScreenInfo> SimDesktop::screens() const {
    std::lock_guard lock(m_mutex);
    return m_screens;
}

// --- Pointer ---

void SimDesktop::movePointer(const std::optional<QPointF>& topLeft) {
    std::lock_guard lock(m_mutex);
    m_pointer.reset();
    if (topLeft && !m_screens.isEmpty())
        m_pointer = QPointF(topLeft->x(), m_screens.first().frame.bottom() - topLeft->y());
}

std::optional<QPointF> SimDesktop::pointerLocation() const {
    std::lock_guard lock(m_mutex);
    return m_pointer;
}

void SimDesktop::pressMouseButton(quint32 button) {
    std::vector<std::shared_ptr<std::function<void()>>> monitors;
    {
        std::lock_guard lock(m_mutex);
        m_buttons |= button;
        if (button & 1)
            for (const auto& weak : m_mouseDownMonitors)
                if (auto monitor = weak.lock())
                    monitors.push_back(monitor);
    }
    for (const auto& monitor : monitors)
        (*monitor)();
}

void SimDesktop::releaseMouseButton(quint32 button) {
    std::lock_guard lock(m_mutex);
    m_buttons &= ~button;
}

void SimDesktop::click(quint32 button) {
    pressMouseButton(button);
    releaseMouseButton(button);
}

quint32 SimDesktop::pressedMouseButtons() const {
    std::lock_guard lock(m_mutex);
    return m_buttons;
}

std::shared_ptr<void> SimDesktop::addLeftMouseDownMonitor(std::function<void()> handler) {
    auto monitor = std::make_shared<std::function<void()>>(std::move(handler));
    std::lock_guard lock(m_mutex);
    std::erase_if(m_mouseDownMonitors, [](const auto& weak) { return weak.expired(); });
    m_mouseDownMonitors.push_back(monitor);
    return monitor;
}

// --- Applications ---

RunningApplication SimDesktop::runningLocked(const AppState& app) const {
    RunningApplication r;
    r.pid = app.spec.pid;
    r.bundleIdentifier = app.spec.bundleIdentifier;
    r.localizedName = app.spec.name;
    r.bundlePath = app.spec.bundlePath;
    r.activationPolicy = app.spec.activationPolicy;
    r.hidden = app.spec.hidden;
    r.launchMillis = app.spec.launchMillis;
    return r;
}

AXElement SimDesktop::addApp(const SimApp& app) {
    RunningApplication launched;
    {
        std::lock_guard lock(m_mutex);
        if (m_apps.contains(app.pid))
            return AXElement(appId(app.pid), app.pid);
        m_apps.insert(app.pid, AppState{app});
        m_appOrder.append(app.pid);
        launched = runningLocked(m_apps[app.pid]);
    }
    emit applicationLaunched(launched);
    return AXElement(appId(app.pid), app.pid);
}

void SimDesktop::quitApp(qint32 pid) {
    RunningApplication quit;
    bool wasFront = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_apps.find(pid);
        if (it == m_apps.end())
            return;
        quit = runningLocked(*it);
        for (quint64 w : it->windows)
            m_windows.remove(w);
        if (it->menuBar)
            removeMenuNodeLocked(it->menuBar);
        m_apps.erase(it);
        m_appOrder.removeAll(pid);
        wasFront = m_frontmost == pid;
        if (wasFront)
            m_frontmost.reset();
    }
    emit applicationTerminated(quit);
    if (wasFront)
        emit frontmostChanged();
}

void SimDesktop::activateLocked(qint32 pid, After& after) {
    auto it = m_apps.find(pid);
    if (it == m_apps.end())
        return;
    const bool changed = m_frontmost != pid;
    m_frontmost = pid;
    it->spec.hidden = false;
    after.push_back([this, app = runningLocked(*it), changed] {
        emit applicationActivated(app);
        if (changed)
            emit frontmostChanged();
    });
}

void SimDesktop::activate(qint32 pid) {
    After after;
    {
        std::lock_guard lock(m_mutex);
        activateLocked(pid, after);
    }
    run(after);
}

void SimDesktop::clearFrontmost() {
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        changed = m_frontmost.has_value();
        m_frontmost.reset();
    }
    if (changed)
        emit frontmostChanged();
}

std::optional<qint32> SimDesktop::frontmostPid() const {
    std::lock_guard lock(m_mutex);
    return m_frontmost;
}

std::optional<SimApp> SimDesktop::app(qint32 pid) const {
    std::lock_guard lock(m_mutex);
    auto it = m_apps.find(pid);
    return it == m_apps.end() ? std::nullopt : std::optional<SimApp>(it->spec);
}

void SimDesktop::updateApp(qint32 pid, const std::function<void(SimApp&)>& change) {
    std::lock_guard lock(m_mutex);
    auto it = m_apps.find(pid);
    if (it != m_apps.end()) {
        change(it->spec);
        it->spec.pid = pid;
    }
}

QList<RunningApplication> SimDesktop::runningApplications() const {
    std::lock_guard lock(m_mutex);
    QList<RunningApplication> result;
    for (qint32 pid : m_appOrder)
        result.append(runningLocked(m_apps[pid]));
    return result;
}

// --- Windows ---

quint64 SimDesktop::focusedWindowLocked(const AppState& app) const {
    for (quint64 w : app.windows)
        if (!m_windows[w].spec.minimized)
            return w;
    return 0;
}

AXElement SimDesktop::addWindow(qint32 pid, const SimWindow& window) {
    quint64 id;
    std::vector<AXObserverCallback> listeners;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_apps.find(pid);
        if (it == m_apps.end())
            return {};
        id = (quint64(Kind::Window) << 56) | m_nextId++;
        m_windows.insert(id, WindowState{pid, window});
        it->windows.prepend(id);
        for (const auto& o : m_observers)
            if (o.pid == pid && o.notification == AXNotification::WindowCreated)
                listeners.push_back(o.callback);
    }
    for (const auto& callback : listeners)
        callback(AXElement(id, pid), AXNotification::WindowCreated);
    return AXElement(id, pid);
}

void SimDesktop::closeWindow(const AXElement& window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window.id());
    if (it == m_windows.end())
        return;
    if (auto app = m_apps.find(it->pid); app != m_apps.end())
        app->windows.removeAll(window.id());
    m_windows.erase(it);
}

std::optional<SimWindow> SimDesktop::window(const AXElement& window) const {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window.id());
    return it == m_windows.end() ? std::nullopt : std::optional<SimWindow>(it->spec);
}

std::optional<QRectF> SimDesktop::frame(const AXElement& window) const {
    auto w = this->window(window);
    return w ? std::optional<QRectF>(w->frame) : std::nullopt;
}

void SimDesktop::updateWindow(const AXElement& window, const std::function<void(SimWindow&)>& change) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window.id());
    if (it != m_windows.end())
        change(it->spec);
}

AXElementList SimDesktop::windows(qint32 pid) const {
    std::lock_guard lock(m_mutex);
    AXElementList result;
    auto it = m_apps.find(pid);
    if (it != m_apps.end())
        for (quint64 w : it->windows)
            result.append(AXElement(w, pid));
    return result;
}

// --- Menus ---

quint64 SimDesktop::addMenuNodeLocked(qint32 pid, const SimMenuItem& item) {
    const quint64 id = (quint64(Kind::Menu) << 56) | m_nextId++;
    MenuNode node{pid, item, {}};
    node.item.children.clear();
    for (const auto& child : item.children)
        node.children.append(addMenuNodeLocked(pid, child));
    m_menus.insert(id, node);
    return id;
}

void SimDesktop::removeMenuNodeLocked(quint64 id) {
    auto node = m_menus.take(id);
    for (quint64 child : node.children)
        removeMenuNodeLocked(child);
}

void SimDesktop::setMenuBar(qint32 pid, const QList<SimMenuItem>& items) {
    std::lock_guard lock(m_mutex);
    auto it = m_apps.find(pid);
    if (it == m_apps.end())
        return;
    if (it->menuBar)
        removeMenuNodeLocked(it->menuBar);
    SimMenuItem bar{AXAttribute::MenuBar};
    bar.children = items;
    it->menuBar = addMenuNodeLocked(pid, bar);
}

// --- Failures and time ---

void SimDesktop::setCallHook(std::function<void(const SimCall&)> hook) {
    std::lock_guard lock(m_mutex);
    m_callHook = std::move(hook);
}

void SimDesktop::setStallHandler(std::function<void(double)> handler) {
    std::lock_guard lock(m_mutex);
    m_stallHandler = std::move(handler);
}

QList<double> SimDesktop::stalls() const {
    std::lock_guard lock(m_mutex);
    return m_stalls;
}

int SimDesktop::callCount() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void SimDesktop::holdAnswers(bool held) {
    std::lock_guard lock(m_mutex);
    m_answersHeld = held;
}

int SimDesktop::answerWrites() {
    int ran = 0;
    for (;;) {
        std::vector<std::function<void()>> waiting;
        {
            std::lock_guard lock(m_mutex);
            waiting.swap(m_unanswered);
        }
        if (waiting.empty())
            return ran;
        for (auto& then : waiting)
            then();
        ran += int(waiting.size());
    }
}

void SimDesktop::removeObserver(quint64 token) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [token](const ObserverEntry& o) { return o.token == token; });
}

void provideDesktop(Platform& platform, const std::shared_ptr<SimDesktop>& desktop) {
    platform.provide<Accessibility>(std::make_shared<SimAccessibility>(desktop));
    platform.provide<Screens>(std::make_shared<SimScreens>(desktop));
    platform.provide<Workspace>(std::make_shared<SimWorkspace>(desktop));
    platform.provide<Sound>(std::make_shared<SimSound>(desktop));
    platform.provide<Pointer>(std::make_shared<SimPointer>(desktop));
}

} // namespace platform::sim
