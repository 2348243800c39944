#include "support/KeyEvents.h"
#include "support/StoreTest.h"

#include "platform/sim/SimEventTap.h"
#include "platform/sim/SimKeyboard.h"
#include "tilewick/engine/AppWindows.h"
#include "tilewick/store/SettingsKeys.h"

#include <QCoreApplication>
#include <QSignalSpy>

namespace {

using namespace tilewick;
using platform::AXElement;
using platform::KeyEvent;

constexpr qint32 kEditor = 100;
using testkeys::kOptionCommand;
constexpr quint64 kCapsLock = platform::kCapsLockFlag;
constexpr quint16 kLeftCommand = platform::kCommandKeyCode;
constexpr quint16 kRightCommand = platform::kRightCommandKeyCode;
constexpr quint16 kLeftOption = platform::kOptionKeyCode;
constexpr quint16 kLeftShift = platform::kShiftKeyCode;
constexpr quint16 kGlobe = platform::kFnKeyCode;

// The store on a desktop of two screens side by side, with an editor in front holding one window
// on the left screen.
class DispatchTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875}, QStringLiteral("Left"));
        desktop().addScreen({1000, 0, 800, 600}, {1000, 0, 800, 600}, QStringLiteral("Right"));
        desktop().addApp({.pid = kEditor,
                          .bundleIdentifier = QStringLiteral("org.example.editor"),
                          .name = QStringLiteral("Editor")});
        desktop().activate(kEditor);
        window =
            desktop().addWindow(kEditor, {.title = QStringLiteral("Doc"), .frame = {100, 100, 400, 300}});
    }

    platform::sim::SimEventTap& keyboard() { return platform().service<platform::sim::SimEventTap>(); }
    void setISO(bool iso) { platform().service<platform::sim::SimKeyboard>().setISO(iso); }

    // A modifier key went down or up, leaving `flags` held.
    void flags(quint16 keyCode, quint64 held) { store().flagsChanged(KeyEvent::flagsChanged(keyCode, held)); }
    // Option, then Command, go down.
    void holdOptionCommand(quint64 extra = 0) {
        flags(kLeftOption, kOptionFlag | extra);
        flags(kLeftCommand, kOptionCommand | extra);
    }

    QStringList events() { return loggedEvents(); }

    AXElement window;
};

// --- Anchor actions ---

TEST_F(DispatchTest, AnchorOfEveryTabWithTheFactoryBindings) {
    using A = SnapAction;
    struct Row {
        SnapTab tab;
        std::optional<A> ansi;
        std::optional<A> iso;
    };
    const Row rows[] = {
        // Global leans left on ANSI (mean x 7.23) but right on ISO, where Return sits further out.
        {SnapTab::global, A::undo, A::maximize},
        {SnapTab::halves, A::rightHalf, A::rightHalf},
        {SnapTab::twoThirds, A::rightTwoThirds, A::rightTwoThirds},
        {SnapTab::thirds, A::leftThird, A::leftThird},
        {SnapTab::fourColumns, A::fourRight, A::fourRight},
        // Q over A: the same column, the upper row wins.
        {SnapTab::quarters, A::topLeftQuarter, A::topLeftQuarter},
        // Backslash is the outermost key on ANSI; on ISO it moves under "]", which then wins.
        {SnapTab::sixths, A::bottomRightSixth, A::topRightSixth},
        {SnapTab::eighths, A::topRightEighth, A::topRightEighth},
        {SnapTab::upDownHalves, A::topHalf, A::topHalf},
        {SnapTab::upDownTwoThirds, A::topTwoThirds, A::topTwoThirds},
        // "4" is 0.5 to the right of E: another column, so E is further out.
        {SnapTab::upDownThirds, A::middleThird, A::middleThird},
        {SnapTab::appSnaps, std::nullopt, std::nullopt},
    };
    auto& store = makeStore();
    for (const Row& row : rows) {
        setISO(false);
        EXPECT_EQ(store.anchorAction(row.tab), row.ansi) << rawValue(row.tab).toStdString() << " ANSI";
        // The keyboard type is asked afresh on every call.
        setISO(true);
        EXPECT_EQ(store.anchorAction(row.tab), row.iso) << rawValue(row.tab).toStdString() << " ISO";
    }
}

