#include "support/StoreTest.h"

using namespace tilewick;
using platform::kAlertFirstButton;
using platform::KeyEvent;
using platform::sim::SimEventTap;
using A = SnapAction;

namespace {

constexpr quint16 kKeyQ = 12;
constexpr quint16 kKeyM = 46;
constexpr quint16 kEscape = 53;
constexpr quint16 kDelete = 51;
constexpr quint16 kForwardDelete = 117;
constexpr quint16 kSpace = 49;
constexpr quint16 kTab = 48;
constexpr quint16 kF5 = 96;
constexpr quint64 kControlShift = kControlFlag | kShiftFlag;

// Recording with the event tap running and this program in front, as when the user clicks a card.
class RecordingTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        hotkeyEngine = &useHotkeyEngine();
        makeStore();
        eventTap().setApplicationActive(true);
    }
    void press(quint16 keyCode, const QString& characters, quint64 flags = 0) {
        eventTap().press(keyCode, flags, characters);
        runtime().runUntilIdle();
    }
    std::optional<Hotkey> binding(A action) {
        auto it = store().bindings().find(action);
        return it == store().bindings().end() ? std::nullopt : std::optional(it->second);
    }

    HotkeyEngine* hotkeyEngine = nullptr;
};

TEST_F(RecordingTest, AKeyHeldByAnotherActionAsksBeforeTakingIt) {
    store().beginRecording(A::centre);
    EXPECT_EQ(store().recording(), A::centre);
    bool recorderDuringAlert = true;
    alerts().setResponder([&](const platform::ModalAlert&) {
        recorderDuringAlert = hotkeyEngine->hasRecorder();
        EXPECT_EQ(store().recording(), A::centre);
        return kAlertFirstButton + 1;
    });
    press(kKeyQ, "q");
    ASSERT_EQ(alerts().shown().size(), 1);
    const auto& alert = alerts().shown().first();
    EXPECT_EQ(alert.style, platform::ModalAlert::Style::Warning);
    EXPECT_EQ(alert.message, "⌥⌘“Q” is already used by Quarters: Top left. Overwrite?");
    EXPECT_EQ(alert.informativeText, "Quarters: Top left will be left without a hotkey.");
    EXPECT_EQ(alert.buttons, (QStringList{"Yes, Overwrite", "Cancel"}));
    EXPECT_FALSE(recorderDuringAlert);

    // Cancel: nothing changes.
    EXPECT_FALSE(store().recording());
    EXPECT_EQ(binding(A::centre), defaultHotkey(A::centre));
    EXPECT_EQ(binding(A::topLeftQuarter), defaultHotkey(A::topLeftQuarter));
    EXPECT_TRUE(eventTap().reachedFrontApplication().isEmpty());

    // Overwrite.
    alerts().setResponder({});
    alerts().clickNext("Yes, Overwrite");
    store().beginRecording(A::centre);
    press(kKeyQ, "q");
    EXPECT_FALSE(store().recording());
    EXPECT_FALSE(binding(A::topLeftQuarter));
    EXPECT_EQ(binding(A::centre), (Hotkey{kKeyQ, 0, "Q"}));
    EXPECT_EQ(store().note(), "Quarters: Top left no longer has a hotkey.");
    EXPECT_EQ(loggedEvents("hotkey.changed"), QStringList{"hotkey.changed layout=centre"});
    EXPECT_EQ(hotkeyEngine->action(chordKey(kKeyQ, kDefaultHotkeyModifiers)), A::centre);
    EXPECT_FALSE(hotkeyEngine->hasRecorder());
}

TEST_F(RecordingTest, TheAlertNamesTheKeyWithTheCurrentModifiers) {
    store().setModifiers(kControlShift);
    store().beginRecording(A::maximize);
    press(kKeyQ, "q");
    ASSERT_EQ(alerts().shown().size(), 1);
    EXPECT_EQ(alerts().shown().first().message, "⌃⇧“Q” is already used by Quarters: Top left. Overwrite?");
}

TEST_F(RecordingTest, RecordingTheActionsOwnKeyRewritesItWithoutAsking) {
    store().beginRecording(A::centre);
    press(8, "c");
    EXPECT_TRUE(alerts().shown().isEmpty());
    EXPECT_EQ(binding(A::centre), (Hotkey{8, 0, "C"}));
    EXPECT_EQ(loggedEvents("hotkey.changed"), QStringList{"hotkey.changed layout=centre"});
    EXPECT_FALSE(store().note());
}

