#include "support/KeyEvents.h"
#include "support/StoreTest.h"

using namespace tilewick;
using platform::kAlertFirstButton;
using platform::KeyEvent;
using platform::sim::SimApp;

namespace {

constexpr double kTick = 1.5;

QStringList names(const QList<ConflictingApp>& apps) {
    QStringList result;
    for (const auto& app : apps)
        result.append(app.name);
    return result;
}

QStringList alertMessages(const QList<platform::ModalAlert>& alerts) {
    QStringList result;
    for (const auto& alert : alerts)
        result.append(alert.message);
    return result;
}

SimApp utility(qint32 pid, const QString& bundleID, const QString& name = "Utility") {
    SimApp app;
    app.pid = pid;
    app.bundleIdentifier = bundleID;
    app.name = name;
    return app;
}

const QString kRectangle = "com.knollsoft.Rectangle";
const QString kMagnet = "com.crowdcafe.windowmagnet";

// --- Status poll -------------------------------------------------------------------------------

class StatusTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        hotkeyEngine = &useHotkeyEngine();
    }
    HotkeyEngine* hotkeyEngine = nullptr;
};

TEST_F(StatusTest, TheTapComesWithPermissionWithinOneTick) {
    desktop().setTrusted(false);
    auto& store = makeStore();
    EXPECT_FALSE(store.trusted());
    EXPECT_FALSE(store.hotkeysActive());
    EXPECT_FALSE(eventTap().hasTap());
    EXPECT_EQ(loggedEvents("hotkeys"), QStringList{"hotkeys active=false accessibility=false"});

    runtime().advance(kTick);
    EXPECT_FALSE(eventTap().hasTap());
    EXPECT_EQ(loggedEvents("hotkeys").size(), 1);

    desktop().setTrusted(true);
    runtime().advance(kTick);
    EXPECT_TRUE(store.trusted());
    EXPECT_TRUE(store.hotkeysActive());
    EXPECT_TRUE(eventTap().tapEnabled());
    EXPECT_EQ(loggedEvents("tap.started").size(), 1);
    EXPECT_EQ(loggedEvents("hotkeys").last(), "hotkeys active=true accessibility=true");
}

TEST_F(StatusTest, AChordAnotherProgramHeldWorksOnceItLetGoForGood) {
    eventTap().setGrabsOnly(true);
    const platform::KeyChord left{testkeys::kLeftArrow, testkeys::kOptionCommand};
    eventTap().takeElsewhere(left);
    makeStore();
    EXPECT_EQ(loggedEvents("hotkey.taken").size(), 1);
    eventTap().letGo(left);
    eventTap().press(left.keyCode, left.modifiers);
    EXPECT_TRUE(eventTap().swallowed().isEmpty());

    // Found free at three polls in a row: from the third, 3 to 4.5 s after it let go.
    runtime().advance(2 * kTick);
    eventTap().press(left.keyCode, left.modifiers);
    EXPECT_TRUE(eventTap().swallowed().isEmpty());
    runtime().advance(kTick);
    eventTap().press(left.keyCode, left.modifiers);
    EXPECT_EQ(eventTap().swallowed().size(), 2);
}

// KWin lets go of its keys and grabs them again when the keymap changes; a poll in between must
// not leave it without them.
TEST_F(StatusTest, AWindowManagerGrabbingItsKeysAgainKeepsThem) {
    eventTap().setGrabsOnly(true);
    const platform::KeyChord left{testkeys::kLeftArrow, testkeys::kOptionCommand};
    eventTap().takeElsewhere(left);
    makeStore();
    // Free at one or two polls, then held again at the next.
    for (int regrab = 0; regrab < 4; ++regrab) {
        eventTap().letGo(left);
        runtime().advance(kTick * (1 + regrab % 2));
        ASSERT_TRUE(eventTap().takeElsewhere(left)) << "the poll took it from the window manager";
        runtime().advance(kTick);
    }
    runtime().advance(10 * kTick);
    eventTap().press(left.keyCode, left.modifiers);
    EXPECT_TRUE(eventTap().swallowed().isEmpty());
    EXPECT_EQ(eventTap().takenChords().size(), 1);
    EXPECT_EQ(loggedEvents("hotkey.taken").size(), 1) << "said once";

    // Counted from the last time it was held.
    eventTap().letGo(left);
    runtime().advance(2 * kTick);
    EXPECT_EQ(eventTap().takenChords().size(), 1);
    runtime().advance(kTick);
    EXPECT_TRUE(eventTap().takenChords().isEmpty());
}

