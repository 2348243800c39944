#include "tilewick/engine/HotkeyEngine.h"
#include "platform/LetGoWatch.h"
#include "support/KeyEvents.h"
#include "support/SimPlatformTest.h"
#include "tilewick/store/Bindings.h"

using platform::KeyEvent;
using platform::sim::SimEventTap;
using namespace tilewick;

namespace {

using testkeys::kHome;
constexpr quint64 kOptCmd = testkeys::kOptionCommand;
constexpr quint64 kCapsLock = platform::kCapsLockFlag;
constexpr quint16 kLeft = testkeys::kLeftArrow;
constexpr quint16 kKeyC = 8;
constexpr quint16 kKeyQ = 12;
constexpr quint16 kLeftOption = platform::kOptionKeyCode;
constexpr quint16 kLeftShift = platform::kShiftKeyCode;

struct Performed {
    SnapAction action;
    bool globe;
    friend bool operator==(const Performed&, const Performed&) = default;
};

class FakeClient : public HotkeyEngine::Client {
public:
    void perform(SnapAction action, bool globe) override { performed.append({action, globe}); }
    void flagsChanged(const KeyEvent& event) override { flags.append(event); }
    bool keyboardOverlay() const override { return overlay; }

    QList<Performed> performed;
    QList<KeyEvent> flags;
    bool overlay = true;
};

class HotkeyEngineTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        engine = std::make_unique<HotkeyEngine>(platform().shared<platform::Runtime>(),
                                                platform().shared<platform::EventTap>());
        engine->setClient(&client);
        engine->update(chordTable(defaultBindings()));
        ASSERT_TRUE(engine->start());
    }
    void TearDown() override {
        engine.reset();
        SimPlatformTest::TearDown();
    }

    // Types on the simulated keyboard and lets the main queue run.
    template <typename F> void type(F&& typing) {
        typing(eventTap());
        runtime().runUntilIdle();
    }
    void pressGlobe(bool down) { eventTap().changeFlags(platform::kFnKeyCode, down ? kFunctionFlag : 0); }

    FakeClient client;
    std::unique_ptr<HotkeyEngine> engine;
};

TEST_F(HotkeyEngineTest, ChordMovesAndNeitherHalfReachesTheFrontApplication) {
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_EQ(client.performed, (QList<Performed>{{SnapAction::leftHalf, false}}));
    EXPECT_EQ(eventTap().swallowed(),
              (QList<KeyEvent>{KeyEvent::keyDown(kLeft, kOptCmd), KeyEvent::keyUp(kLeft, kOptCmd)}));
    EXPECT_TRUE(eventTap().reachedFrontApplication().isEmpty());

    // Held, it fires once and its repeats are swallowed too.
    eventTap().clearDeliveries();
    type([](SimEventTap& k) { k.hold(kLeft, kOptCmd, 5); });
    EXPECT_EQ(client.performed.size(), 2);
    EXPECT_TRUE(eventTap().reachedFrontApplication().isEmpty());

    type([](SimEventTap& k) { k.press(kLeft); });
    EXPECT_EQ(client.performed.size(), 2);
    EXPECT_EQ(eventTap().reachedFrontApplication().size(), 2);
}

TEST_F(HotkeyEngineTest, CapsLockIsIgnoredButShiftMakesAnotherChord) {
    type([](SimEventTap& k) {
        k.press(kLeft, kOptCmd | kCapsLock);
        k.press(kLeft, kOptCmd | kShiftFlag);
    });
    EXPECT_EQ(client.performed, (QList<Performed>{{SnapAction::leftHalf, false}}));
    EXPECT_EQ(eventTap().reachedFrontApplication(),
              (QList<KeyEvent>{KeyEvent::keyDown(kLeft, kOptCmd | kShiftFlag),
                               KeyEvent::keyUp(kLeft, kOptCmd | kShiftFlag)}));
}

TEST_F(HotkeyEngineTest, GlobeHeldDispatchesWithTheGlobeFlag) {
    type([&](SimEventTap& k) {
        pressGlobe(true);
        k.press(kLeft, kOptCmd | kFunctionFlag);
        // With fn held, Home arrives as 115 and is matched as Left Arrow.
        k.press(kHome, kOptCmd | kFunctionFlag);
        pressGlobe(false);
        // An arrow key whose event merely carries the fn flag is not Globe.
        k.press(kLeft, kOptCmd | kFunctionFlag);
        // Any other key with the fn flag is.
        k.press(kKeyC, kOptCmd | kFunctionFlag);
    });
    EXPECT_EQ(client.performed, (QList<Performed>{{SnapAction::leftHalf, true},
                                                  {SnapAction::leftHalf, true},
                                                  {SnapAction::leftHalf, false},
                                                  {SnapAction::centre, true}}));
    EXPECT_TRUE(eventTap().reachedFrontApplication().isEmpty());
}