TEST_F(DispatchTest, AnchorSkipsUnboundActionsAndKeysWithoutCentre) {
    auto& store = makeStore();
    Bindings bindings = store.bindings();
    bindings.erase(SnapAction::rightHalf);
    store.setBindings(bindings);
    EXPECT_EQ(store.anchorAction(SnapTab::halves), SnapAction::leftHalf);

    // F5 (96) has no key on the drawn keyboard.
    bindings[SnapAction::leftHalf] = Hotkey{96, kOptionCommand, QStringLiteral("F5")};
    store.setBindings(bindings);
    EXPECT_EQ(store.anchorAction(SnapTab::halves), std::nullopt);
    EXPECT_EQ(store.multiWindowAction(SnapAction::leftHalf), SnapAction::leftHalf);
    EXPECT_EQ(store.multiWindowAction(SnapAction::rightHalf), SnapAction::rightHalf);
}

TEST_F(DispatchTest, MultiWindowActionKeepsCommandsAndMapsLayoutsToTheirAnchor) {
    auto& store = makeStore();
    for (SnapAction a : {SnapAction::centre, SnapAction::previousDisplay, SnapAction::maximize,
                         SnapAction::focus, SnapAction::undo, SnapAction::redo})
        EXPECT_EQ(store.multiWindowAction(a), a) << rawValue(a).toStdString();
    for (SnapAction a : actions(SnapTab::eighths))
        EXPECT_EQ(store.multiWindowAction(a), SnapAction::topRightEighth) << rawValue(a).toStdString();
}

// --- perform ---

TEST_F(DispatchTest, HotkeyMovesTheWindowSwitchesTheTabAndFlashes) {
    auto& store = makeStore();
    QSignalSpy tabSpy(&store, &TilewickStore::tabChanged);
    store.perform(SnapAction::leftThird, false);
    EXPECT_EQ(desktop().frame(window), QRectF(0, 25, 333, 875));
    EXPECT_EQ(store.tab(), SnapTab::thirds);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), QStringLiteral("thirds"));
    EXPECT_EQ(store.flash(), SnapAction::leftThird);
    EXPECT_EQ(store.lastSnapAt(), platform().clock().uptime());
    EXPECT_TRUE(multiWindow->snaps.empty());

    // Same tab again: stored again, but no change to tell.
    runtime().advance(0.5);
    store.perform(SnapAction::rightThird, false);
    EXPECT_EQ(tabSpy.count(), 1);
    EXPECT_EQ(store.lastSnapAt(), platform().clock().uptime());
    EXPECT_EQ(store.flash(), SnapAction::rightThird);

    // A failed move still switches the tab and flashes.
    desktop().closeWindow(window);
    store.perform(SnapAction::topHalf, false);
    EXPECT_EQ(desktop().beeps(), 1);
    EXPECT_EQ(store.tab(), SnapTab::upDownHalves);
    EXPECT_EQ(store.flash(), SnapAction::topHalf);
}

