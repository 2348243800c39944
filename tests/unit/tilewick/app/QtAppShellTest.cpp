#include "support/StoreTest.h"

#include "platform/sim/SimTaskbarPresence.h"
#include "tilewick/app/MainWindow.h"
#include "tilewick/app/QtAppShell.h"

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
    QtAppShell appShell(taskbar);
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

} // namespace
