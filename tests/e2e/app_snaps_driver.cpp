// Run by app_snaps.sh on a private X server (two monitors "L" and "R" of 1280×1080, a window
// manager, the private desktop entry e2e-term that claims xterm's windows).
//
// SaveTest: writes to the program's settings, as the store saves them, a Default App Snap that
// opens e2e-term in the left half of monitor "R", naming the monitor by the identity this process
// reads. LaunchTest: with the real program running, a terminal started on "L" opens there.

#include "E2eTools.h"

#include "platform/desktop/DesktopPlatform.h"
#include "tilewick/engine/DisplayIdentity.h"
#include "tilewick/store/AppSnapStorage.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class AppSnapsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by app_snaps.sh";
        // Outside an application folder the settings domain is the one given: the program's.
        m_platform = platform::makeDesktopPlatform("com.corvane.tilewick", "Tilewick");
        platform::Platform::install(m_platform);
    }
    void TearDown() override { platform::Platform::uninstall(); }

    // Monitor "R", the second one.
    platform::ScreenInfo right() { return m_platform->service<platform::Screens>().screens().value(1); }

    std::shared_ptr<platform::Platform> m_platform;
};

using SaveTest = AppSnapsTest;
using LaunchTest = AppSnapsTest;

TEST_F(SaveTest, ASnapForTheTerminalOnTheRightMonitor) {
    ASSERT_EQ(m_platform->service<platform::Screens>().screens().size(), 2);
    const auto id = tilewick::displayID(right());
    ASSERT_TRUE(id);
    auto& defaults = m_platform->defaults();
    defaults.set("appSnaps",
                 tilewick::encodeAppSnaps({tilewick::AppSnap{
                     "e2e-term", "E2E Terminal", tilewick::SnapAction::leftHalf, false, id, right().name}}));
    defaults.flush();
}

TEST_F(LaunchTest, ATerminalStartedOnTheLeftOpensInTheLeftHalfOfTheRight) {
    const QRect visible = visibleArea(*m_platform, 1);
    const QRect target(visible.x(), visible.y(), visible.width() / 2, visible.height());
    expectTerminalPlaced("80x24+100+100", target);
}

} // namespace