TEST_F(DispatchTest, CanRedoFollowsTheMoversHistory) {
    auto& store = makeStore();
    QSignalSpy spy(&store, &TilewickStore::canRedoChanged);
    store.perform(SnapAction::leftHalf, false);
    store.perform(SnapAction::undo, false);
    EXPECT_EQ(desktop().frame(window), QRectF(100, 100, 400, 300));
    EXPECT_TRUE(store.canRedo());
    // A new move ends the redo chain.
    store.perform(SnapAction::rightHalf, false);
    EXPECT_FALSE(store.canRedo());
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(DispatchTest, GlobeFillsFromTheTabsAnchor) {
    auto& store = makeStore();
    store.perform(SnapAction::leftHalf, true);
    // The filler gets the anchor; the mover is not asked.
    EXPECT_EQ(multiWindow->snaps, std::vector<SnapAction>{SnapAction::rightHalf});
    EXPECT_EQ(desktop().frame(window), QRectF(100, 100, 400, 300));
    EXPECT_EQ(store.tab(), SnapTab::halves);
    EXPECT_EQ(store.flash(), SnapAction::rightHalf);

    // Commands go to the filler unchanged.
    store.perform(SnapAction::nextDisplay, true);
    EXPECT_EQ(multiWindow->snaps.back(), SnapAction::nextDisplay);
    EXPECT_EQ(store.tab(), SnapTab::global);

    // A tab without bound keys has no anchor: the pressed action fills.
    Bindings bindings = store.bindings();
    for (SnapAction a : actions(SnapTab::quarters))
        bindings.erase(a);
    store.setBindings(bindings);
    store.perform(SnapAction::bottomRightQuarter, true);
    EXPECT_EQ(multiWindow->snaps.back(), SnapAction::bottomRightQuarter);
    EXPECT_EQ(store.flash(), SnapAction::bottomRightQuarter);
}

TEST_F(DispatchTest, DefaultAppSnapsTabStaysSelected) {
    auto& store = makeStore();
    store.setTab(SnapTab::appSnaps);
    store.perform(SnapAction::rightHalf, false);
    store.perform(SnapAction::topLeftEighth, true);
    EXPECT_EQ(store.tab(), SnapTab::appSnaps);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), QStringLiteral("appSnaps"));
    EXPECT_EQ(desktop().frame(window), QRectF(500, 25, 500, 875));
    EXPECT_EQ(store.flash(), SnapAction::topRightEighth);
}

TEST_F(DispatchTest, FlashClearsOnePointSixSecondsAfterTheLastPress) {
    auto& store = makeStore();
    QSignalSpy flashSpy(&store, &TilewickStore::flashChanged);
    store.perform(SnapAction::leftHalf, false);
    runtime().advance(1.0);
    store.perform(SnapAction::rightHalf, false);
    // The first press's clearing at 1.6 s was cancelled.
    runtime().advance(0.59);
    EXPECT_EQ(store.flash(), SnapAction::rightHalf);
    runtime().advance(1.0);
    EXPECT_EQ(store.flash(), SnapAction::rightHalf);
    runtime().advance(0.02);
    EXPECT_EQ(store.flash(), std::nullopt);
    EXPECT_EQ(flashSpy.count(), 3);
    EXPECT_EQ(runtime().pendingTimers(), 1); // only the store's status poll is left
}

TEST_F(DispatchTest, StepTabWrapsAroundBothEnds) {
    auto& store = makeStore();
    store.stepTab(-1);
    EXPECT_EQ(store.tab(), SnapTab::appSnaps);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), QStringLiteral("appSnaps"));
    store.stepTab(+1);
    EXPECT_EQ(store.tab(), SnapTab::global);
    store.stepTab(+1);
    store.stepTab(+1);
    store.stepTab(+1);
    store.stepTab(+1);
    // Four Columns comes before Quarters in the tab bar.
    EXPECT_EQ(store.tab(), SnapTab::fourColumns);
}

TEST_F(DispatchTest, TheHotkeyEngineReachesTheStoreUntilItIsDestroyed) {
    auto& engine = useHotkeyEngine();
    auto& store = makeStore();
    ASSERT_TRUE(engine.start());

    keyboard().changeFlags(kLeftOption, kOptionFlag);
    keyboard().changeFlags(kLeftCommand, kOptionCommand);
    keyboard().press(123, kOptionCommand);
    runtime().runUntilIdle();
    EXPECT_EQ(desktop().frame(window), QRectF(0, 25, 500, 875));
    EXPECT_EQ(store.tab(), SnapTab::halves);
    EXPECT_EQ(store.flash(), SnapAction::leftHalf);
    // The modifiers went down just before: the hotkey cancelled the floating keyboard.
    runtime().advance(0.2);
    EXPECT_TRUE(overlay->shows.empty());
    EXPECT_TRUE(store.pressedKeys().contains(kLeftCommand));

    // A store destroyed with a hotkey queued for it is never called again, nor asked by the tap.
    keyboard().press(123, kOptionCommand);
    destroyStore();
    keyboard().changeFlags(kLeftCommand, kOptionFlag);
    runtime().runUntilIdle();
    EXPECT_EQ(desktop().frame(window), QRectF(0, 25, 500, 875));
}

