#pragma once

#include "platform/Accessibility.h"
#include "platform/Runtime.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "tilewick/model/AppSnap.h"
#include "tilewick/store/StoreHooks.h"

#include <QHash>
#include <QObject>
#include <QRectF>
#include <QSet>

#include <limits>
#include <memory>

namespace platform {
class Platform;
class Pointer;
} // namespace platform

namespace tilewick {

class MultiWindow;
class TilewickStore;
class WindowMover;

// Places the windows of applications that have a Default App Snap, without a key being pressed:
// the first window of a snapped application when it launches (or, for a multi-window snap, the
// whole layout, through the multi-window filler), and every new standard window of a running
// snapped application. Each placement is looked at again kFirstRecheck and kSecondRecheck seconds
// later and repeated when the window moved away, unless the user pressed a hotkey or clicked
// since, or holds a mouse button. Placements never beep; each one is logged once, as "appsnap".
//
// Everything runs on the main thread except the wait for a launched application's first window,
// which runs on the serial queue kQueueLabel, one launch after another. Create with
// std::make_shared; start() once.
class AppSnapsEngine final : public QObject,
                             public AppSnapsHook,
                             public std::enable_shared_from_this<AppSnapsEngine> {
    Q_OBJECT
public:
    static constexpr auto kQueueLabel = "com.corvane.tilewick.appsnaps";
    // How long a launched application may take to show a standard window, and how often it is
    // asked meanwhile.
    static constexpr double kLaunchWindowTimeout = 20.0;
    static constexpr double kLaunchPollInterval = 0.2;
    // After the window shows, before it is placed: the application settles its own frame first.
    static constexpr double kLaunchSettleDelay = 0.5;
    // Windows a launched application opens until this long after its placement are its own.
    static constexpr double kLaunchQuietPeriod = 1.5;
    // A new window is placed this long after it was announced.
    static constexpr double kNewWindowDelay = 0.3;
    static constexpr double kFirstRecheck = 1.5;
    static constexpr double kSecondRecheck = 4.0;
    // Each Accessibility call on an application here waits at most this long.
    static constexpr double kMessagingTimeout = 1.0;
    // Applications launched this recently when the engine starts (with this program at login)
    // are placed too.
    static constexpr double kRecentLaunch = 30.0;

    AppSnapsEngine(const platform::Platform& platform, TilewickStore& store,
                   std::shared_ptr<WindowMover> mover, std::shared_ptr<MultiWindow> filler);
    ~AppSnapsEngine() override;

    // Watches launches, quits and clicks from now on, places the snapped applications launched
    // in the last kRecentLaunch seconds, and watches the running ones' windows.
    void start();
    // Watches for new windows the running applications that have a snap now, and no others.
    void syncObservers() override;

    // What the engine is doing, for tests.
    const QSet<qint32>& launchingPids() const { return m_launching; }
    QList<qint32> observedPids() const { return m_observers.keys(); }

private:
    struct Placed {
        bool ok = false;
        QRectF frame;
    };

    void noteMouseDown();
    void applicationLaunched(const platform::RunningApplication& app);
    void applyOnLaunch(const platform::RunningApplication& app);
    void finishLaunchPlacement(const AppSnap& snap, const platform::AXElement& app,
                               const platform::AXElement& window, qint32 pid);
    void launchFailed(qint32 pid, const AppSnap& snap);
    void windowCreated(const platform::AXElement& window);
    void applyToNewWindow(const platform::AXElement& window, qint32 pid, const AppSnap& snap);
    void apply(const AppSnap& snap, const platform::AXElement& app, const platform::AXElement& window,
               bool launch);
    Placed placeOneWindow(const AppSnap& snap, const platform::AXElement& app,
                          const platform::AXElement& window,
                          const std::optional<platform::ScreenInfo>& screen);
    void recheck(double start, const platform::AXElement& window, const platform::AXElement& app,
                 const QRectF& frame);
    std::optional<AppSnap> snapFor(const std::optional<QString>& bundleID) const;

    std::shared_ptr<platform::Accessibility> m_ax;
    std::shared_ptr<platform::Screens> m_screens;
    std::shared_ptr<platform::Workspace> m_workspace;
    std::shared_ptr<platform::Runtime> m_runtime;
    std::shared_ptr<platform::Pointer> m_pointer; // may be missing
    TilewickStore& m_store;
    std::shared_ptr<WindowMover> m_mover;
    std::shared_ptr<MultiWindow> m_filler;
    platform::SerialQueueRef m_queue;

    // Main thread.
    bool m_started = false;
    QSet<qint32> m_launching;
    QHash<qint32, platform::AXObserverRef> m_observers;
    double m_lastMouseDownAt = -std::numeric_limits<double>::infinity();
    std::shared_ptr<void> m_mouseMonitor;
};

} // namespace tilewick
