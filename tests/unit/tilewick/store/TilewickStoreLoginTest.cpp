#include "support/StoreTest.h"

#include "tilewick/store/SettingsKeys.h"

#include <QSignalSpy>

namespace {

using namespace tilewick;
using Status = platform::LoginItems::Status;

// --- Start at login --------------------------------------------------------------------------

class StartAtLogin : public StoreTest {
protected:
    void launchFrom(const QString& bundlePath) { bundle().setBundlePath(bundlePath); }
};

TEST_F(StartAtLogin, FirstLaunchOutsideApplicationsWaitsForOneInside) {
    auto& store = makeStore(); // the first run asks for the login item
    ASSERT_EQ(defaults().boolValue(keys::startAtLoginPending), true);

    launchFrom(paths().home() + "/Downloads/Tilewick.app");
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 0);
    EXPECT_EQ(defaults().boolValue(keys::startAtLoginPending), true);
    EXPECT_FALSE(store.launchAtLogin());
    EXPECT_TRUE(loggedEvents("login.default").isEmpty());

    // Look-alike folders do not count.
    for (const QString& path :
         {QStringLiteral("/opt/Applications/Tilewick.app"), QStringLiteral("/Applications"),
          paths().home() + "/ApplicationsOld/Tilewick.app"}) {
        launchFrom(path);
        store.applyPendingStartAtLogin();
        EXPECT_EQ(loginItems().registerCount(), 0) << path.toStdString();
    }

    launchFrom("/Applications/Tilewick.app");
    QSignalSpy spy(&store, &TilewickStore::launchAtLoginChanged);
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 1);
    EXPECT_TRUE(store.launchAtLogin());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(defaults().contains(keys::startAtLoginPending));
    EXPECT_EQ(loggedEvents("login.default"), QStringList{"login.default on=true"});

    // Applied once: later launches leave the user's choice alone.
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 1);

    // The home Applications folder counts too.
    loginItems().setStatus(Status::NotRegistered);
    defaults().set(keys::startAtLoginPending, true);
    launchFrom(paths().home() + "/Applications/Tilewick.app");
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 2);
}

TEST_F(StartAtLogin, AnEnabledItemIsNotRegisteredAgain) {
    loginItems().setStatus(Status::Enabled);
    auto& store = makeStore();
    launchFrom("/Applications/Tilewick.app");
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 0);
    EXPECT_TRUE(store.launchAtLogin());
    EXPECT_FALSE(defaults().contains(keys::startAtLoginPending));
    EXPECT_EQ(loggedEvents("login.default"), QStringList{"login.default on=true"});
}

TEST_F(StartAtLogin, AFailedDefaultRegistrationIsSilent) {
    auto& store = makeStore();
    loginItems().setFailure(QStringLiteral("Operation not permitted"));
    launchFrom("/Applications/Tilewick.app");
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 1);
    EXPECT_FALSE(store.launchAtLogin());
    EXPECT_FALSE(store.note());
    EXPECT_FALSE(defaults().contains(keys::startAtLoginPending));
    EXPECT_EQ(loggedEvents("login.default"), QStringList{"login.default on=false"});
}

TEST_F(StartAtLogin, NoRequestWhenTheKeyIsAbsentOrFalse) {
    defaults().set(keys::bindings, encodeBindings(defaultBindings()));
    defaults().set(keys::bindingsVersion, qint64(6));
    auto& store = makeStore();
    launchFrom("/Applications/Tilewick.app");
    store.applyPendingStartAtLogin();
    defaults().set(keys::startAtLoginPending, false);
    store.applyPendingStartAtLogin();
    EXPECT_EQ(loginItems().registerCount(), 0);
    EXPECT_EQ(defaults().boolValue(keys::startAtLoginPending), false);
}

