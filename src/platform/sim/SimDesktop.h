#pragma once

#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {
class Platform;
}

namespace platform::sim {

// A simulated window of another application. Frames are in the top-left coordinate space.
struct SimWindow {
    QString title;
    QRectF frame;
    // Empty: the window has no subrole.
    QString subrole = AXRole::StandardWindow;
    bool minimized = false;
    bool fullScreen = false;

    // How the application treats a new size: at least minimumSize, at most maximumSize (0: no
    // limit), and with a sizeIncrement (0: any size) only minimumSize plus whole increments,
    // rounded down, as terminals do.
    QSizeF minimumSize{0, 0};
    QSizeF maximumSize{0, 0};
    QSizeF sizeIncrement{0, 0};
    // Accepts writes of "AXSize" / "AXPosition" but keeps its size / place.
    bool refusesSize = false;
    bool refusesMove = false;

    // Attributes whose reads / writes fail with AXError::Failure.
    QSet<QString> failingReads;
    QSet<QString> failingWrites;
};

// A simulated running application.
struct SimApp {
    qint32 pid = 0;
    std::optional<QString> bundleIdentifier;
    QString name;
    QString bundlePath;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    bool hidden = false;
    std::optional<qint64> launchMillis;
    // False: the application never answers; every call through one of its elements waits out the
    // messaging time-out and fails with CannotComplete.
    bool responsive = true;
    // None: the application does not support "AXEnhancedUserInterface".
    std::optional<bool> enhancedUserInterface;
    bool refusesToQuit = false;
    // Attributes of the application element whose reads fail with AXError::Failure.
    QSet<QString> failingReads;
};

// One node of a simulated menu bar. The menu bar's children are its menu-bar items; a menu-bar item
// and an item with a submenu each have one child, the menu, whose children are its items.
struct SimMenuItem {
    QString title;
    bool enabled = true;
    // Empty: the item has no command character.
    QString commandCharacter;
    QList<SimMenuItem> children;
    // Runs (on the calling thread, with the desktop unlocked) when the item receives "AXPress".
    std::function<void()> onPress;

    // A menu-bar item, or an item with a submenu, holding `items` in its one menu.
    static SimMenuItem withMenu(const QString& title, const QList<SimMenuItem>& items) {
        SimMenuItem menu{title};
        menu.children = items;
        SimMenuItem item{title};
        item.children = {menu};
        return item;
    }
};

// One Accessibility call, as seen by the call hook.
struct SimCall {
    enum class Kind { Read, Write, Settable, Action };
    Kind kind = Kind::Read;
    AXElement element;
    // The attribute or action.
    QString name;
};

// A small scriptable desktop for tests: screens, running applications with windows and menus,
// the frontmost application and Accessibility trust, with the failures real applications show
// (reads that fail, sizes refused or clamped, windows that vanish between two calls, applications
// that never answer).
//
// Tests script it directly; the program sees it through SimAccessibility, SimScreens and
// SimWorkspace (provideDesktop). Every member is thread-safe. Notifications (signals, observer
// callbacks, menu actions, the call hook) run on the thread that caused them, never under the
// desktop's lock, so they may script the desktop themselves.
class SimDesktop : public QObject {
    Q_OBJECT
public:
    SimDesktop();
    ~SimDesktop() override;

    // --- Trust ---
    void setTrusted(bool trusted);
    bool isTrusted() const;
    // How often the program asked the user for access.
    int trustRequests() const;

    // --- Screens (primary first) ---
    void setScreens(const QList<ScreenInfo>& screens);
    // Appends a screen given in top-left coordinates (relative to the primary screen, which is the
    // first one added) and returns its index. Display id and UUID are made up from the index.
    int addScreen(const QRectF& frame, const QRectF& visibleFrame, const QString& name = {});
    void removeScreen(int index);
    QList<ScreenInfo> screens() const;

    // --- Pointer ---
    // Puts the mouse pointer at a point given in top-left coordinates (relative to the primary
    // screen as it is now); none: the pointer cannot be told.
    void movePointer(const std::optional<QPointF>& topLeft);
    // In screen coordinates (bottom-left), as the Pointer service gives it.
    std::optional<QPointF> pointerLocation() const;
    // A mouse button (1 the left one, 2 the right one, 4 the middle one) goes down or up in some
    // application; the left one going down reaches the mouse-down monitors.
    void pressMouseButton(quint32 button);
    void releaseMouseButton(quint32 button);
    // Down and up again.
    void click(quint32 button = 1);
    quint32 pressedMouseButtons() const;
    std::shared_ptr<void> addLeftMouseDownMonitor(std::function<void()> handler);