TEST_F(RecordingTest, EscapeCancelsAndDeleteClearsUnlessAModifierIsHeld) {
    const Bindings before = store().bindings();
    store().beginRecording(A::leftHalf);
    press(kEscape, "\x1b");
    EXPECT_FALSE(store().recording());
    EXPECT_EQ(store().bindings(), before);
    EXPECT_FALSE(store().note());

    store().beginRecording(A::leftHalf);
    press(kDelete, "\x7f");
    EXPECT_FALSE(binding(A::leftHalf));
    EXPECT_EQ(store().note(), "Cleared the hotkey for Halves: Left.");
    EXPECT_EQ(loggedEvents("hotkey.cleared"), QStringList{"hotkey.cleared layout=left_half"});
    EXPECT_FALSE(hotkeyEngine->action(chordKey(123, kDefaultHotkeyModifiers)));

    store().beginRecording(A::rightHalf);
    press(kForwardDelete, {});
    EXPECT_FALSE(binding(A::rightHalf));

    // With Shift held, Escape is the key.
    store().beginRecording(A::focus);
    press(kEscape, "\x1b", kShiftFlag);
    EXPECT_EQ(binding(A::focus), (Hotkey{kEscape, 0, "\x1b"}));
    store().beginRecording(A::undo);
    press(kDelete, "\x7f", kCommandFlag);
    EXPECT_EQ(binding(A::undo), (Hotkey{kDelete, 0, "\x7f"}));
}