TEST_F(HotkeyEngineTest, GlobeFollowsTheFnBitOfGlobeKeysAndClearsOnOtherModifierChanges) {
    eventTap().changeFlags(platform::kGlobeKeyCode, kFunctionFlag);
    EXPECT_TRUE(engine->globeDown());
    // Another modifier pressed while fn is still held keeps Globe down ...
    eventTap().changeFlags(kLeftOption, kOptionFlag | kFunctionFlag);
    EXPECT_TRUE(engine->globeDown());
    // ... one without the fn bit clears it.
    eventTap().changeFlags(kLeftShift, kOptionFlag | kShiftFlag);
    EXPECT_FALSE(engine->globeDown());
    // The fn bit on another key's change does not set it.
    eventTap().changeFlags(kLeftOption, kFunctionFlag);
    EXPECT_FALSE(engine->globeDown());
    pressGlobe(true);
    EXPECT_TRUE(engine->globeDown());
    pressGlobe(false);
    EXPECT_FALSE(engine->globeDown());
}

TEST_F(HotkeyEngineTest, KeyUpOfTheFnCounterpartIsSwallowedToo) {
    // Down as Home (fn held), up as Left Arrow (fn released first) ...
    type([&](SimEventTap& k) {
        pressGlobe(true);
        k.inject(KeyEvent::keyDown(kHome, kOptCmd | kFunctionFlag));
        pressGlobe(false);
        k.inject(KeyEvent::keyUp(kLeft, kOptCmd));
        // ... and down as Left Arrow, up as Home.
        k.inject(KeyEvent::keyDown(kLeft, kOptCmd));
        k.inject(KeyEvent::keyUp(kHome, kOptCmd | kFunctionFlag));
    });
    EXPECT_EQ(client.performed,
              (QList<Performed>{{SnapAction::leftHalf, true}, {SnapAction::leftHalf, false}}));
    EXPECT_EQ(eventTap().swallowed().size(), 4);
    // Each swallowed key-down accounts for exactly one key-up.
    type([](SimEventTap& k) { k.inject(KeyEvent::keyUp(kLeft)); });
    EXPECT_EQ(eventTap().reachedFrontApplication(), QList<KeyEvent>{KeyEvent::keyUp(kLeft)});
}

TEST_F(HotkeyEngineTest, AKeyUpThatNeverCameDoesNotSwallowALaterOne) {
    type([&](SimEventTap& k) {
        k.inject(KeyEvent::keyDown(kLeft, kOptCmd)); // its key-up is lost
        k.press(kLeft);
        pressGlobe(true);
        k.inject(KeyEvent::keyDown(kHome, kOptCmd | kFunctionFlag)); // lost as well
        pressGlobe(false);
        k.press(kLeft); // the counterpart of Home
    });
    EXPECT_EQ(eventTap().reachedFrontApplication(),
              (QList<KeyEvent>{KeyEvent::keyDown(kLeft), KeyEvent::keyUp(kLeft), KeyEvent::keyDown(kLeft),
                               KeyEvent::keyUp(kLeft)}));
}

TEST_F(HotkeyEngineTest, RecordingTakesKeysOnlyWhileThisApplicationIsActive) {
    QList<KeyEvent> recorded;
    engine->setRecorder([&](const KeyEvent& event) { recorded.append(event); });

    eventTap().setApplicationActive(true);
    type([](SimEventTap& k) { k.hold(kLeft, kOptCmd, 2); });
    EXPECT_EQ(recorded, QList<KeyEvent>{KeyEvent::keyDown(kLeft, kOptCmd)});
    EXPECT_TRUE(client.performed.isEmpty());
    EXPECT_EQ(eventTap().swallowed().size(), 4);

    eventTap().clearDeliveries();
    eventTap().setApplicationActive(false);
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_EQ(recorded.size(), 1);
    EXPECT_TRUE(client.performed.isEmpty());
    EXPECT_EQ(eventTap().reachedFrontApplication().size(), 2);

    engine->clearRecorder();
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_EQ(client.performed.size(), 1);
}