    // --- Applications ---
    // Launches an application (announced through applicationLaunched) and returns its element.
    AXElement addApp(const SimApp& app);
    // The application quits with all its windows (announced through applicationTerminated).
    void quitApp(qint32 pid);
    // Makes the application frontmost (announced through applicationActivated, then
    // frontmostChanged when it was not in front already).
    void activate(qint32 pid);
    // No application in front.
    void clearFrontmost();
    std::optional<qint32> frontmostPid() const;
    std::optional<SimApp> app(qint32 pid) const;
    void updateApp(qint32 pid, const std::function<void(SimApp&)>& change);
    QList<RunningApplication> runningApplications() const;

    // --- Windows (per application, front to back) ---
    // Opens a window in front of the application's others; registered observers hear
    // "AXWindowCreated". The frontmost unminimised window is the focused and main window.
    AXElement addWindow(qint32 pid, const SimWindow& window);
    void closeWindow(const AXElement& window);
    std::optional<SimWindow> window(const AXElement& window) const;
    std::optional<QRectF> frame(const AXElement& window) const;
    void updateWindow(const AXElement& window, const std::function<void(SimWindow&)>& change);
    AXElementList windows(qint32 pid) const;

    // --- Menus ---
    void setMenuBar(qint32 pid, const QList<SimMenuItem>& items);

    // --- Sound ---
    // How often the alert sound played.
    int beeps() const { return m_beeps.load(); }

    // --- Failures and time ---
    // Runs before every Accessibility call, e.g. to close a window or remove a screen mid-move.
    void setCallHook(std::function<void(const SimCall&)> hook);
    // Runs after a call to an unresponsive application has waited out `seconds`; tests on the
    // virtual runtime let worker threads sleep there. Calls made while a hook is absent only
    // record the wait.
    void setStallHandler(std::function<void(double seconds)> handler);
    // Every wait on an unresponsive application, in call order.
    QList<double> stalls() const;
    // Number of Accessibility calls so far.
    int callCount() const;
    // While held, what waits for the answer to writes (Accessibility::whenSettled) waits until
    // answerWrites(), as behind a window manager that answers later; writes take effect at once.
    void holdAnswers(bool held);
    // Runs what waited, in order (and what that queues meanwhile); how many ran.
    int answerWrites();

signals:
    void screensChanged();
    void applicationLaunched(const platform::RunningApplication& app);
    void applicationTerminated(const platform::RunningApplication& app);
    void applicationActivated(const platform::RunningApplication& app);
    // The frontmost application changed, to another or to none.
    void frontmostChanged();

private:
    friend class SimAccessibility;
    friend class SimObserver;
    friend class SimSound;

    enum class Kind : quint8 { SystemWide = 0, App = 2, Window = 3, Menu = 4 };
    static Kind kindOf(quint64 id) {
        return id == AXElement::kSystemWideId ? Kind::SystemWide : Kind(id >> 56);
    }
    static quint64 appId(qint32 pid) { return (quint64(Kind::App) << 56) | quint32(pid); }

    struct AppState {
        SimApp spec;
        QList<quint64> windows; // front to back
        quint64 menuBar = 0;
    };
    struct WindowState {
        qint32 pid = 0;
        SimWindow spec;
    };
    struct MenuNode {
        qint32 pid = 0;
        SimMenuItem item; // children are held in `children`
        QList<quint64> children;
    };
    struct ObserverEntry {
        quint64 token = 0;
        qint32 pid = 0;
        QString notification;
        AXObserverCallback callback;
    };

    // Work to run once the lock is released.
    using After = std::vector<std::function<void()>>;

    RunningApplication runningLocked(const AppState& app) const;
    quint64 focusedWindowLocked(const AppState& app) const;
    quint64 addMenuNodeLocked(qint32 pid, const SimMenuItem& item);
    void removeMenuNodeLocked(quint64 id);
    void activateLocked(qint32 pid, After& after);
    void removeObserver(quint64 token);
    static void run(After& after);

    mutable std::mutex m_mutex;
    bool m_trusted = true;
    int m_trustRequests = 0;
    QList<ScreenInfo> m_screens;
    std::optional<QPointF> m_pointer; // screen coordinates
    quint32 m_buttons = 0;
    std::vector<std::weak_ptr<std::function<void()>>> m_mouseDownMonitors;
    QList<qint32> m_appOrder; // launch order
    QHash<qint32, AppState> m_apps;
    QHash<quint64, WindowState> m_windows;
    QHash<quint64, MenuNode> m_menus;
    std::optional<qint32> m_frontmost;
    quint64 m_nextId = 1;
    std::vector<ObserverEntry> m_observers;
    quint64 m_nextObserverToken = 1;
    std::function<void(const SimCall&)> m_callHook;
    std::function<void(double)> m_stallHandler;
    QList<double> m_stalls;
    int m_calls = 0;
    bool m_answersHeld = false;
    std::vector<std::function<void()>> m_unanswered;
    std::atomic<int> m_beeps{0};
};

// Registers the desktop's Accessibility, Screens, Workspace, Sound and Pointer services on
// `platform`.
void provideDesktop(Platform& platform, const std::shared_ptr<SimDesktop>& desktop);

} // namespace platform::sim