TEST_F(RecordingTest, Labels) {
    const struct {
        quint16 key;
        QString characters;
        QString label;
    } cases[] = {
        {kF5, "\xef\x9c\x88", "F5"}, {kSpace, " ", "Key 49"}, {kTab, "\t", "Key 48"}, {kKeyM, "m", "M"},
        {110, {}, "Key 110"},        {43, " ,\t", ","},       {36, "\r", "\r"},       {10, "\xc3\xa9", "É"},
    };
    // Return and the comma belong to other actions: take them over.
    alerts().setResponder([](const platform::ModalAlert&) { return kAlertFirstButton; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        store().beginRecording(A::bottomThird);
        press(c.key, c.characters);
        EXPECT_EQ(binding(A::bottomThird), (Hotkey{c.key, 0, c.label}));
    }
}

TEST_F(RecordingTest, KeysTypedInAnotherApplicationPassWhileRecording) {
    const Bindings before = store().bindings();
    store().beginRecording(A::centre);
    eventTap().setApplicationActive(false);
    press(kKeyM, "m");
    press(123, {}, kDefaultHotkeyModifiers);
    EXPECT_EQ(store().recording(), A::centre);
    EXPECT_EQ(store().bindings(), before);
    EXPECT_EQ(eventTap().reachedFrontApplication().size(), 4);
}

TEST_F(RecordingTest, AutoRepeatsAreSwallowedButNotRecorded) {
    alerts().answerNext(kAlertFirstButton + 1);
    store().beginRecording(A::centre);
    eventTap().hold(kKeyQ, 0, 3);
    runtime().runUntilIdle();
    EXPECT_EQ(alerts().shown().size(), 1);
    EXPECT_EQ(eventTap().swallowed().size(), 5);
}

TEST_F(StoreTest, WithoutATapKeysAreRecordedFromThisProgramsOwnWindows) {
    desktop().setTrusted(false);
    auto& hotkeyEngine = useHotkeyEngine();
    auto& store = makeStore();
    ASSERT_FALSE(hotkeyEngine.hasTap());
    eventTap().setApplicationActive(true);

    store.beginRecording(A::centre);
    EXPECT_EQ(eventTap().monitorCount(), 1);
    eventTap().press(kKeyM, 0, "m");
    EXPECT_EQ(store.bindings().at(A::centre), (Hotkey{kKeyM, 0, "M"}));
    EXPECT_EQ(eventTap().keysTo(platform::sim::SimEventTap::Destination::LocalMonitor).size(), 1);
    EXPECT_EQ(eventTap().monitorCount(), 0);

    // Begun again and left: the monitor goes with stopRecording.
    store.beginRecording(A::centre);
    store.stopRecording();
    EXPECT_EQ(eventTap().monitorCount(), 0);
    EXPECT_EQ(store.recording(), A::centre);
}

TEST_F(StoreTest, AKeyWithNoRecordingInProgressIsDropped) {
    auto& store = makeStore();
    const Bindings before = store.bindings();
    store.recordKey(KeyEvent::keyDown(kKeyM));
    EXPECT_EQ(store.bindings(), before);
}

// --- Modifier editing --------------------------------------------------------------------------

TEST_F(StoreTest, ModifierChordsOfTwoAndThreeKeysAreTakenAtOnceAndFourAreRefused) {
    auto& store = makeStore();
    store.beginEditingModifiers();
    EXPECT_TRUE(store.editingModifiers());
    store.recordModifierChord(kControlFlag);
    EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
    EXPECT_FALSE(store.modifiersTyped());
    store.recordModifierChord(kControlShift | 0x10000); // Caps Lock does not count
    EXPECT_EQ(store.modifiers(), 0x60000u);
    EXPECT_TRUE(store.modifiersTyped());
    EXPECT_EQ(defaults().uint64Value("modifiers"), 0x60000u);
    EXPECT_EQ(engine->updates.back().at(A::centre).modifiers, 0x60000u);
    store.recordModifierChord(kControlShift | kOptionFlag);
    EXPECT_EQ(store.modifiers(), 0xE0000u);
    store.recordModifierChord(kHotkeyModifierMask);
    EXPECT_EQ(store.modifiers(), 0xE0000u);
    EXPECT_EQ(store.note(), "Tilewick modifiers can be 2 or 3 keys, not all 4.");
    store.recordModifierChord(0);
    store.finishEditingModifiers();
    EXPECT_FALSE(store.editingModifiers());
    EXPECT_EQ(loggedEvents("modifiers.changed"), QStringList{"modifiers.changed count=3"});
    EXPECT_EQ(store.note(), "Tilewick modifiers are now ⌃⌥⇧.");
}

TEST_F(StoreTest, KeyTrackingFeedsTheModifierEditor) {
    auto& store = makeStore();
    store.trackKey(KeyEvent::flagsChanged(59, kControlFlag));
    store.trackKey(KeyEvent::flagsChanged(59, 0));
    EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
    store.beginEditingModifiers();
    store.trackKey(KeyEvent::flagsChanged(59, kControlFlag));
    store.trackKey(KeyEvent::flagsChanged(56, kControlShift));
    EXPECT_EQ(store.modifiers(), kControlShift);
}

TEST_F(StoreTest, ReleasingAllModifiersStartsANewChord) {
    auto& store = makeStore();
    store.beginEditingModifiers();
    store.recordModifierChord(kControlFlag | kOptionFlag);
    EXPECT_EQ(store.modifiers(), 0xC0000u);
    store.recordModifierChord(0);
    store.recordModifierChord(kShiftFlag);
    store.recordModifierChord(kShiftFlag | kCommandFlag);
    EXPECT_EQ(store.modifiers(), 0x120000u);
    store.finishEditingModifiers();
    EXPECT_EQ(loggedEvents("modifiers.changed"), QStringList{"modifiers.changed count=2"});
    EXPECT_EQ(store.note(), "Tilewick modifiers are now ⇧⌘.");
    // Finishing twice does nothing more.
    store.finishEditingModifiers();
    EXPECT_EQ(loggedEvents("modifiers.changed").size(), 1);
}

TEST_F(StoreTest, EditingWithoutPressingAnythingChangesNothing) {
    auto& store = makeStore();
    const auto updates = engine->updates.size();
    store.beginEditingModifiers();
    store.recordModifierChord(kCommandFlag);
    store.finishEditingModifiers();
    EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
    EXPECT_FALSE(store.note());
    EXPECT_TRUE(loggedEvents("modifiers.changed").isEmpty());
    EXPECT_EQ(engine->updates.size(), updates);
}

TEST_F(StoreTest, EditingModifiersEndsRecordingButNotTheOtherWayRound) {
    auto& store = makeStore();
    store.beginRecording(A::centre);
    store.beginEditingModifiers();
    EXPECT_FALSE(store.recording());
    EXPECT_TRUE(store.editingModifiers());
    const auto clears = engine->recorderClears;
    store.beginRecording(A::centre);
    EXPECT_TRUE(store.editingModifiers());
    // Beginning again while editing keeps the chord gathered so far.
    store.recordModifierChord(kControlFlag);
    store.beginEditingModifiers();
    store.recordModifierChord(kControlFlag | kShiftFlag);
    EXPECT_EQ(store.modifiers(), 0x60000u);
    EXPECT_GT(engine->recorderClears, clears);
}

} // namespace