TEST_F(HotkeyEngineTest, ModifierChangesPassAndAreForwardedOnlyForTheFloatingKeyboardElsewhere) {
    eventTap().setApplicationActive(true);
    type([](SimEventTap& k) { k.changeFlags(kLeftOption, kOptionFlag); });
    EXPECT_TRUE(client.flags.isEmpty());

    eventTap().setApplicationActive(false);
    type([](SimEventTap& k) { k.changeFlags(kLeftOption, 0); });
    EXPECT_EQ(client.flags, QList<KeyEvent>{KeyEvent::flagsChanged(kLeftOption, 0)});

    client.overlay = false;
    type([](SimEventTap& k) { k.changeFlags(kLeftOption, kOptionFlag); });
    EXPECT_EQ(client.flags.size(), 1);
    EXPECT_TRUE(eventTap().swallowed().isEmpty());
}

TEST_F(HotkeyEngineTest, ADisabledTapIsEnabledAgainAndLogged) {
    eventTap().disableTaps(KeyEvent::Type::TapDisabledByTimeout);
    EXPECT_TRUE(eventTap().tapEnabled());
    eventTap().disableTaps(KeyEvent::Type::TapDisabledByUserInput);
    EXPECT_TRUE(engine->isTapEnabled());
    EXPECT_EQ(loggedEvents("tap.reenabled"),
              (QStringList{"tap.reenabled timeout=true", "tap.reenabled timeout=false"}));
}

TEST_F(HotkeyEngineTest, StartKeepsAnEnabledTapAndReplacesADisabledOne) {
    EXPECT_TRUE(engine->start());
    EXPECT_EQ(eventTap().tapsCreated(), 1);

    // Disabled for good: the system sends no event, the next start makes a new tap.
    eventTap().disableTaps(KeyEvent::Type::TapDisabledByTimeout, false);
    EXPECT_FALSE(engine->isTapEnabled());
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_TRUE(client.performed.isEmpty());

    eventTap().setCreationFails(true);
    EXPECT_FALSE(engine->start());
    EXPECT_FALSE(engine->hasTap());
    EXPECT_FALSE(eventTap().hasTap());

    eventTap().setCreationFails(false);
    EXPECT_TRUE(engine->start());
    EXPECT_EQ(eventTap().tapsCreated(), 2);
    EXPECT_EQ(loggedEvents("tap.started").size(), 2);
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_EQ(client.performed.size(), 1);
}

TEST_F(HotkeyEngineTest, AChordTakenElsewhereIsLoggedOnceAndWorksOnceLetGo) {
    eventTap().setGrabsOnly(true);
    const platform::KeyChord left{kLeft, kOptCmd};
    // The other programs come first: while the engine wants the chords, they are its own.
    EXPECT_FALSE(eventTap().takeElsewhere(left));
    engine->update({});
    EXPECT_TRUE(eventTap().takeElsewhere(left));
    EXPECT_TRUE(eventTap().takeElsewhere({124, kOptCmd}, true));
    engine->update(chordTable(defaultBindings()));
    const QStringList logged = {"hotkey.taken layout=left_half partly=false",
                                "hotkey.taken layout=right_half partly=true"};
    EXPECT_EQ(loggedEvents("hotkey.taken"), logged);
    engine->retakeChords();
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_TRUE(client.performed.isEmpty());
    EXPECT_EQ(loggedEvents("hotkey.taken"), logged) << "said once";

    // Taken back once the other program let go for good.
    eventTap().letGo(left);
    for (int look = 0; look < platform::LetGoWatch::kFreeLooks; ++look)
        engine->retakeChords();
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_EQ(client.performed, (QList<Performed>{{SnapAction::leftHalf, false}}));
    EXPECT_FALSE(eventTap().takeElsewhere(left)) << "ours now";

    // Taken again while the engine did not want it: said again.
    auto withoutLeft = chordTable(defaultBindings());
    withoutLeft.removeIf([](const auto& row) { return row.chord == chordKey(kLeft, kOptCmd); });
    engine->update(withoutLeft);
    EXPECT_TRUE(eventTap().takeElsewhere(left));
    engine->update(chordTable(defaultBindings()));
    EXPECT_EQ(loggedEvents("hotkey.taken"),
              logged + QStringList{"hotkey.taken layout=left_half partly=false"});
}