// --- Key tracking ---

TEST_F(DispatchTest, TrackKeyFollowsPressesReleasesAndRepeats) {
    auto& store = makeStore();
    const double t0 = platform().clock().uptime();
    store.trackKey(KeyEvent::keyDown(0));
    runtime().advance(0.5);
    store.trackKey(KeyEvent::keyDown(0, 0, true)); // auto-repeat keeps the first time
    EXPECT_EQ(store.pressedKeys().value(0), t0);
    store.trackKey(KeyEvent::keyUp(0));
    EXPECT_TRUE(store.pressedKeys().isEmpty());

    // Both Command keys; releasing one leaves the flag set, so it counts as down again.
    store.trackKey(KeyEvent::flagsChanged(kLeftCommand, kCommandFlag));
    store.trackKey(KeyEvent::flagsChanged(kRightCommand, kCommandFlag));
    runtime().advance(0.5);
    store.trackKey(KeyEvent::flagsChanged(kLeftCommand, kCommandFlag));
    EXPECT_EQ(store.pressedKeys().value(kLeftCommand), t0 + 1.0);
    store.trackKey(KeyEvent::flagsChanged(kRightCommand, 0));
    EXPECT_TRUE(store.pressedKeys().isEmpty());

    // A key outside the modifier table changes nothing.
    store.trackKey(KeyEvent::flagsChanged(57, kCapsLock));
    EXPECT_TRUE(store.pressedKeys().isEmpty());
}

TEST_F(DispatchTest, PruneForgetsOnlyReleasedModifiers) {
    auto& store = makeStore();
    store.trackKey(KeyEvent::keyDown(0));
    store.trackKey(KeyEvent::flagsChanged(kLeftShift, kShiftFlag));
    store.trackKey(KeyEvent::flagsChanged(kLeftOption, kShiftFlag | kOptionFlag));
    store.trackKey(KeyEvent::flagsChanged(kGlobe, kShiftFlag | kOptionFlag | kFunctionFlag));
    // The status poll saw Shift and Globe let go while their events were missed.
    store.pruneReleasedModifiers(kOptionFlag);
    auto held = store.pressedKeys().keys();
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (QList<quint16>{0, kLeftOption}));
}

TEST_F(DispatchTest, ModifiersHeldAndGlobeChord) {
    auto& store = makeStore();
    store.trackKey(KeyEvent::flagsChanged(kLeftOption, kOptionFlag));
    EXPECT_FALSE(store.modifiersHeld());
    store.trackKey(KeyEvent::flagsChanged(kRightCommand, kOptionCommand));
    store.trackKey(KeyEvent::flagsChanged(kLeftShift, kOptionCommand | kShiftFlag));
    EXPECT_TRUE(store.modifiersHeld()); // extra modifiers do not matter
    EXPECT_FALSE(store.globeChordHeld());
    store.trackKey(KeyEvent::flagsChanged(kGlobe, kOptionCommand | kShiftFlag | kFunctionFlag));
    EXPECT_TRUE(store.globeChordHeld());
}

// --- The floating keyboard ---

TEST_F(DispatchTest, FloatingKeyboardShowsOnceAfterTheDelay) {
    auto& store = makeStore();
    holdOptionCommand();
    runtime().advance(0.1);
    // A further change with the same chord schedules no second showing.
    flags(kRightCommand, kOptionCommand);
    EXPECT_TRUE(overlay->shows.empty());
    runtime().advance(0.021);
    ASSERT_EQ(overlay->shows.size(), 1u);
    EXPECT_EQ(overlay->shows[0]->name, QStringLiteral("Left"));
    EXPECT_EQ(events().filter(QStringLiteral("overlay.")), QStringList{"overlay.shown"});
    // Showing: further changes with the chord schedule nothing.
    flags(kLeftCommand, kOptionCommand);
    runtime().advance(1.0);
    EXPECT_EQ(overlay->shows.size(), 1u);
    EXPECT_TRUE(store.modifiersHeld());
}

