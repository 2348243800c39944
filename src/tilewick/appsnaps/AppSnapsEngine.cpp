#include "AppSnapsEngine.h"

#include "betakit/BetaLog.h"
#include "platform/Platform.h"
#include "platform/Pointer.h"
#include "tilewick/engine/AppWindows.h"
#include "tilewick/engine/DisplayIdentity.h"
#include "tilewick/engine/MultiWindow.h"
#include "tilewick/engine/WindowMover.h"
#include "tilewick/store/TilewickStore.h"

#include <cmath>

using platform::AXElement;
using platform::RunningApplication;
using platform::ScreenInfo;

namespace tilewick {

namespace {

betakit::BetaValue layout(const AppSnap& snap) {
    return betakit::BetaValue::fromCase(snap.action);
}

} // namespace

AppSnapsEngine::AppSnapsEngine(const platform::Platform& platform, TilewickStore& store,
                               std::shared_ptr<WindowMover> mover, std::shared_ptr<MultiWindow> filler)
    : m_ax(platform.shared<platform::Accessibility>()), m_screens(platform.shared<platform::Screens>()),
      m_workspace(platform.shared<platform::Workspace>()), m_runtime(platform.shared<platform::Runtime>()),
      m_pointer(platform.shared<platform::Pointer>()), m_store(store), m_mover(std::move(mover)),
      m_filler(std::move(filler)) {
    // Only the pointer may be missing; service() stops with a message for the others.
    platform.service<platform::Accessibility>();
    platform.service<platform::Screens>();
    platform.service<platform::Workspace>();
    m_queue = platform.runtime().serialQueue(QString::fromLatin1(kQueueLabel));
}

AppSnapsEngine::~AppSnapsEngine() = default;

void AppSnapsEngine::start() {
    if (m_started)
        return;
    m_started = true;
    connect(m_workspace.get(), &platform::Workspace::applicationLaunched, this,
            &AppSnapsEngine::applicationLaunched);
    connect(m_workspace.get(), &platform::Workspace::applicationTerminated, this,
            &AppSnapsEngine::syncObservers);
    if (m_pointer) {
        std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
        m_mouseMonitor = m_pointer->addLeftMouseDownMonitor([weak] {
            if (auto engine = weak.lock())
                engine->noteMouseDown();
        });
    }
    // Applications started together with this one (at login) are placed as well.
    const qint64 now = m_runtime->clock().wallMillis();
    for (const RunningApplication& app : m_workspace->runningApplications())
        if (app.launchMillis && double(now - *app.launchMillis) < kRecentLaunch * 1000.0)
            applyOnLaunch(app);
    syncObservers();
}

void AppSnapsEngine::noteMouseDown() {
    m_lastMouseDownAt = m_runtime->clock().uptime();
}

std::optional<AppSnap> AppSnapsEngine::snapFor(const std::optional<QString>& bundleID) const {
    if (!bundleID)
        return std::nullopt;
    for (const AppSnap& snap : m_store.appSnaps())
        if (snap.bundleID == *bundleID)
            return snap;
    return std::nullopt;
}

// --- Launches ---

void AppSnapsEngine::applicationLaunched(const RunningApplication& app) {
    applyOnLaunch(app);
    syncObservers();
}

void AppSnapsEngine::applyOnLaunch(const RunningApplication& app) {
    const auto snap = snapFor(app.bundleIdentifier);
    if (!snap || !m_ax->isProcessTrusted())
        return;
    const qint32 pid = app.pid;
    m_launching.insert(pid);

    // The wait takes copies of what it uses; the engine itself is only reached back on the main
    // thread.
    std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
    m_queue->async([weak, ax = m_ax, workspace = m_workspace, runtime = m_runtime, pid, snap = *snap] {
        const AXElement application = ax->application(pid);
        ax->setMessagingTimeout(application, kMessagingTimeout);
        const double deadline = runtime->clock().uptime() + kLaunchWindowTimeout;
        while (runtime->clock().uptime() < deadline && workspace->isRunning(pid)) {
            AXElement window;
            if (const auto main = ax->elementAttribute(application, platform::AXAttribute::MainWindow);
                main && isStandardWindow(*ax, *main))
                window = *main;
            else
                window = appWindows(*ax, application).value(0);
            if (!window.isNull()) {
                runtime->sleep(kLaunchSettleDelay);
                runtime->async([weak, snap, application, window, pid] {
                    if (auto engine = weak.lock())
                        engine->finishLaunchPlacement(snap, application, window, pid);
                });
                return;
            }
            runtime->sleep(kLaunchPollInterval);
        }
        runtime->async([weak, pid, snap] {
            if (auto engine = weak.lock())
                engine->launchFailed(pid, snap);
        });
    });
}

void AppSnapsEngine::finishLaunchPlacement(const AppSnap& snap, const AXElement& app, const AXElement& window,
                                           qint32 pid) {
    apply(snap, app, window, true);
    std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
    m_runtime->after(kLaunchQuietPeriod, [weak, pid] {
        if (auto engine = weak.lock())
            engine->m_launching.remove(pid);
    });
}

void AppSnapsEngine::launchFailed(qint32 pid, const AppSnap& snap) {
    m_launching.remove(pid);
    betakit::BetaLog::event("appsnap.failed", {{"layout", layout(snap)}});
}

// --- New windows ---

void AppSnapsEngine::syncObservers() {
    QSet<QString> snapped;
    for (const AppSnap& snap : m_store.appSnaps())
        snapped.insert(snap.bundleID);
    QSet<qint32> wanted;
    for (const RunningApplication& app : m_workspace->runningApplications())
        if (app.bundleIdentifier && snapped.contains(*app.bundleIdentifier))
            wanted.insert(app.pid);

    for (auto it = m_observers.begin(); it != m_observers.end();)
        it = wanted.contains(it.key()) ? std::next(it) : m_observers.erase(it);
    // Without access nothing can be watched; a later grant counts from the next launch, quit or
    // change of the snaps.
    if (!m_ax->isProcessTrusted())
        return;
    std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
    for (const qint32 pid : std::as_const(wanted)) {
        if (m_observers.contains(pid))
            continue;
        auto observer = m_ax->addObserver(m_ax->application(pid), platform::AXNotification::WindowCreated,
                                          [weak](const AXElement& window, const QString&) {
                                              if (auto engine = weak.lock())
                                                  engine->windowCreated(window);
                                          });
        // One that cannot be made now is tried again at the next sync.
        if (observer)
            m_observers.insert(pid, std::move(observer));
    }
}

void AppSnapsEngine::windowCreated(const AXElement& window) {
    const qint32 pid = m_ax->pid(window).value_or(0);
    // A launch being placed, or a fill opening windows, owns them.
    if (m_launching.contains(pid) || m_filler->inFlight(pid) > 0)
        return;
    const auto running = m_workspace->runningApplication(pid);
    const auto snap = running ? snapFor(running->bundleIdentifier) : std::nullopt;
    if (!snap)
        return;
    std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
    m_runtime->after(kNewWindowDelay, [weak, window, pid, snap = *snap] {
        if (auto engine = weak.lock())
            engine->applyToNewWindow(window, pid, snap);
    });
}

void AppSnapsEngine::applyToNewWindow(const AXElement& window, qint32 pid, const AppSnap& snap) {
    // Dialogs, panels, and windows minimised or full screen by now stay as they are.
    if (!isStandardWindow(*m_ax, window) || m_filler->inFlight(pid) > 0)
        return;
    const AXElement app = m_ax->application(pid);
    m_ax->setMessagingTimeout(app, kMessagingTimeout);
    apply(snap, app, window, false);
}

// --- Placing ---

void AppSnapsEngine::apply(const AppSnap& snap, const AXElement& app, const AXElement& window, bool launch) {
    const QList<ScreenInfo> screens = m_screens->screens();
    // The saved display while it is connected, else the one the window is on.
    std::optional<ScreenInfo> screen =
        snap.displayID ? screenForDisplayID(screens, *snap.displayID) : std::nullopt;
    if (!screen)
        if (const auto frame = m_mover->readFrame(window))
            screen = m_mover->screen(*frame);

    const bool multi = snap.multiWindow && kind(snap.action).isCells();
    Placed placed;
    if (multi && launch) {
        // The filler places the launched window and the others, and puts them back itself.
        const CellFrames frames = cellFrames(snap.action, screen, screens);
        if (frames.cells)
            m_filler->fill({snap.action, app, m_ax->pid(app).value_or(0), window, *frames.cells,
                            frames.screenFrame, true});
        betakit::BetaLog::event("appsnap", {{"layout", layout(snap)}, {"multi", true}, {"new", false}});
        return;
    }
    if (multi) {
        const auto cell = m_filler->placeInFreeCell(window, app, snap.action, screen);
        placed = {cell.has_value(), cell.value_or(QRectF())};
    } else {
        placed = placeOneWindow(snap, app, window, screen);
    }
    // "ok" says every step ran, not that the window ended where it was sent.
    betakit::BetaLog::event(
        "appsnap", {{"layout", layout(snap)}, {"multi", multi}, {"new", !launch}, {"ok", placed.ok}});
    if (!placed.ok)
        return;
    const double start = m_runtime->clock().uptime();
    std::weak_ptr<AppSnapsEngine> weak = weak_from_this();
    for (const double delay : {kFirstRecheck, kSecondRecheck})
        m_runtime->after(delay, [weak, start, window, app, frame = placed.frame] {
            if (auto engine = weak.lock())
                engine->recheck(start, window, app, frame);
        });
}

AppSnapsEngine::Placed AppSnapsEngine::placeOneWindow(const AppSnap& snap, const AXElement& app,
                                                      const AXElement& window,
                                                      const std::optional<ScreenInfo>& screen) {
    const auto before = m_mover->readFrame(window);
    if (!before)
        return {};
    const auto visible = m_mover->visibleFrame(screen ? screen : m_mover->screen(*before));
    if (!visible)
        return {};
    const auto target = WindowMover::targetFrame(kind(snap.action), *before, *visible);
    if (!target)
        return {};
    m_mover->setFrame(app, window, WindowMover::rounded(*target));
    const auto frame = m_mover->readFrame(window);
    if (!frame)
        return {};
    // Undo puts a window that really moved back where it opened.
    if (!WindowMover::framesMatch(*frame, *before))
        m_mover->pushUndo({m_mover->placement(window, *before)});
    return {true, *frame};
}

void AppSnapsEngine::recheck(double start, const AXElement& window, const AXElement& app,
                             const QRectF& frame) {
    // A hotkey, a click or a held button since the placement means the user is arranging things.
    if (m_store.lastSnapAt() >= start || m_lastMouseDownAt >= start)
        return;
    if (m_pointer && m_pointer->pressedButtons() != 0)
        return;
    const auto now = m_mover->readFrame(window);
    if (!now)
        return;
    // Only a move counts: applications that size their windows themselves are left to it.
    if (WindowMover::landedAt(*now, frame))
        return;
    m_mover->setFrame(app, window, frame);
}

} // namespace tilewick