TEST_F(StatusTest, ATapDisabledForGoodIsMadeAgainOnTheNextTick) {
    auto& store = makeStore();
    ASSERT_TRUE(store.hotkeysActive());
    EXPECT_EQ(eventTap().tapsCreated(), 1);

    // Re-enabled by the callback: nothing for the poll to do.
    eventTap().disableTaps(KeyEvent::Type::TapDisabledByTimeout);
    runtime().advance(kTick);
    EXPECT_EQ(eventTap().tapsCreated(), 1);

    // Disabled without a word: replaced at the next tick, not before.
    eventTap().disableTaps(KeyEvent::Type::TapDisabledByUserInput, false);
    runtime().advance(1.4);
    EXPECT_EQ(eventTap().tapsCreated(), 1);
    EXPECT_FALSE(hotkeyEngine->isTapEnabled());
    runtime().advance(0.1);
    EXPECT_EQ(eventTap().tapsCreated(), 2);
    EXPECT_TRUE(eventTap().tapEnabled());
    EXPECT_TRUE(store.hotkeysActive());
    EXPECT_EQ(loggedEvents("hotkeys").size(), 1);
    EXPECT_EQ(loggedEvents("tap.started").size(), 2);
}

TEST_F(StatusTest, ATapThatCannotBeMadeIsTriedOnEveryTick) {
    eventTap().setCreationFails(true);
    auto& store = makeStore();
    EXPECT_TRUE(store.trusted());
    EXPECT_FALSE(store.hotkeysActive());
    EXPECT_EQ(loggedEvents("hotkeys"), QStringList{"hotkeys active=false accessibility=true"});
    EXPECT_TRUE(loggedEvents("tap.started").isEmpty());

    runtime().advance(3 * kTick);
    EXPECT_FALSE(store.hotkeysActive());
    eventTap().setCreationFails(false);
    runtime().advance(kTick);
    EXPECT_TRUE(store.hotkeysActive());
}

TEST_F(StatusTest, RevokedPermissionTurnsHotkeysOffAtTheNextTickAndLogsOnce) {
    auto& store = makeStore();
    desktop().setTrusted(false);
    runtime().advance(2 * kTick);
    EXPECT_FALSE(store.trusted());
    EXPECT_FALSE(store.hotkeysActive());
    // The tap is not stopped; only the status follows.
    EXPECT_TRUE(eventTap().hasTap());
    EXPECT_EQ(loggedEvents("hotkeys"), (QStringList{"hotkeys active=true accessibility=true",
                                                    "hotkeys active=false accessibility=false"}));
}

TEST_F(StatusTest, ThePollForgetsModifiersReleasedUnseen) {
    auto& store = makeStore();
    store.setPressedKeys({{55, 1.0}, {58, 1.0}, {63, 1.0}, {0, 1.0}});
    eventTap().setCurrentModifierFlags(kCommandFlag);
    runtime().advance(kTick);
    EXPECT_EQ(store.pressedKeys(), (QHash<quint16, double>{{55, 1.0}, {0, 1.0}}));
}

// --- Conflicting utilities ---------------------------------------------------------------------

TEST_F(StoreTest, AUtilityRunningAtLaunchIsPublishedWithoutAnAlert) {
    desktop().addApp(utility(501, kRectangle));
    auto& store = makeStore();
    runtime().runUntilIdle();
    EXPECT_EQ(store.conflicts(), (QList<ConflictingApp>{{kRectangle, "Rectangle", 501}}));
    EXPECT_EQ(loggedEvents("conflicts"), QStringList{"conflicts count=1"});
    EXPECT_TRUE(alerts().shown().isEmpty());

    // The delayed scan with alerts warns.
    store.refreshConflicts(true);
    runtime().runUntilIdle();
    ASSERT_EQ(alerts().shown().size(), 1);
    const auto& alert = alerts().shown().first();
    EXPECT_EQ(alert.style, platform::ModalAlert::Style::Warning);
    EXPECT_EQ(alert.message, "Rectangle is running too");
    EXPECT_EQ(alert.informativeText,
              "Rectangle also snaps windows with hotkeys, so the two apps can clash. Quit "
              "one of them, and turn off its login item so it doesn't start again next "
              "time you log in.");
    EXPECT_EQ(alert.buttons, (QStringList{"Quit Rectangle", "Quit Tilewick", "Keep Both"}));
    EXPECT_EQ(shell->activations, 1);
}

TEST_F(StoreTest, ConflictsAreOnePerUtilitySortedByNameAndUnknownAppsIgnored) {
    auto& store = makeStore();
    EXPECT_TRUE(loggedEvents("conflicts").isEmpty());
    desktop().addApp(utility(501, kRectangle));
    desktop().addApp(utility(502, kMagnet));
    desktop().addApp(utility(503, kRectangle));
    desktop().addApp(utility(504, "org.example.Editor"));
    desktop().addApp(utility(505, "com.mizage.Divvy"));
    desktop().addApp(utility(506, "com.mizage.direct.Divvy"));
    SimApp nameless;
    nameless.pid = 507;
    desktop().addApp(nameless);
    EXPECT_EQ(names(store.conflicts()), (QStringList{"Divvy", "Divvy", "Magnet", "Rectangle"}));
    EXPECT_EQ(store.conflicts().last().pid, 501);
}