TEST_F(DispatchTest, FloatingKeyboardGoesToTheFocusedWindowsScreen) {
    desktop().updateWindow(window, [](auto& w) { w.frame = {1100, 100, 600, 400}; });
    makeStore();
    holdOptionCommand();
    runtime().advance(0.12);
    ASSERT_EQ(overlay->shows.size(), 1u);
    EXPECT_EQ(overlay->shows[0]->name, QStringLiteral("Right"));

    // No window to follow: the first screen.
    overlay->visible = false;
    desktop().closeWindow(window);
    flags(kLeftOption, kOptionFlag);
    holdOptionCommand();
    runtime().advance(0.12);
    ASSERT_EQ(overlay->shows.size(), 2u);
    EXPECT_EQ(overlay->shows[1]->name, QStringLiteral("Left"));
}

TEST_F(DispatchTest, EarlyReleaseOrHotkeyCancelsTheFloatingKeyboard) {
    auto& store = makeStore();
    holdOptionCommand();
    runtime().advance(0.05);
    const int hides = overlay->hides;
    flags(kLeftCommand, kOptionFlag);
    EXPECT_EQ(overlay->hides, hides + 1);
    EXPECT_EQ(store.pressedKeys().keys(), QList<quint16>{kLeftOption});
    flags(kLeftOption, 0);
    EXPECT_TRUE(store.pressedKeys().isEmpty());
    runtime().advance(0.5);
    EXPECT_TRUE(overlay->shows.empty());

    holdOptionCommand();
    runtime().advance(0.05);
    store.perform(SnapAction::leftHalf, false);
    runtime().advance(0.5);
    EXPECT_TRUE(overlay->shows.empty());
    // Held on after the hotkey, a new change schedules it again.
    flags(kLeftCommand, kOptionCommand);
    runtime().advance(0.12);
    EXPECT_EQ(overlay->shows.size(), 1u);
}

TEST_F(DispatchTest, NeverShownWhileThisApplicationIsActive) {
    makeStore();
    holdOptionCommand();
    // Activated within the delay: the showing checks again.
    shell->active = true;
    runtime().advance(0.2);
    EXPECT_TRUE(overlay->shows.empty());
    EXPECT_TRUE(events().filter(QStringLiteral("overlay.")).isEmpty());
}

TEST_F(DispatchTest, CapsLockAndGlobeDoNotMatterButAnotherModifierDoes) {
    auto& store = makeStore();
    holdOptionCommand(kCapsLock);
    flags(kGlobe, kOptionCommand | kCapsLock | kFunctionFlag);
    runtime().advance(0.12);
    ASSERT_EQ(overlay->shows.size(), 1u);
    EXPECT_TRUE(overlay->visible);

    flags(kLeftShift, kOptionCommand | kCapsLock | kShiftFlag);
    EXPECT_FALSE(overlay->visible);
    runtime().advance(0.5);
    EXPECT_EQ(overlay->shows.size(), 1u);
    // Hiding in the background forgets every key but the modifiers still down.
    auto held = store.pressedKeys().keys();
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (QList<quint16>{kLeftCommand, kLeftShift, kLeftOption}));
}

TEST_F(DispatchTest, StoredModifierBitsOutsideTheHotkeySetAreIgnored) {
    defaults().set(keys::modifiers, quint64(kOptionCommand | kCapsLock));
    auto& store = makeStore();
    holdOptionCommand();
    runtime().advance(0.12);
    EXPECT_EQ(overlay->shows.size(), 1u);
    EXPECT_TRUE(store.modifiersHeld());
}

TEST_F(DispatchTest, SwitchedOffFloatingKeyboardIgnoresModifierChanges) {
    auto& store = makeStore();
    store.setKeyboardOverlay(false);
    holdOptionCommand();
    flags(kGlobe, kOptionCommand | kFunctionFlag);
    runtime().advance(0.5);
    EXPECT_TRUE(overlay->shows.empty());
    EXPECT_TRUE(store.pressedKeys().isEmpty());
    EXPECT_TRUE(multiWindow->checks.empty());
    EXPECT_FALSE(store.keyboardOverlay());
}

// --- Multi-window state ---