TEST_F(StartAtLogin, TheSwitchShowsTheRealStatus) {
    auto& store = makeStore();
    store.setLaunchAtLogin(true);
    EXPECT_TRUE(store.launchAtLogin());
    EXPECT_FALSE(store.note());
    store.setLaunchAtLogin(false);
    EXPECT_EQ(loginItems().unregisterCount(), 1);
    EXPECT_FALSE(store.launchAtLogin());

    // A failure says why; the switch keeps the real state.
    loginItems().setStatus(Status::Enabled);
    store.refreshLaunchAtLogin();
    loginItems().setFailure(QStringLiteral("The operation couldn't be completed."));
    store.setLaunchAtLogin(false);
    EXPECT_EQ(store.note(),
              QStringLiteral("Couldn't change Start at Login: The operation couldn't be completed."));
    EXPECT_TRUE(store.launchAtLogin());
    EXPECT_EQ(loginItems().openSettingsCount(), 0);
}

TEST_F(StartAtLogin, ApprovalNeededSaysSoAndOpensTheSettings) {
    auto& store = makeStore();
    loginItems().setStatusAfterRegister(Status::RequiresApproval);
    store.setLaunchAtLogin(true);
    EXPECT_EQ(store.note(), QStringLiteral("Turn Tilewick on in Login Items to finish."));
    EXPECT_EQ(loginItems().openSettingsCount(), 1);
    EXPECT_FALSE(store.launchAtLogin());

    // The approval note replaces a failure's note.
    loginItems().setFailure(QStringLiteral("Denied."));
    store.setLaunchAtLogin(true);
    EXPECT_EQ(store.note(), QStringLiteral("Turn Tilewick on in Login Items to finish."));

    // Approved later: the next activation corrects the switch.
    loginItems().setStatus(Status::Enabled);
    store.refreshLaunchAtLogin();
    EXPECT_TRUE(store.launchAtLogin());
}

TEST_F(StartAtLogin, OnlyEnabledCountsAsOn) {
    auto& store = makeStore();
    for (const auto status : {Status::NotRegistered, Status::RequiresApproval, Status::NotFound}) {
        loginItems().setStatus(status);
        store.refreshLaunchAtLogin();
        EXPECT_FALSE(store.launchAtLogin()) << int(status);
    }
}

// --- Notes -------------------------------------------------------------------------------------

TEST_F(StoreTest, ANoteStaysFiveSecondsAfterTheLastCall) {
    auto& store = makeStore();
    QSignalSpy spy(&store, &TilewickStore::noteChanged);
    store.showNote(QStringLiteral("First"));
    runtime().advance(3.0);
    store.showNote(QStringLiteral("Second"));
    EXPECT_EQ(store.note(), QStringLiteral("Second"));

    // The first note's task was cancelled: nothing clears at 5 s.
    runtime().advance(2.5);
    EXPECT_EQ(store.note(), QStringLiteral("Second"));
    runtime().advance(2.4);
    EXPECT_EQ(store.note(), QStringLiteral("Second"));
    runtime().advance(0.1);
    EXPECT_EQ(store.note(), std::nullopt);
    EXPECT_EQ(spy.count(), 3);

    // The same text again restarts the clock without a notification.
    store.showNote(QStringLiteral("Again"));
    runtime().advance(4.0);
    store.showNote(QStringLiteral("Again"));
    EXPECT_EQ(spy.count(), 4);
    runtime().advance(4.0);
    EXPECT_EQ(store.note(), QStringLiteral("Again"));
    runtime().advance(1.0);
    EXPECT_EQ(store.note(), std::nullopt);
    EXPECT_EQ(runtime().pendingTimers(), 1); // only the status timer is left
}

// --- The main window ---------------------------------------------------------------------------

TEST_F(StoreTest, ShowMainWindowBringsAVisibleWindowForward) {
    auto& store = makeStore();
    int opened = 0;
    store.setOpenMainWindow([&] { ++opened; });
    store.setWindowOpen(false);
    shell->mainWindow = MainWindowState{{0, 0, 956, 891}, false, QRectF(0, 0, 1440, 900)};

    store.showMainWindow();
    EXPECT_TRUE(store.windowOpen());
    EXPECT_EQ(shell->focusRequests, 1);
    EXPECT_EQ(shell->activations, 1);
    EXPECT_EQ(opened, 0);
}