TEST_F(HotkeyEngineTest, AModifierKeyTakenElsewhereIsLoggedWhenNewlyTaken) {
    engine->update(chordTable(defaultBindings()));
    eventTap().setTakenModifierKeys({{kCommandFlag, false}});
    engine->retakeChords();
    engine->retakeChords();
    const QStringList logged = {"hotkey.taken modifier=command partly=false"};
    EXPECT_EQ(loggedEvents("hotkey.taken"), logged) << "said once";

    // Let go of, then taken again with some lock keys only: said again.
    eventTap().setTakenModifierKeys({});
    engine->retakeChords();
    eventTap().setTakenModifierKeys({{kCommandFlag, true}});
    engine->retakeChords();
    EXPECT_EQ(loggedEvents("hotkey.taken"),
              logged + QStringList{"hotkey.taken modifier=command partly=true"});
}

TEST_F(HotkeyEngineTest, AnswersThatComeLaterAreLoggedWhenTheyCome) {
    eventTap().answerTakenModifierKeysLater({{kCommandFlag, false}});
    EXPECT_EQ(loggedEvents("hotkey.taken"), QStringList{"hotkey.taken modifier=command partly=false"});
    // A destroyed engine hears nothing more.
    engine.reset();
    eventTap().answerTakenModifierKeysLater({{kCommandFlag, true}});
    EXPECT_EQ(loggedEvents("hotkey.taken").size(), 1);
}

TEST_F(HotkeyEngineTest, UpdateReplacesTheTableAndTheFirstRowOfAChordWins) {
    const quint64 q = chordKey(kKeyQ, kControlFlag | kShiftFlag);
    const quint64 enter = chordKey(36, kControlFlag | kShiftFlag);
    engine->update({{q, SnapAction::topLeftQuarter}, {enter, SnapAction::maximize}, {q, SnapAction::centre}});
    EXPECT_FALSE(engine->action(chordKey(kLeft, kOptCmd)));
    EXPECT_EQ(engine->action(q), SnapAction::topLeftQuarter);
    // The tap is told the chords, and not keypad Enter for Return.
    EXPECT_EQ(eventTap().wantedChords(), (QList<platform::KeyChord>{{kKeyQ, kControlFlag | kShiftFlag},
                                                                    {36, kControlFlag | kShiftFlag}}));

    engine->update({{q, SnapAction::centre}, {q, SnapAction::topLeftQuarter}});
    EXPECT_EQ(engine->action(q), SnapAction::centre);
    // Bindings give their rows in declaration order: the earlier action wins.
    Bindings shared = {{SnapAction::topLeftQuarter, Hotkey{kKeyQ, kOptCmd, "Q"}},
                       {SnapAction::centre, Hotkey{kKeyQ, kOptCmd, "Q"}}};
    engine->update(chordTable(shared));
    EXPECT_EQ(engine->action(chordKey(kKeyQ, kOptCmd)), SnapAction::centre);
}

TEST_F(HotkeyEngineTest, UnderGlobeAKeyWithoutAnFnBindingIsLookedUpAsItself) {
    // Home, End, Page Up and Page Down bound themselves, their arrows not.
    const std::pair<quint16, SnapAction> rows[] = {{115, SnapAction::centre},
                                                   {119, SnapAction::maximize},
                                                   {116, SnapAction::topLeftQuarter},
                                                   {121, SnapAction::bottomLeftQuarter}};
    HotkeyEngine::ChordTable table;
    for (const auto& [key, action] : rows)
        table.append({chordKey(key, kOptCmd), action});
    engine->update(table);
    type([&](SimEventTap& k) {
        pressGlobe(true);
        for (const auto& row : rows)
            k.press(row.first, kOptCmd | kFunctionFlag);
    });
    QList<Performed> expected;
    for (const auto& row : rows)
        expected.append({row.second, true});
    EXPECT_EQ(client.performed, expected);
    EXPECT_TRUE(eventTap().reachedFrontApplication().isEmpty());
}

