#pragma once

#include "tilewick/store/StoreHooks.h"

#include "platform/TaskbarPresence.h"
#include "platform/Workspace.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace tilewick {

class MainWindow;

// The application shell on the desktop: the window "main" and the program's presence.
//
// - Activation policy: regular shows the main window in task bars and window switchers;
//   accessory leaves it out (_NET_WM_STATE_SKIP_TASKBAR and _SKIP_PAGER), so the tray icon is
//   the program's one presence.
// - Active: the program is the workspace's frontmost application (the window manager's active
//   window is one of ours), as the hotkey engine's tap sees it. Not Qt's application state, which
//   stays active after a focused window of ours closes.
// - Activating raises the main window and asks the window manager to give it the focus.
// - Occluded: the window is not exposed (unmapped, or all of it covered where the server says so).
// - Frames are outer frames, decorations included, in global coordinates; the screen's visible
//   frame is Qt's available geometry of the window's screen.
// - Terminate ends the event loop, and with it the program, through its one orderly quit.
class QtAppShell final : public QObject, public AppShell {
    Q_OBJECT
public:
    QtAppShell(platform::TaskbarPresence& taskbar, const platform::Workspace& workspace)
        : m_taskbar(taskbar), m_workspace(workspace) {}

    void setMainWindow(MainWindow* window);

    void setActivationPolicy(platform::ActivationPolicy policy) override;
    bool isActive() const override;
    void activateIgnoringOtherApps() override;
    bool focusVisibleMainWindow() override;
    std::optional<MainWindowState> visibleMainWindow() const override;
    void setMainWindowFrame(const QRectF& frame, bool animate) override;
    void terminate() override;

protected:
    // Qt makes a new native window each time a closed window shows again: it gets the policy
    // before it maps.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPolicy();
    bool mainWindowVisible() const;

    platform::TaskbarPresence& m_taskbar;
    const platform::Workspace& m_workspace;
    QPointer<MainWindow> m_window;
    platform::ActivationPolicy m_policy = platform::ActivationPolicy::Regular;
};

} // namespace tilewick