TEST_F(DispatchTest, MultiWindowStateForSupportingAndRefusingApplications) {
    auto& store = makeStore();
    holdOptionCommand();
    EXPECT_TRUE(multiWindow->checks.empty()); // no Globe, no question
    flags(kGlobe, kOptionCommand | kFunctionFlag);
    ASSERT_EQ(multiWindow->checks.size(), 1u);
    EXPECT_EQ(multiWindow->checks[0].first, kEditor);
    multiWindow->checks[0].second(true);
    EXPECT_TRUE(store.multiWindow());
    EXPECT_EQ(store.multiWindowUnsupported(), std::nullopt);

    // Globe let go: cleared at once.
    flags(kGlobe, kOptionCommand);
    EXPECT_FALSE(store.multiWindow());

    flags(kGlobe, kOptionCommand | kFunctionFlag);
    ASSERT_EQ(multiWindow->checks.size(), 2u);
    multiWindow->checks[1].second(false);
    EXPECT_FALSE(store.multiWindow());
    EXPECT_EQ(store.multiWindowUnsupported(), QStringLiteral("Editor"));

    // An answer that comes after the chord was let go changes nothing.
    flags(kGlobe, kOptionCommand | kFunctionFlag);
    flags(kLeftCommand, kOptionFlag | kFunctionFlag);
    EXPECT_EQ(store.multiWindowUnsupported(), std::nullopt);
    multiWindow->checks.back().second(true);
    EXPECT_FALSE(store.multiWindow());
    EXPECT_EQ(store.multiWindowUnsupported(), std::nullopt);
}

TEST_F(DispatchTest, MultiWindowStateOverOurOwnApplication) {
    auto& store = makeStore();
    const auto self = qint32(QCoreApplication::applicationPid());
    desktop().addApp({.pid = self, .name = QStringLiteral("Tilewick")});
    desktop().activate(self);
    shell->active = true;
    store.setMultiWindow(true);
    store.setMultiWindowUnsupported(QStringLiteral("Editor"));
    holdOptionCommand();
    flags(kGlobe, kOptionCommand | kFunctionFlag);
    EXPECT_TRUE(multiWindow->checks.empty());
    EXPECT_FALSE(store.multiWindow());
    EXPECT_EQ(store.multiWindowUnsupported(), std::nullopt);
}

TEST_F(DispatchTest, AnimatingFollowsTheMainWindowAndTheFloatingKeyboard) {
    auto& store = makeStore();
    shell->active = true;
    shell->mainWindow = MainWindowState{.frame = {0, 0, 956, 891}};
    store.refreshAnimating();
    EXPECT_TRUE(store.animating());
    shell->mainWindow->occluded = true;
    store.refreshAnimating();
    EXPECT_FALSE(store.animating());
    shell->active = false;
    shell->mainWindow->occluded = false;
    store.refreshAnimating();
    EXPECT_FALSE(store.animating()); // in the background nobody sees the main window's keyboard
    overlay->visible = true;
    store.refreshAnimating();
    EXPECT_TRUE(store.animating());
}

// --- Globe fills with the real multi-window filler ---

// The editor also has an enabled "New Window" item whose window comes 0.3 s after the press.
class GlobeFillTest : public DispatchTest {
protected:
    void SetUp() override {
        DispatchTest::SetUp();
        using platform::sim::SimMenuItem;
        SimMenuItem item{QStringLiteral("New Window")};
        item.onPress = [this] {
            runtime().after(0.3, [this] {
                opened =
                    desktop().addWindow(kEditor, {.title = QStringLiteral("New"), .frame = {0, 0, 200, 200}});
            });
        };
        desktop().setMenuBar(kEditor, {SimMenuItem::withMenu(QStringLiteral("Editor"), {}),
                                       SimMenuItem::withMenu(QStringLiteral("File"), {item})});
        mover = std::make_shared<WindowMover>(platform());
        filler = std::make_shared<MultiWindow>(platform(), mover);
        multiWindowHook = std::make_shared<MultiWindowAdapter>(filler);
        makeStore();
    }
    void TearDown() override {
        runtime().stopWorkers();
        filler.reset();
        DispatchTest::TearDown();
    }
    QRectF frameOf(const AXElement& w) { return desktop().frame(w).value_or(QRectF()); }

