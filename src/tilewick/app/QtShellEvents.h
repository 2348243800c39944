#pragma once

#include "AppDelegate.h"
#include "ShellEvents.h"

#include <QHash>
#include <QPointer>

class QWindow;

namespace platform {
class Workspace;
}

namespace tilewick {

// The delegate's notifications from Qt on the desktop (one application event filter):
//
// | notification                  | source                                                         |
// |-------------------------------|----------------------------------------------------------------|
// | window did become key         | WindowActivate of one of our top-level widgets (it got focus)  |
// | application did become active | the workspace's frontmost application becomes this one         |
// | application did resign active | the workspace's frontmost application is another one, or none  |
// | application did hide / unhide | applicationStateChanged to and from Hidden (never on X11)      |
// | occlusion state changed       | a top-level window's exposure changes (Expose)                 |
// | window will close             | Close of one of our top-level widgets                          |
// | window did (de)miniaturize    | WindowStateChange into or out of Qt::WindowMinimized           |
// | left mouse down               | MouseButtonPress of the left button on one of our windows      |
class QtShellEvents final : public ShellEvents {
    Q_OBJECT
public:
    // Being active follows the workspace's frontmost application, the window manager's active
    // window: Qt's application state stays active when a focused window of ours closes, until one
    // of our windows takes and loses the focus again.
    explicit QtShellEvents(const platform::Workspace& workspace, QObject* parent = nullptr);
    ~QtShellEvents() override;

    // The focus questions of the local key monitor, answered from QApplication.
    static AppDelegate::Focus focus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    void frontmostChanged();

    const platform::Workspace& m_workspace;
    bool m_active;
    bool m_hidden;
    QHash<QWindow*, bool> m_exposed;
};

} // namespace tilewick