TEST_F(StoreTest, ShowMainWindowOpensAClosedOrMinimisedWindowAfresh) {
    auto& store = makeStore();
    store.showMainWindow(); // nothing to open it with yet: the program is still activated
    EXPECT_EQ(shell->activations, 1);

    int opened = 0;
    store.setOpenMainWindow([&] { ++opened; });
    store.setWindowOpen(false);
    store.showMainWindow();
    EXPECT_TRUE(store.windowOpen());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(shell->focusRequests, 0);
    EXPECT_EQ(shell->activations, 2);
}

TEST_F(StoreTest, AShownMainWindowIsOpenAndGetsItsSizeAfterTheCurrentTurn) {
    auto& store = makeStore();
    store.setWindowOpen(false);
    shell->mainWindow = MainWindowState{{100, 50, 600, 400}, false, QRectF(0, 0, 1440, 900)};

    store.mainWindowShown();
    EXPECT_TRUE(store.windowOpen());
    EXPECT_TRUE(shell->frames.empty());
    runtime().runUntilIdle();
    ASSERT_EQ(shell->frames.size(), 1u);
    EXPECT_EQ(shell->frames[0], std::make_pair(QRectF(0, 9, 956, 891), false)); // pulled into the screen
}

// --- Coming to the front and leaving it ------------------------------------------------------

TEST_F(StoreTest, ComingToTheFrontHidesTheFloatingKeyboardAndRereadsWhatChanged) {
    auto& store = makeStore();
    overlay->visible = true;
    shell->active = true;
    shell->mainWindow = MainWindowState{{0, 0, 956, 891}, false, QRectF(0, 0, 1440, 900)};
    loginItems().registerApp();

    store.applicationBecameActive();
    EXPECT_FALSE(overlay->visible);
    EXPECT_TRUE(store.animating()); // the main window's keyboard is seen now
    EXPECT_TRUE(store.launchAtLogin());
}

TEST_F(StoreTest, LeavingTheFrontForgetsHeldKeysAndEndsAModifierEdit) {
    auto& store = makeStore();
    store.setPressedKeys({{58, 1.0}});
    store.beginEditingModifiers();

    store.applicationResignedActive();
    EXPECT_TRUE(store.pressedKeys().isEmpty());
    EXPECT_FALSE(store.editingModifiers());
}

// --- Resetting the hotkeys -------------------------------------------------------------------

class ResetHotkeys : public StoreTest {
protected:
    static constexpr const char* kAlreadyDefault = "Your hotkeys are already the original defaults.";
};

TEST_F(ResetHotkeys, AtTheDefaultsOnlyANoteIsShown) {
    // Labels and stored modifiers do not count, only key codes.
    Bindings relabelled = defaultBindings();
    relabelled[SnapAction::centre] = Hotkey{8, 0, "c"};
    defaults().set(keys::bindings, encodeBindings(relabelled));
    defaults().set(keys::bindingsVersion, qint64(6));
    auto& store = makeStore();

    store.resetAllHotkeys();
    EXPECT_TRUE(alerts().shown().isEmpty());
    EXPECT_EQ(store.note(), QString::fromUtf8(kAlreadyDefault));
    EXPECT_EQ(store.bindings(), relabelled);
}