TEST_F(HotkeyEngineTest, WantedChordsAreEnoughForABackendThatOnlySeesGrabs) {
    eventTap().setGrabsOnly(true);
    type([&](SimEventTap& k) {
        pressGlobe(true);
        k.press(kHome, kOptCmd | kFunctionFlag | kCapsLock);
        pressGlobe(false);
        k.press(kLeft, kOptCmd);
        k.press(kLeft, kOptionFlag);
        // Home with the hotkey modifiers is not asked for: it stays with the application.
        k.press(kHome, kOptCmd);
    });
    EXPECT_EQ(client.performed,
              (QList<Performed>{{SnapAction::leftHalf, true}, {SnapAction::leftHalf, false}}));
    EXPECT_EQ(eventTap().swallowed().size(), 4);
    EXPECT_EQ(eventTap().reachedFrontApplication().size(), 4);
    EXPECT_FALSE(eventTap().wantedChords().contains(platform::KeyChord{kHome, kOptCmd}));
}

TEST_F(HotkeyEngineTest, AnActionIsQueuedFromItsKeyUntilTheClientHasIt) {
    std::optional<bool> queuedWhilePerforming;
    struct Asking : FakeClient {
        const HotkeyEngine* engine = nullptr;
        std::optional<bool>* seen = nullptr;
        void perform(SnapAction action, bool globe) override {
            *seen = engine->isPerformQueued();
            FakeClient::perform(action, globe);
        }
    } asking;
    asking.engine = engine.get();
    asking.seen = &queuedWhilePerforming;
    engine->setClient(&asking);
    EXPECT_FALSE(engine->isPerformQueued());
    eventTap().changeFlags(kLeftOption, kOptionFlag); // not an action
    EXPECT_FALSE(engine->isPerformQueued());
    eventTap().press(kLeft, kOptCmd);
    eventTap().press(kLeft, kOptCmd);
    EXPECT_TRUE(engine->isPerformQueued());
    runtime().runUntilIdle();
    EXPECT_EQ(asking.performed.size(), 2);
    EXPECT_EQ(queuedWhilePerforming, false); // the last one was no longer waiting
    EXPECT_FALSE(engine->isPerformQueued());
    // A call that goes nowhere is no longer on its way either.
    eventTap().press(kLeft, kOptCmd);
    engine->setClient(nullptr);
    runtime().runUntilIdle();
    EXPECT_FALSE(engine->isPerformQueued());
}

TEST_F(HotkeyEngineTest, CallsQueuedForAClientThatLeftGoNowhere) {
    eventTap().press(kLeft, kOptCmd);
    eventTap().changeFlags(kLeftOption, kOptionFlag);
    engine->setClient(nullptr);
    runtime().runUntilIdle();
    EXPECT_TRUE(client.performed.isEmpty());
    EXPECT_TRUE(client.flags.isEmpty());
}

TEST_F(HotkeyEngineTest, ADestroyedClientLeavesTheEngine) {
    QList<Performed> performed;
    struct Counting : FakeClient {
        QList<Performed>* log = nullptr;
        void perform(SnapAction action, bool globe) override { log->append({action, globe}); }
    };
    auto gone = std::make_unique<Counting>();
    gone->log = &performed;
    engine->setClient(gone.get());
    eventTap().press(kLeft, kOptCmd); // queued for it
    gone.reset();
    // Neither the queued call nor the tap's own question reaches freed memory.
    type([](SimEventTap& k) {
        k.changeFlags(kLeftOption, kOptionFlag);
        k.press(kLeft, kOptCmd);
    });
    EXPECT_TRUE(performed.isEmpty());

    // A client attached to another engine leaves this one. (That one has no tap service, so
    // never a tap.)
    HotkeyEngine other(platform().shared<platform::Runtime>(), nullptr);
    EXPECT_FALSE(other.start());
    other.setClient(&client);
    type([](SimEventTap& k) { k.press(kLeft, kOptCmd); });
    EXPECT_TRUE(client.performed.isEmpty());
}

TEST(HotkeyEngineTables, FnTablesAndNativeKeys) {
    EXPECT_EQ(HotkeyEngine::fnTable().value(115), 123);
    EXPECT_EQ(HotkeyEngine::fnTable().value(76), 36);
    EXPECT_EQ(HotkeyEngine::inverseFnTable().value(51), 117);
    // Both sides of the fn table, the function keys and Help carry the fn flag by themselves.
    for (quint16 key : {115, 123, 122, 113, 114})
        EXPECT_TRUE(HotkeyEngine::fnNativeKeys().contains(key)) << key;
    EXPECT_FALSE(HotkeyEngine::fnNativeKeys().contains(kKeyC));
    EXPECT_EQ(chordKey(kLeft, kOptCmd | kCapsLock | kFunctionFlag), 0x7B00180000ull);
}

} // namespace