TEST_F(StoreTest, EachUtilityIsAlertedOncePerRunInNameOrder) {
    auto& store = makeStore();
    desktop().addApp(utility(501, kRectangle));
    desktop().addApp(utility(502, kMagnet));
    runtime().runUntilIdle();
    EXPECT_EQ(alertMessages(alerts().shown()),
              (QStringList{"Rectangle is running too", "Magnet is running too"}));

    // "Keep Both" (the default answer here); the utility quits and comes back: no second alert.
    alerts().clearShown();
    desktop().quitApp(501);
    desktop().addApp(utility(508, kRectangle));
    runtime().runUntilIdle();
    EXPECT_TRUE(alerts().shown().isEmpty());
    EXPECT_EQ(names(store.conflicts()), (QStringList{"Magnet", "Rectangle"}));
    EXPECT_EQ(loggedEvents("conflicts"), (QStringList{"conflicts count=1", "conflicts count=2",
                                                      "conflicts count=1", "conflicts count=2"}));
}

TEST_F(StoreTest, AlertsQueuedTogetherComeInNameOrder) {
    desktop().addApp(utility(501, kRectangle));
    desktop().addApp(utility(502, kMagnet));
    auto& store = makeStore();
    store.refreshConflicts(true);
    runtime().runUntilIdle();
    EXPECT_EQ(alertMessages(alerts().shown()),
              (QStringList{"Magnet is running too", "Rectangle is running too"}));
}

TEST_F(StoreTest, ConflictAlertsFollowOneAnotherAndNeverNest) {
    desktop().addApp(utility(501, kRectangle));
    desktop().addApp(utility(502, kMagnet));
    auto& store = makeStore();
    int depth = 0;
    int deepest = 0;
    alerts().setResponder([&](const platform::ModalAlert&) {
        // A modal alert keeps the main queue running while it is up.
        deepest = std::max(deepest, ++depth);
        runtime().runUntilIdle();
        --depth;
        return kAlertFirstButton + 2;
    });
    store.refreshConflicts(true);
    runtime().runUntilIdle();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(alertMessages(alerts().shown()),
              (QStringList{"Magnet is running too", "Rectangle is running too"}));
}

TEST_F(StoreTest, AnAlertForAUtilityThatQuitMeanwhileIsNotShown) {
    auto& store = makeStore();
    desktop().addApp(utility(501, kRectangle)); // queues the alert
    desktop().quitApp(501);
    runtime().runUntilIdle();
    EXPECT_TRUE(alerts().shown().isEmpty());
    EXPECT_TRUE(store.conflicts().isEmpty());
}

TEST_F(StoreTest, QuittingTheOtherUtility) {
    auto& store = makeStore();
    alerts().clickNext("Quit Rectangle");
    desktop().addApp(utility(501, kRectangle));
    runtime().runUntilIdle();
    EXPECT_FALSE(desktop().app(501));
    EXPECT_EQ(store.note(), "Quit Rectangle. Turn off its login item in Login Items so it stays off.");
    EXPECT_EQ(loginItems().openSettingsCount(), 1);
    EXPECT_TRUE(store.conflicts().isEmpty()); // its own quit was seen at once

    // One that refuses stays listed after the rescan, and is not alerted again.
    desktop().addApp([] {
        auto app = utility(502, kMagnet);
        app.refusesToQuit = true;
        return app;
    }());
    runtime().runUntilIdle();
    ASSERT_EQ(store.conflicts().size(), 1);
    store.quitConflictingApp(store.conflicts().first());
    EXPECT_EQ(store.note(), "Quit Magnet. Turn off its login item in Login Items so it stays off.");
    runtime().advance(1.5);
    EXPECT_EQ(names(store.conflicts()), QStringList{"Magnet"});
    EXPECT_EQ(alerts().shown().size(), 2);
}

TEST_F(StoreTest, QuittingTilewickTurnsStartAtLoginOffFirst) {
    loginItems().setStatus(platform::LoginItems::Status::Enabled);
    auto& store = makeStore();
    ASSERT_TRUE(store.launchAtLogin());
    QList<bool> loginItemWhenAsked;
    alerts().setResponder([&](const platform::ModalAlert&) {
        loginItemWhenAsked.append(store.launchAtLogin());
        return kAlertFirstButton + 1;
    });
    // What the login item was when the program was told to quit.
    QList<platform::LoginItems::Status> loginItemAtQuit;
    shell->onTerminate = [&] { loginItemAtQuit.append(loginItems().status()); };
    desktop().addApp(utility(501, kRectangle));
    runtime().runUntilIdle();
    EXPECT_FALSE(store.launchAtLogin());
    EXPECT_TRUE(desktop().app(501));

    // With start at login off, only the quit.
    desktop().addApp(utility(502, kMagnet));
    runtime().runUntilIdle();
    EXPECT_EQ(loginItems().unregisterCount(), 1);
    EXPECT_EQ(loginItemWhenAsked, (QList<bool>{true, false}));
    EXPECT_EQ(loginItemAtQuit,
              (QList<platform::LoginItems::Status>(2, platform::LoginItems::Status::NotRegistered)));
}

} // namespace