TEST_F(ResetHotkeys, AChangedKeyOrModifierSetAsksFirst) {
    auto& store = makeStore();
    Bindings changed = defaultBindings();
    changed[SnapAction::centre] = Hotkey{9, 0, "V"};
    for (const auto& [bindings, modifiers] :
         {std::pair{changed, kDefaultHotkeyModifiers}, std::pair{defaultBindings(), quint64(0x1C0000)}}) {
        store.setBindings(bindings);
        store.setModifiers(modifiers);
        alerts().clearShown();
        alerts().clickNext("Cancel");
        store.resetAllHotkeys();
        ASSERT_EQ(alerts().shown().size(), 1);
        const auto& alert = alerts().shown().first();
        EXPECT_EQ(alert.style, platform::ModalAlert::Style::Warning);
        EXPECT_EQ(alert.message, "Reset all hotkeys to the original defaults?");
        EXPECT_EQ(alert.informativeText,
                  QString::fromUtf8("Any keys you've changed will be replaced, and the "
                                    "modifiers go back to ⌥⌘. This can't be undone."));
        EXPECT_EQ(alert.buttons, (QStringList{"Reset Hotkeys", "Cancel"}));
        // Cancelled: nothing changes.
        EXPECT_EQ(store.bindings(), bindings);
        EXPECT_EQ(store.modifiers(), modifiers);
        EXPECT_FALSE(store.note());
    }
    EXPECT_TRUE(loggedEvents("hotkeys.reset").isEmpty());

    // A missing binding differs too.
    Bindings missing = defaultBindings();
    missing.erase(SnapAction::redo);
    store.setBindings(missing);
    store.setModifiers(kDefaultHotkeyModifiers);
    alerts().clearShown();
    store.resetAllHotkeys();
    EXPECT_EQ(alerts().shown().size(), 1);
}

TEST_F(ResetHotkeys, ConfirmedResetRestoresSavesAndSays) {
    auto& store = makeStore();
    Bindings changed = defaultBindings();
    changed.erase(SnapAction::undo);
    changed[SnapAction::centre] = Hotkey{9, 0, "V"};
    store.setBindings(changed);
    store.saveBindings();
    store.setModifiers(0x1C0000);

    QSignalSpy bindingsSpy(&store, &TilewickStore::bindingsChanged);
    alerts().clickNext("Reset Hotkeys");
    store.resetAllHotkeys();

    EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
    EXPECT_EQ(defaults().uint64Value(keys::modifiers), kDefaultHotkeyModifiers);
    EXPECT_EQ(store.bindings(), defaultBindings());
    EXPECT_EQ(bindingsSpy.count(), 1);
    EXPECT_EQ(decodeBindings(*defaults().dataValue(keys::bindings)), defaultBindings());
    EXPECT_EQ(engine->updates.back(), defaultBindings());
    EXPECT_EQ(store.note(), QStringLiteral("All hotkeys are back to their defaults."));
    EXPECT_EQ(loggedEvents("hotkeys.reset"), QStringList{"hotkeys.reset"});
}

TEST_F(ResetHotkeys, ModifiersAlreadyDefaultAreStillWrittenWithoutNotice) {
    auto& store = makeStore();
    Bindings changed = defaultBindings();
    changed[SnapAction::focus] = Hotkey{30, 0, "]"};
    store.setBindings(changed);

    QSignalSpy modifiersSpy(&store, &TilewickStore::modifiersChanged);
    alerts().answerNext(platform::kAlertFirstButton);
    store.resetAllHotkeys();
    EXPECT_EQ(modifiersSpy.count(), 0);
    EXPECT_EQ(defaults().uint64Value(keys::modifiers), kDefaultHotkeyModifiers);
    EXPECT_EQ(engine->updates.back(), defaultBindings());
}

TEST_F(ResetHotkeys, EndsARecordingFirstEvenWhenCancelled) {
    auto& store = makeStore();
    Bindings changed = defaultBindings();
    changed.erase(SnapAction::focus);
    store.setBindings(changed);
    store.setRecording(SnapAction::leftHalf);

    std::optional<SnapAction> recordingDuringAlert = SnapAction::centre;
    alerts().setResponder([&](const platform::ModalAlert&) {
        recordingDuringAlert = store.recording();
        return platform::kAlertFirstButton + 1;
    });
    store.resetAllHotkeys();
    EXPECT_EQ(recordingDuringAlert, std::nullopt);
    EXPECT_EQ(store.recording(), std::nullopt);
    EXPECT_EQ(engine->recorderClears, 1);
    EXPECT_EQ(store.bindings(), changed);

    // And also when the hotkeys were already the defaults.
    store.setBindings(defaultBindings());
    store.setRecording(SnapAction::rightHalf);
    store.resetAllHotkeys();
    EXPECT_EQ(store.recording(), std::nullopt);
    EXPECT_EQ(engine->recorderClears, 2);
}

} // namespace

