#include "support/StoreTest.h"

#include "platform/sim/SimTaskbarPresence.h"
#include "tilewick/app/MainWindow.h"
#include "tilewick/app/QtAppShell.h"
#include "tilewick/app/QtShellEvents.h"

#include "platform/sim/SimDesktop.h"

#include <QWindow>

using namespace tilewick;

namespace {

class QtAppShellTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
    }
    // The presences asked for so far, in order.
    std::vector<bool> presences() const {
        std::vector<bool> shown;
        for (const auto& call : taskbar.calls())
            shown.push_back(call.second);
        return shown;
    }

    platform::sim::SimTaskbarPresence taskbar;
};

// The presence is set on the main window's own native window before it maps, follows each
// policy, and is set again whenever the window shows (Qt may have made a new native window).
TEST_F(QtAppShellTest, TaskbarPresenceFollowsThePolicyOnTheMainWindow) {
    QtAppShell appShell(taskbar, platform().service<platform::Workspace>());
    appShell.setActivationPolicy(platform::ActivationPolicy::Accessory);
    EXPECT_TRUE(taskbar.calls().empty()); // no window yet: nothing to mark

    MainWindow window(store(), {}, appShell, ViewServices::of(platform()));
    appShell.setMainWindow(&window);
    ASSERT_EQ(presences(), std::vector<bool>{false});
    EXPECT_EQ(taskbar.calls().back().first, window.windowHandle());
    EXPECT_FALSE(window.isVisible());

    appShell.setActivationPolicy(platform::ActivationPolicy::Regular);
    EXPECT_EQ(presences(), (std::vector<bool>{false, true}));
    window.show();
    EXPECT_EQ(presences(), (std::vector<bool>{false, true, true}));
    window.hide();
    appShell.setActivationPolicy(platform::ActivationPolicy::Accessory);
    window.show();
    EXPECT_EQ(presences(), (std::vector<bool>{false, true, true, false, false}));
    EXPECT_EQ(taskbar.calls().back().first, window.windowHandle());
}

// Being active is the workspace's word (on X11 the window manager's active window), not Qt's
// application state, which stays active once a focused window of ours has closed.
TEST_F(QtAppShellTest, ActiveFollowsTheFrontmostApplication) {
    QtAppShell appShell(taskbar, platform().service<platform::Workspace>());
    QtShellEvents events(platform().service<platform::Workspace>());
    QStringList heard;
    QObject::connect(&events, &ShellEvents::applicationDidBecomeActive, [&] { heard << "active"; });
    QObject::connect(&events, &ShellEvents::applicationDidResignActive, [&] { heard << "resigned"; });
    const qint32 own = qint32(QCoreApplication::applicationPid());
    desktop().addApp({.pid = own, .name = "Tilewick"});
    desktop().addApp({.pid = 4242, .name = "Terminal"});

    desktop().activate(own);
    EXPECT_TRUE(appShell.isActive());
    desktop().activate(own); // no change, nothing said
    desktop().activate(4242);
    EXPECT_FALSE(appShell.isActive());
    desktop().activate(own);
    desktop().clearFrontmost(); // the active window closed and nothing took its place
    EXPECT_FALSE(appShell.isActive());
    EXPECT_EQ(heard, QStringList({"active", "resigned", "active", "resigned"}));

    // A window of ours taking and losing Qt's focus says nothing while another application is in front.
    QWidget window;
    window.show();
    window.activateWindow();
    window.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(heard.size(), 4);
    EXPECT_FALSE(appShell.isActive());
}

} // namespace