    std::shared_ptr<MultiWindow> filler;
    AXElement opened;
};

TEST_F(GlobeFillTest, GlobeWithTheRightHalfKeyFillsBothHalves) {
    store().perform(SnapAction::rightHalf, true);
    runtime().advance(1.0);
    EXPECT_EQ(loggedEvents("snap.multi"),
              QStringList{"snap.multi layout=right_half windows=2 opened=1 ok=true"});
    EXPECT_EQ(frameOf(window), QRectF(500, 25, 500, 875));
    EXPECT_EQ(frameOf(opened), QRectF(0, 25, 500, 875));
    EXPECT_EQ(desktop().beeps(), 0);
    EXPECT_EQ(store().flash(), SnapAction::rightHalf);
    // One undo puts the window back; the opened one stays.
    store().perform(SnapAction::undo, false);
    EXPECT_EQ(frameOf(window), QRectF(100, 100, 400, 300));
}

TEST_F(GlobeFillTest, TheFillersWritesPunchHolesInTheShowingKeyboard) {
    overlay->visible = true;
    store().perform(SnapAction::leftHalf, true);
    runtime().advance(1.0);
    // Each window is written when placed and again in the check only when it is not in place.
    EXPECT_EQ(overlay->holes(), (std::vector<QRectF>{{500, 25, 500, 875}, {0, 25, 500, 875}}));
    overlay->visible = false;
    store().perform(SnapAction::rightHalf, true);
    runtime().advance(1.0);
    EXPECT_EQ(overlay->holes().size(), 2u);
}

TEST_F(GlobeFillTest, PuttingBackGivesWayToAHotkeyOfTheStore) {
    const auto cells = cellFrames(SnapAction::leftHalf, desktop().screens()[0], desktop().screens());
    const auto app = platform().service<platform::Accessibility>().application(kEditor);
    desktop().addWindow(kEditor, {.title = QStringLiteral("Second"), .frame = {10, 10, 300, 300}});
    filler->fill({SnapAction::leftHalf, app, kEditor, window, *cells.cells, cells.screenFrame, true});
    runtime().advance(1.0);
    desktop().updateWindow(window, [](platform::sim::SimWindow& s) { s.frame.moveLeft(50); });
    runtime().advance(1.0); // the first put-back, at 1.5 s
    EXPECT_EQ(frameOf(window).x(), 0);

    desktop().updateWindow(window, [](platform::sim::SimWindow& s) { s.frame.moveLeft(50); });
    store().perform(SnapAction::maximize, false);
    runtime().advance(3.0); // the second, at 4 s, leaves it
    EXPECT_EQ(frameOf(window), QRectF(0, 25, 1000, 875));
}

TEST_F(GlobeFillTest, SupportAnswersTheKeyboardsMultiWindowState) {
    store().setKeyboardOverlay(true);
    store().flagsChanged(platform::KeyEvent::flagsChanged(platform::kOptionKeyCode, kOptionFlag));
    store().flagsChanged(platform::KeyEvent::flagsChanged(platform::kFnKeyCode, kOptionFlag | kFunctionFlag));
    store().flagsChanged(platform::KeyEvent::flagsChanged(platform::kCommandKeyCode,
                                                          kOptionFlag | kCommandFlag | kFunctionFlag));
    runtime().runUntilIdle();
    EXPECT_TRUE(store().multiWindow());
    EXPECT_EQ(store().multiWindowUnsupported(), std::nullopt);

    desktop().setMenuBar(kEditor, {});
    desktop().addApp({.pid = 200, .name = QStringLiteral("Viewer")});
    desktop().activate(200);
    store().flagsChanged(platform::KeyEvent::flagsChanged(platform::kCommandKeyCode,
                                                          kOptionFlag | kCommandFlag | kFunctionFlag));
    runtime().runUntilIdle();
    EXPECT_FALSE(store().multiWindow());
    EXPECT_EQ(store().multiWindowUnsupported(), QStringLiteral("Viewer"));
}

} // namespace