namespace {

// --- Quitting from a conflict, the main window's tab change -----------------------------------

TEST_F(StartAtLogin, QuitTilewickTurnsStartAtLoginOffFirstAndQuitsEvenWhenThatFails) {
    struct Case {
        const char* what;
        bool loginItem;
        std::optional<QString> failure;
        int unregisters;
        bool stillOn;
        int failuresLogged;
    };
    const Case cases[] = {
        {"no login item: only quits", false, std::nullopt, 0, false, 0},
        {"login item: off, then quits", true, std::nullopt, 1, false, 0},
        {"turning it off fails: logged, quits all the same", true, QStringLiteral("denied"), 1, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loginItems().setFailure(std::nullopt);
        loginItems().setStatus(c.loginItem ? Status::Enabled : Status::NotRegistered);
        auto& store = makeStore();
        const int before = loginItems().unregisterCount();
        const int loggedBefore = int(loggedEvents("login.off_failed").size());
        loginItems().setFailure(c.failure);
        std::vector<bool> onWhenQuitting;
        shell->onTerminate = [&] { onWhenQuitting.push_back(store.launchAtLogin()); };
        store.quitTilewick();
        EXPECT_EQ(loginItems().unregisterCount() - before, c.unregisters);
        EXPECT_EQ(onWhenQuitting, std::vector<bool>{c.stillOn});
        EXPECT_EQ(int(loggedEvents("login.off_failed").size()) - loggedBefore, c.failuresLogged);
        EXPECT_FALSE(store.note()); // nobody would see it
        shell->onTerminate = nullptr;
        destroyStore();
    }
}

TEST_F(StoreTest, OpenLoginItemsOpensTheAutostartPlace) {
    auto& store = makeStore();
    store.openLoginItems();
    EXPECT_EQ(loginItems().openSettingsCount(), 1);
}

TEST_F(StoreTest, RequestAccessibilityWithoutASettingsPageSaysWhatItTakes) {
    desktop().setTrusted(false);
    auto& store = makeStore();
    store.requestAccessibility();
    EXPECT_EQ(store.note(), QString::fromUtf8(TilewickStore::kTrustNote));
}

TEST_F(StoreTest, ATabChangeEndsAnotherTabsRecordingAndLeavingAppSnapsClosesThePicker) {
    struct Case {
        const char* what;
        SnapTab from, to;
        std::optional<SnapAction> recording;
        bool pickerOpen;
        bool recordingAfter, pickerAfter;
    };
    const Case cases[] = {
        {"recording on another tab ends", SnapTab::halves, SnapTab::thirds, SnapAction::leftHalf, false,
         false, false},
        {"recording on the new tab goes on", SnapTab::global, SnapTab::halves, SnapAction::leftHalf, false,
         true, false},
        {"leaving Default App Snaps closes the picker", SnapTab::appSnaps, SnapTab::global, std::nullopt,
         true, false, false},
        {"going to Default App Snaps keeps it", SnapTab::global, SnapTab::appSnaps, std::nullopt, true, false,
         true},
    };
    auto& store = makeStore();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store.setTab(c.from);
        store.setRecording(std::nullopt);
        if (c.recording)
            store.beginRecording(*c.recording);
        store.setAppPickerOpen(c.pickerOpen);
        store.setAppPickerQuery(c.pickerOpen ? QStringLiteral("fire") : QString());
        store.setTab(c.to);
        store.followTabChange();
        EXPECT_EQ(store.recording().has_value(), c.recordingAfter);
        EXPECT_EQ(store.appPickerOpen(), c.pickerAfter);
        EXPECT_EQ(store.appPickerQuery().isEmpty(), !c.pickerAfter);
    }
}

} // namespace
