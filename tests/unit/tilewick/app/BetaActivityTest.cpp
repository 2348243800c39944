#include "tilewick/app/BetaActivity.h"
#include "tilewick/app/ShellEvents.h"

#include "platform/sim/SimScreenSession.h"

#include "support/SimPlatformTest.h"
#include "support/StoreTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using tilewick::BetaActivity;

class BetaActivityTest : public SimPlatformTest {
public:
    void SetUp() override {
        SimPlatformTest::SetUp();
        activity = std::make_unique<BetaActivity>(
            events, runtime(),
            BetaActivity::Queries{[this] { return active; }, [this] { return mainInFront; }}, &screens);
        activity->betaCheckHook = [this] { checks.append(runtime().clock().uptime() - startedAt); };
    }
    void TearDown() override {
        activity.reset();
        SimPlatformTest::TearDown();
    }
    void start() {
        startedAt = runtime().clock().uptime();
        activity->startBetaActivityObservers();
    }
    // Moves the clock to `seconds` after the start.
    void advanceTo(double seconds) { runtime().advance(seconds - (runtime().clock().uptime() - startedAt)); }

    tilewick::ShellEvents events;
    platform::sim::SimScreenSession screens;
    std::unique_ptr<BetaActivity> activity;
    bool active = true;
    bool mainInFront = true;
    double startedAt = 0;
    QList<double> checks;
};

TEST_F(BetaActivityTest, InUseFromTheStartChecksAfterFiveSecondsThenEveryMinute) {
    start();
    // Notifications while in use never restart or double the schedule.
    advanceTo(3);
    emit events.windowDidBecomeKey();
    emit events.applicationDidBecomeActive();
    advanceTo(30);
    emit events.windowDidBecomeKey();
    advanceTo(126);
    EXPECT_EQ(checks, (QList<double>{5, 65, 125}));
}

struct LeaveCase {
    const char* name;
    std::function<void(BetaActivityTest&)> leave;
    std::function<void(BetaActivityTest&)> comeBack;
};

const LeaveCase kLeaveCases[] = {
    {"another_application",
     [](auto& t) {
         t.active = false;
         emit t.events.applicationDidResignActive();
     },
     [](auto& t) {
         t.active = true;
         emit t.events.applicationDidBecomeActive();
     }},
    {"another_window_of_ours",
     [](auto& t) {
         t.mainInFront = false;
         emit t.events.windowDidResignKey();
     },
     [](auto& t) {
         t.mainInFront = true;
         emit t.events.windowDidBecomeKey();
     }},
    {"minimised",
     [](auto& t) {
         t.mainInFront = false;
         emit t.events.windowDidMiniaturize();
     },
     [](auto& t) {
         t.mainInFront = true;
         emit t.events.windowDidDeminiaturize(QStringLiteral("main"));
     }},
    {"closed",
     [](auto& t) {
         t.mainInFront = false;
         emit t.events.windowWillClose(QStringLiteral("main"));
     },
     [](auto& t) {
         t.mainInFront = true;
         emit t.events.windowDidBecomeKey();
     }},
    {"screens_asleep", [](auto& t) { t.screens.sleep(); }, [](auto& t) { t.screens.wake(); }},
    {"screen_locked", [](auto& t) { t.screens.lock(); }, [](auto& t) { t.screens.unlock(); }},
};

class BetaActivityLeaveTest : public BetaActivityTest, public testing::WithParamInterface<LeaveCase> {};

TEST_P(BetaActivityLeaveTest, LeavingUseStopsTheChecksAndComingBackWaitsAgain) {
    start();
    // Leaving within the first 5 s: no check at all.
    advanceTo(3);
    GetParam().leave(*this);
    advanceTo(70);
    EXPECT_TRUE(checks.isEmpty());
    // Back in use, checks run 5 s later; leaving again stops them.
    GetParam().comeBack(*this);
    advanceTo(140);
    GetParam().leave(*this);
    advanceTo(300);
    EXPECT_EQ(checks, (QList<double>{75, 135}));
}

INSTANTIATE_TEST_SUITE_P(All, BetaActivityLeaveTest, testing::ValuesIn(kLeaveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BetaActivityTest, TheOverrideDecidesAndTheScreensStartUnlocked) {
    active = false;
    activity->inFrontOverride = true;
    start();
    advanceTo(6);
    EXPECT_EQ(checks, QList<double>{5});

    activity->inFrontOverride.reset();
    active = true;
    activity->updateQuietUpdateTimer();
    EXPECT_TRUE(activity->isMainWindowInFront());
    screens.unlock();
    EXPECT_TRUE(activity->isMainWindowInFront());
    screens.lock();
    EXPECT_FALSE(activity->isMainWindowInFront());
}

} // namespace

namespace {

// The rule asks the application shell, the one source of whether the main window is visible.
TEST(BetaActivityShellTest, InFrontWhenActiveWithTheVisibleMainWindowKey) {
    struct Case {
        bool active;
        std::optional<tilewick::MainWindowState> window;
        bool inFront;
    };
    tilewick::MainWindowState key;
    key.key = true;
    tilewick::MainWindowState coveredKey = key;
    coveredKey.occluded = true;
    const Case cases[] = {
        {true, key, true},
        {true, coveredKey, true},                   // covered, it is still the key window
        {true, tilewick::MainWindowState{}, false}, // visible, another window is key
        {true, std::nullopt, false},                // closed or minimised
        {false, key, false},
    };
    for (const Case& c : cases) {
        storetest::RecordingShell shell;
        shell.active = c.active;
        shell.mainWindow = c.window;
        const auto queries = BetaActivity::Queries::of(shell);
        EXPECT_EQ(queries.applicationActive() && queries.mainWindowInFront(), c.inFront)
            << c.active << " " << c.window.has_value();
    }
}

} // namespace
