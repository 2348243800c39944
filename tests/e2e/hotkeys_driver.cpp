// Run by hotkeys.sh on a private X server (two monitors "L" and "R" of 1280×1080, openbox, an
// xterm whose keyboard input is written to $E2E_TYPED). Keys are typed through XTest.
//
// TapTest: the X11 event tap of this process: grabbed chords, modifier changes, Caps Lock, the
// Globe stand-in, auto-repeat, chords another client holds, keymap changes, the active application.
// ProgramTest: the real program, started by the script, moves the terminal on its hotkeys while
// other keys still reach the terminal.

#include "E2eKeys.h"
#include "E2eTools.h"
#include "Xi2Grab.h"
#include "support/KeyEvents.h"

#include "platform/Keyboard.h"
#include "platform/LetGoWatch.h"
#include "platform/Screens.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/x11/X11EventTap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

using platform::KeyChord;
using platform::KeyEvent;
using platform::LetGoWatch;
using namespace e2e;
using platform::x11::X11KeyMap;

namespace {

constexpr quint64 kCapsLock = platform::kCapsLockFlag;
constexpr quint64 kShift = platform::kShiftFlag;
constexpr quint64 kControl = platform::kControlFlag;
constexpr quint64 kOption = platform::kOptionFlag;
constexpr quint64 kCommand = platform::kCommandFlag;
constexpr quint64 kFn = platform::kFunctionFlag;
using testkeys::kOptionCommand;
constexpr quint16 kLeft = testkeys::kLeftArrow;

// What the terminal has been typed so far.
QByteArray typed() {
    QFile file(qEnvironmentVariable("E2E_TYPED"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The terminal's answer to Left: CSI D, or SS3 D in application cursor mode.
bool isLeftArrow(const QByteArray& bytes) {
    return bytes == "\x1b[D" || bytes == "\x1bOD";
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by hotkeys.sh";
        m_platform = platform::makeDesktopPlatform("com.corvane.tilewick.e2e", "Tilewick");
        platform::Platform::install(m_platform);
        ASSERT_TRUE(bringToFront(*m_platform, envPid("E2E_TERM_PID")));
    }
    void TearDown() override { platform::Platform::uninstall(); }

    // Types `keys` and waits until the terminal has its answer; returns what it got.
    QByteArray typeIntoTerminal(std::initializer_list<const char*> keys) {
        const QByteArray before = typed();
        m_keys.press(keys);
        EXPECT_TRUE(waitFor([&] { return typed().size() > before.size(); })) << "the terminal got nothing";
        // Escape sequences arrive whole within moments.
        waitFor([&] { return isLeftArrow(typed().mid(before.size())); }, 0.5);
        return typed().mid(before.size());
    }

    std::shared_ptr<platform::Platform> m_platform;
    Keys m_keys;
};

class TapTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        m_tap = dynamic_cast<platform::x11::X11EventTap*>(m_platform->find<platform::EventTap>());
        ASSERT_TRUE(m_tap) << "no X11 event tap registered";
    }

    // A tap that keeps every event and swallows keys, as the hotkey engine does.
    platform::KeyboardTapRef record() {
        return m_tap->create([this](const KeyEvent& e) {
            m_events.append(e);
            return e.type == KeyEvent::Type::FlagsChanged ? platform::EventVerdict::Pass
                                                          : platform::EventVerdict::Swallow;
        });
    }
    qsizetype count(KeyEvent::Type type) const {
        return std::count_if(m_events.begin(), m_events.end(),
                             [&](const KeyEvent& e) { return e.type == type; });
    }
    bool awaitEvents(qsizetype n) {
        return waitFor([&] { return m_events.size() >= n; });
    }

    platform::x11::X11EventTap* m_tap = nullptr;
    QList<KeyEvent> m_events;
};

TEST_F(TapTest, GrabbedChordsReachTheTapAndOtherKeysTheTerminal) {
    m_tap->setWantedChords({{kLeft, kOptionCommand}, {8, kOptionCommand}});
    const auto tap = record();
    const QByteArray start = typed();

    m_keys.press({"LALT", "LWIN", "LEFT"});
    ASSERT_TRUE(awaitEvents(6));
    EXPECT_EQ(m_events, (QList<KeyEvent>{
                            KeyEvent::flagsChanged(58, kOption),
                            KeyEvent::flagsChanged(55, kOptionCommand),
                            KeyEvent::keyDown(kLeft, kOptionCommand),
                            KeyEvent::keyUp(kLeft, kOptionCommand),
                            KeyEvent::flagsChanged(55, kOption),
                            KeyEvent::flagsChanged(58, 0),
                        }));

    // What the key types by itself comes along.
    m_events.clear();
    m_keys.press({"LALT", "LWIN", "AB03"});
    ASSERT_TRUE(awaitEvents(6));
    EXPECT_EQ(m_events[2].keyCode, 8);
    EXPECT_EQ(m_events[2].unmodifiedCharacters, "c");

    // Left alone, and the chord with Shift added, are not grabbed: the terminal gets them, and
    // it got nothing of the chords before.
    m_events.clear();
    EXPECT_TRUE(isLeftArrow(typeIntoTerminal({"LEFT"})));
    EXPECT_TRUE(isLeftArrow(typed().mid(start.size()))) << "the chords reached the terminal";
    EXPECT_TRUE(m_events.isEmpty());
    EXPECT_FALSE(typeIntoTerminal({"LFSH", "LALT", "LWIN", "LEFT"}).isEmpty());
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 0);
    EXPECT_EQ(count(KeyEvent::Type::FlagsChanged), 6) << "modifier changes are seen everywhere";

    // A disabled tap holds no grabs: the chord goes to the terminal.
    tap->setEnabled(false);
    m_events.clear();
    EXPECT_FALSE(typeIntoTerminal({"LALT", "LWIN", "LEFT"}).isEmpty());
    EXPECT_TRUE(m_events.isEmpty());
    tap->setEnabled(true);
}

TEST_F(TapTest, CapsLockAndTheGlobeKey) {
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    const auto tap = record();

    // Caps Lock is a flag of its own and does not stop the chord.
    m_keys.press({"CAPS"});
    m_keys.press({"LALT", "LWIN", "LEFT"});
    m_keys.press({"CAPS"});
    ASSERT_TRUE(awaitEvents(8));
    EXPECT_EQ(m_events.first(), KeyEvent::flagsChanged(57, kCapsLock));
    EXPECT_EQ(m_events[3], KeyEvent::keyDown(kLeft, kOptionCommand | kCapsLock));
    EXPECT_EQ(m_events.last(), KeyEvent::flagsChanged(57, 0));

    // The Menu key stands in for Globe: key code 63, and the fn flag while it is held.
    ASSERT_NE(m_tap->globeKeycode(), 0);
    m_events.clear();
    m_keys.down("COMP");
    m_keys.press({"LALT", "LWIN", "LEFT"});
    m_keys.up("COMP");
    ASSERT_TRUE(awaitEvents(8));
    EXPECT_EQ(m_events, (QList<KeyEvent>{
                            KeyEvent::flagsChanged(63, kFn),
                            KeyEvent::flagsChanged(58, kOption | kFn),
                            KeyEvent::flagsChanged(55, kOptionCommand | kFn),
                            KeyEvent::keyDown(kLeft, kOptionCommand | kFn),
                            KeyEvent::keyUp(kLeft, kOptionCommand | kFn),
                            KeyEvent::flagsChanged(55, kOption | kFn),
                            KeyEvent::flagsChanged(58, kFn),
                            KeyEvent::flagsChanged(63, 0),
                        }));
}

TEST_F(TapTest, AHeldChordRepeatsAsFlaggedPressesAndOneRelease) {
    ASSERT_TRUE(m_tap->detectsAutoRepeat());
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    const auto tap = record();
    m_keys.down("LALT");
    m_keys.down("LWIN");
    m_keys.down("LEFT");
    // The server repeats after its own delay (the script shortens it).
    const bool repeated = waitFor([&] { return count(KeyEvent::Type::KeyDown) >= 3; });
    m_keys.up("LEFT");
    m_keys.up("LWIN");
    m_keys.up("LALT");
    ASSERT_TRUE(repeated);
    ASSERT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1 && m_events.last().keyCode == 58; }));

    QList<bool> repeats;
    for (const KeyEvent& e : std::as_const(m_events))
        if (e.type == KeyEvent::Type::KeyDown)
            repeats.append(e.autoRepeat);
    EXPECT_FALSE(repeats.first()) << testing::PrintToString(m_events);
    EXPECT_EQ(repeats.count(true), repeats.size() - 1) << testing::PrintToString(m_events);
    EXPECT_EQ(count(KeyEvent::Type::KeyUp), 1);
}

// What the tap says on stderr, while it lives.
class Warnings {
public:
    Warnings() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { s_lines.append(text); });
    }
    ~Warnings() { qInstallMessageHandler(m_previous); }
    // The lines said since the last call.
    QStringList take() { return std::exchange(s_lines, {}); }

private:
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

// Another client's grab of a key: the server's error, or null when it holds.
platform::x11::XcbReply<xcb_generic_error_t> grabKeyFor(TestClient& client, quint16 modifiers,
                                                        quint8 keycode) {
    return platform::x11::XcbReply<xcb_generic_error_t>(xcb_request_check(
        client.xcb(), xcb_grab_key_checked(client.xcb(), 0, client.root(), modifiers, keycode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
}

// Chords whose holders let go: the looks before the last keep them taken and say nothing; the
// last takes them all back.
void lookUntilTakenBack(platform::x11::X11EventTap& tap, Warnings& warnings) {
    const auto taken = tap.takenChords();
    for (int look = 1; look < LetGoWatch::kFreeLooks; ++look) {
        tap.retakeChords();
        EXPECT_EQ(tap.takenChords(), taken) << "look " << look;
    }
    EXPECT_TRUE(warnings.take().isEmpty());
    tap.retakeChords();
    EXPECT_TRUE(tap.takenChords().isEmpty());
}

TEST_F(TapTest, AChordAnotherProgramHoldsIsSaidOnceAndWonBackWhenItLetsGo) {
    Warnings warnings;
    const quint8 a = m_keys.keycode("AC01"), s = m_keys.keycode("AC02");
    const auto grab = [](TestClient& client, quint16 modifiers, quint8 keycode) {
        return xcb_request_check(client.xcb(),
                                 xcb_grab_key_checked(client.xcb(), 0, client.root(), modifiers, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    };
    // Another client holds Control+Shift+A with no lock key on, and Control+Shift+S with any.
    auto other = std::make_unique<TestClient>();
    ASSERT_EQ(grab(*other, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT, a), nullptr);
    ASSERT_EQ(grab(*other, XCB_MOD_MASK_ANY, s), nullptr);

    const auto tap = record();
    const KeyChord chordA{0, kControl | kShift}, chordS{1, kControl | kShift};
    m_tap->setWantedChords({chordA, chordS, {kLeft, kOptionCommand}});
    EXPECT_EQ(m_tap->takenChords(), (QList<platform::TakenChord>{{chordA, true}, {chordS, false}}));
    EXPECT_EQ(m_tap->describe(chordA), "Control+Shift+a");
    EXPECT_EQ(
        warnings.take(),
        (QStringList{"Tilewick: Control+Shift+a is taken by another program while no lock key is on; "
                     "with other lock keys that hotkey works",
                     "Tilewick: Control+Shift+s is taken by another program; that hotkey works once the "
                     "other program lets go of it"}));
    // Asking again while the other program holds on says nothing new.
    m_tap->retakeChords();
    EXPECT_EQ(m_tap->takenChords().size(), 2);
    EXPECT_TRUE(warnings.take().isEmpty());

    // The other chords work.
    m_keys.press({"LALT", "LWIN", "LEFT"});
    ASSERT_TRUE(awaitEvents(6));
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 1);

    // Once the other program lets go, the chords are ours when found free at enough looks in a
    // row; the looks before say nothing.
    for (quint8 key : {a, s})
        ASSERT_EQ(xcb_request_check(other->xcb(), xcb_ungrab_key_checked(other->xcb(), key, other->root(),
                                                                         XCB_MOD_MASK_ANY)),
                  nullptr);
    lookUntilTakenBack(*m_tap, warnings);
    EXPECT_EQ(warnings.take(), (QStringList{"Tilewick: Control+Shift+a is free again; that hotkey works",
                                            "Tilewick: Control+Shift+s is free again; that hotkey works"}));
    m_events.clear();
    m_keys.press({"LCTL", "LFSH", "AC02"});
    ASSERT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; }));
    EXPECT_EQ(m_events[2].keyCode, 1) << testing::PrintToString(m_events);
    EXPECT_EQ(m_events[2].flags, kControl | kShift);
}

// At launch the grabs wait for the main window's map request: held, they reach the server only
// after they are sent, and what they found is read on a later turn and told to the handler.
TEST_F(TapTest, HeldGrabsGoOutWhenSentAndTheirAnswersComeOnTheNextTurn) {
    Warnings warnings;
    TestClient other;
    ASSERT_FALSE(grabKeyFor(other, XCB_MOD_MASK_ANY, m_keys.keycode("AC01")));
    m_tap->holdGrabs();
    const auto tap = record();
    const KeyChord chordA{0, kControl | kShift};
    m_tap->setWantedChords({chordA, {kLeft, kOptionCommand}});
    // Not sent yet: the chord is still free to another client.
    const quint8 left = m_keys.keycode("LEFT");
    const auto altSuper = quint16(m_tap->keyMap().stateFromFlags(kOptionCommand));
    ASSERT_FALSE(grabKeyFor(other, altSuper, left));
    ASSERT_EQ(
        xcb_request_check(other.xcb(), xcb_ungrab_key_checked(other.xcb(), left, other.root(), altSuper)),
        nullptr);

    int answered = 0;
    m_tap->setAnswersHandler([&] { ++answered; });
    m_tap->sendHeldGrabs();
    EXPECT_TRUE(m_tap->takenChords().isEmpty()) << "what was known before, until the answers come";
    ASSERT_TRUE(waitFor([&] { return answered == 1; })) << "never read";
    EXPECT_EQ(m_tap->takenChords(), (QList<platform::TakenChord>{{chordA, false}}));
    EXPECT_EQ(warnings.take().size(), 1);
    m_tap->setAnswersHandler(nullptr);
    m_keys.press({"LALT", "LWIN", "LEFT"});
    ASSERT_TRUE(awaitEvents(6));
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 1);
}

// A client that holds a modifier key of the chords takes the keyboard when it is pressed after the
// chords' other modifiers; held only when pressed first, it is no matter.
TEST_F(TapTest, AModifierKeyAnotherProgramHoldsIsSaidOnceAndFreeAgainWhenItLetsGo) {
    Warnings warnings;
    const quint8 superL = m_keys.keycode("LWIN"), superR = m_keys.keycode("RWIN");
    TestClient other;
    for (const auto& [keycode, modifiers] :
         {std::pair{superL, quint16(XCB_MOD_MASK_ANY)}, {superR, quint16(0)}})
        ASSERT_EQ(xcb_request_check(other.xcb(),
                                    xcb_grab_key_checked(other.xcb(), 0, other.root(), modifiers, keycode,
                                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
                  nullptr);
    const auto tap = record();
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    EXPECT_EQ(m_tap->takenModifierKeys(), (QList<platform::TakenModifierKey>{{kCommand, false}}));
    EXPECT_EQ(warnings.take(), QStringList{"Tilewick: the Super key (Super_L) is taken by another program; "
                                           "hotkeys pressed with it after Alt do not reach Tilewick"});
    m_tap->retakeChords();
    EXPECT_TRUE(warnings.take().isEmpty()) << "said once";

    // It is so: Alt, then the left Super key, then Left, and the chord goes to the other client.
    m_keys.press({"LALT", "LWIN", "LEFT"});
    m_keys.press({"LALT", "RWIN", "LEFT"});
    ASSERT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; }));
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 1) << testing::PrintToString(m_events);

    ASSERT_EQ(xcb_request_check(other.xcb(),
                                xcb_ungrab_key_checked(other.xcb(), superL, other.root(), XCB_MOD_MASK_ANY)),
              nullptr);
    m_tap->retakeChords();
    EXPECT_TRUE(m_tap->takenModifierKeys().isEmpty());
    EXPECT_EQ(warnings.take(),
              QStringList{"Tilewick: the Super key is free again; hotkeys pressed with it after Alt work"});
}

// A look at the modifier keys holds the server, so while none is taken the polls look only on a
// slow turn, or once a window manager came.
TEST_F(TapTest, AModifierKeyTakenLaterIsSeenOnASlowTurnOrWithANewWindowManager) {
    Warnings warnings;
    const quint8 superL = m_keys.keycode("LWIN");
    const auto tap = record();
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    TestClient other;
    const auto hold = [&](bool grab) {
        ASSERT_EQ(xcb_request_check(
                      other.xcb(),
                      grab ? xcb_grab_key_checked(other.xcb(), 0, other.root(), XCB_MOD_MASK_ANY, superL,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)
                           : xcb_ungrab_key_checked(other.xcb(), superL, other.root(), XCB_MOD_MASK_ANY)),
                  nullptr);
    };
    hold(true);
    for (int poll = 1; poll < 20; ++poll)
        m_tap->retakeChords();
    EXPECT_TRUE(m_tap->takenModifierKeys().isEmpty()) << "not looked at on every poll";
    m_tap->retakeChords();
    EXPECT_EQ(m_tap->takenModifierKeys(), (QList<platform::TakenModifierKey>{{kCommand, false}}));
    hold(false);
    m_tap->retakeChords();
    EXPECT_TRUE(m_tap->takenModifierKeys().isEmpty()) << "looked at on every poll while taken";

    // The window manager says it is there again, as a new one does.
    hold(true);
    const std::vector<quint32> check = other.values(other.root(), "_NET_SUPPORTING_WM_CHECK");
    ASSERT_FALSE(check.empty());
    other.setCardinals(other.root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, check);
    other.sync();
    int polls = 0;
    EXPECT_TRUE(waitFor([&] {
        m_tap->retakeChords();
        return ++polls == 20 || !m_tap->takenModifierKeys().isEmpty();
    }));
    EXPECT_LT(polls, 20);
    EXPECT_EQ(m_tap->takenModifierKeys().size(), 1);
}

// The voluntary context switches of the calling thread so far: each is a sleep it was woken from.
qint64 wakeUpsOfThisThread() {
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return -1;
}

// A local X server writes each answer the moment it has it, so a poll's look that read its
// answers as they came woke the program once for each (every 30 s, idle, with the window closed).
TEST_F(TapTest, APollsLookTakesItsAnswersInOneGo) {
    const auto tap = record();
    // Six pairs of modifiers: each modifier key is looked at under every lock combination, with
    // the other modifier of each pair its own.
    m_tap->setWantedChords({{kLeft, kOptionCommand},
                            {kLeft, kControl | kOption},
                            {kLeft, kControl | kShift},
                            {kLeft, kControl | kCommand},
                            {kLeft, kShift | kOption},
                            {kLeft, kShift | kCommand}});
    ASSERT_TRUE(m_tap->takenModifierKeys().isEmpty()) << "the polls would look every time";
    for (int poll = 1; poll < 20; ++poll)
        m_tap->retakeChords();
    const qint64 before = wakeUpsOfThisThread();
    ASSERT_GE(before, 0);
    m_tap->retakeChords();
    const qint64 wakeUps = wakeUpsOfThisThread() - before;
    // Of the 96 answers; a few waits are left for a busy server.
    EXPECT_LE(wakeUps, 8);
}

// Run under icewm, which holds the Super keys itself (its Win95Keys setting).
class IcewmTest : public TapTest {};

TEST_F(IcewmTest, ItsHoldOnTheSuperKeysIsSaid) {
    Warnings warnings;
    const auto tap = record();
    m_tap->setWantedChords({{kLeft, kControl | kShift}});
    EXPECT_TRUE(m_tap->takenModifierKeys().isEmpty()) << "icewm leaves Control and Shift alone";
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    EXPECT_EQ(m_tap->takenModifierKeys(), (QList<platform::TakenModifierKey>{{kCommand, false}}));
    EXPECT_EQ(warnings.take(),
              QStringList{"Tilewick: the Super key (Super_L, Super_R) is taken by another "
                          "program; hotkeys pressed with it after Alt do not reach Tilewick"});
}

// Mutter holds its keys through XInput 2, whose grabs never clash with core ones.
TEST_F(TapTest, AChordHeldThroughXInput2IsTakenAndItsHolderKeepsItWhenItGrabsAgain) {
    Warnings warnings;
    TestClient other;
    const xcb_input_device_id_t keyboard = xi2MasterKeyboard(other.xcb());
    ASSERT_NE(keyboard, 0);
    const quint8 a = m_keys.keycode("AC01");
    const std::vector<uint32_t> any{XCB_INPUT_MODIFIER_MASK_ANY};
    ASSERT_TRUE(xi2GrabKey(other.xcb(), other.root(), keyboard, a, any));

    const auto tap = record();
    const KeyChord chordA{0, kControl | kShift};
    m_tap->setWantedChords({chordA, {kLeft, kOptionCommand}});
    EXPECT_EQ(m_tap->takenChords(), (QList<platform::TakenChord>{{chordA, false}}));
    EXPECT_EQ(warnings.take(),
              QStringList{"Tilewick: Control+Shift+a is taken by another program; that hotkey "
                          "works once the other program lets go of it"});

    // A chord the tap holds no other client can take, either way; its keys come as before.
    const quint8 left = m_keys.keycode("LEFT");
    const quint16 altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    EXPECT_FALSE(xi2GrabKey(other.xcb(), other.root(), keyboard, left, {altSuper}));
    xcb_generic_error_t* refused =
        xcb_request_check(other.xcb(), xcb_grab_key_checked(other.xcb(), 0, other.root(), altSuper, left,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    EXPECT_NE(refused, nullptr);
    std::free(refused);
    m_keys.press({"LALT", "LWIN", "LEFT"});
    ASSERT_TRUE(awaitEvents(6));
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 1);

    // A holder that lets go for a moment and grabs again, as a window manager does when the keymap
    // changes, gets its key back whenever the tap looked in between.
    for (int look = 1; look < LetGoWatch::kFreeLooks; ++look) {
        xi2UngrabKey(other.xcb(), other.root(), keyboard, a, any);
        m_tap->retakeChords();
        ASSERT_TRUE(xi2GrabKey(other.xcb(), other.root(), keyboard, a, any)) << "look " << look << " took it";
    }
    m_tap->retakeChords();
    EXPECT_EQ(m_tap->takenChords().size(), 1);

    // Let go for good: the chord is the tap's once found free at enough looks in a row.
    xi2UngrabKey(other.xcb(), other.root(), keyboard, a, any);
    lookUntilTakenBack(*m_tap, warnings);
    EXPECT_EQ(warnings.take(), QStringList{"Tilewick: Control+Shift+a is free again; that hotkey works"});
    EXPECT_FALSE(
        xi2GrabKey(other.xcb(), other.root(), keyboard, a, {XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT}));
    m_events.clear();
    m_keys.press({"LCTL", "LFSH", "AC01"});
    ASSERT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; }));
    EXPECT_EQ(m_events[2].type, KeyEvent::Type::KeyDown) << testing::PrintToString(m_events);
    EXPECT_EQ(m_events[2].keyCode, 0);
    EXPECT_EQ(m_events[2].flags, kControl | kShift);
}

// A grabbed key the tap passes reaches the focused window all the same, also while another
// grabbed key is held.
TEST_F(TapTest, KeysTheTapPassesReachTheTerminal) {
    m_tap->setWantedChords({{kLeft, kOptionCommand}, {0, kOptionCommand}});
    QList<KeyEvent> seen;
    const auto tap = m_tap->create([&](const KeyEvent& e) {
        seen.append(e);
        return e.keyCode == kLeft ? platform::EventVerdict::Swallow : platform::EventVerdict::Pass;
    });

    // Alt+Super+A: grabbed, passed, typed.
    EXPECT_FALSE(typeIntoTerminal({"LALT", "LWIN", "AC01"}).isEmpty());
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const KeyEvent& e) {
        return e.type == KeyEvent::Type::KeyDown && e.keyCode == 0 && e.flags == kOptionCommand;
    })) << testing::PrintToString(seen);

    // Alt+Super+Left held, S typed meanwhile: the terminal gets S and nothing of Left.
    const QByteArray before = typed();
    for (const char* key : {"LALT", "LWIN", "LEFT", "AC02"})
        m_keys.down(key);
    for (const char* key : {"AC02", "LEFT", "LWIN", "LALT"})
        m_keys.up(key);
    ASSERT_TRUE(waitFor([&] { return typed().size() > before.size(); })) << "S never reached the terminal";
    m_keys.press({"AC03"});
    ASSERT_TRUE(waitFor([&] { return typed().endsWith('d'); }));
    const QByteArray got = typed().mid(before.size());
    EXPECT_FALSE(got.contains("[D") || got.contains("OD")) << got.toStdString();
    // S with Alt: "s" after ESC, or the 8-bit meta character, as the terminal is set.
    EXPECT_TRUE(got.contains('s') || got.contains("\xc3\xb3") || got.contains(char(0xf3)))
        << got.toStdString();
}

// The Globe stand-in, tapped alone, is typed again for the terminal; held for a chord, it is not.
TEST_F(TapTest, TheGlobeKeyReachesTheTerminalOnlyWhenTappedAlone) {
    ASSERT_NE(m_tap->globeKeycode(), 0);
    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    const auto tap = record();
    const QByteArray menu = "\x1b[29~";

    const QByteArray start = typed();
    m_keys.press({"COMP"});
    ASSERT_TRUE(waitFor([&] { return typed().mid(start.size()) == menu; }))
        << typed().mid(start.size()).toStdString();
    // The tap heard one press and one release.
    EXPECT_EQ(m_events, (QList<KeyEvent>{KeyEvent::flagsChanged(63, kFn), KeyEvent::flagsChanged(63, 0)}));

    m_keys.down("COMP");
    m_keys.press({"LALT", "LWIN", "LEFT"});
    m_keys.up("COMP");
    ASSERT_TRUE(awaitEvents(10));
    m_keys.press({"AC03"});
    ASSERT_TRUE(waitFor([&] { return typed().endsWith('d'); }));
    EXPECT_EQ(typed().mid(start.size()), menu + "d");
    EXPECT_EQ(m_events.last(), KeyEvent::flagsChanged(63, 0));
}

// Scroll Lock on a modifier of its own, locked on, and Super on Mod3: the chord still comes.
TEST_F(TapTest, LockKeysAndSuperWhereverTheModifierMapPutsThem) {
    QTemporaryDir dir;
    const QString keymap = dir.filePath("keymap.xkb");
    const auto load = [&](const QString& script) {
        return QProcess::execute("sh", {"-c", script, "sh", keymap}) == 0;
    };
    ASSERT_TRUE(load(QStringLiteral(
        "xkbcomp -w 0 \"$DISPLAY\" \"$1\" && "
        "sed -i -e 's/modifier_map Mod4 { <\\(LWIN\\|RWIN\\)> };/modifier_map Mod3 { <\\1> };/' "
        "-e 's/modifier_map Mod2 { <NMLK> };/&\\n    modifier_map Mod5 { <SCLK> };/' \"$1\" && "
        "xkbcomp -w 0 \"$1\" \"$DISPLAY\"")));
    ASSERT_TRUE(waitFor([&] { return m_tap->keyMap().modifiers().scrollLock == X11KeyMap::kMod5Mask; }));
    EXPECT_EQ(m_tap->keyMap().modifiers().super & X11KeyMap::kMod3Mask, X11KeyMap::kMod3Mask);

    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    const auto tap = record();
    m_keys.reload();
    m_keys.press({"SCLK"});
    m_keys.press({"NMLK"});
    m_keys.press({"LALT", "LWIN", "LEFT"});
    m_keys.press({"SCLK"});
    m_keys.press({"NMLK"});
    const bool came = waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; });
    run("setxkbmap", {"-rules", "evdev", "-model", "pc105", "-layout", "us"});
    m_keys.reload();
    ASSERT_TRUE(came) << testing::PrintToString(m_events);
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [](const KeyEvent& e) {
        return e.type == KeyEvent::Type::KeyDown && e.keyCode == kLeft && e.flags == kOptionCommand;
    })) << testing::PrintToString(m_events);
}

TEST_F(TapTest, KeymapChangesMoveTheGrabsAndTheKeyboardType) {
    auto& keyboard = m_platform->service<platform::Keyboard>();
    EXPECT_FALSE(keyboard.isISO()) << "Xvfb starts with the pc105 model and the US layout";
    EXPECT_EQ(m_tap->keyMap().toVirtual(m_keys.keycode("TLDE")), 50);

    m_tap->setWantedChords({{kLeft, kOptionCommand}});
    const auto tap = record();
    const quint8 evdevLeft = m_keys.keycode("LEFT");

    // The xfree86 key codes put Left elsewhere; the model is an ANSI one.
    run("setxkbmap", {"-rules", "base", "-model", "pc104", "-layout", "us"});
    m_keys.reload();
    const quint8 otherLeft = m_keys.keycode("LEFT");
    ASSERT_NE(otherLeft, evdevLeft);
    ASSERT_TRUE(waitFor([&] { return m_tap->keyMap().toX(kLeft) == QList<quint8>{otherLeft}; }));
    EXPECT_FALSE(keyboard.isISO());
    EXPECT_EQ(m_tap->keyMap().toVirtual(m_keys.keycode("TLDE")), 50);
    m_keys.press({"LALT", "LWIN", "LEFT"});
    EXPECT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; }));
    EXPECT_EQ(m_events[2], KeyEvent::keyDown(kLeft, kOptionCommand));

    run("setxkbmap", {"-rules", "evdev", "-model", "pc105", "-layout", "gb"});
    m_keys.reload();
    ASSERT_TRUE(waitFor([&] { return m_tap->keyMap().toX(kLeft) == QList<quint8>{evdevLeft}; }));
    EXPECT_TRUE(keyboard.isISO()) << "a 105-key model with a British layout";
    EXPECT_TRUE(waitFor([&] { return m_tap->keyMap().toVirtual(m_keys.keycode("TLDE")) == 10; }));
    m_keys.press({"LALT", "LWIN", "LEFT"});
    EXPECT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 2; }));
}

TEST_F(TapTest, ActiveApplicationAndHeldModifiers) {
    EXPECT_FALSE(m_tap->isApplicationActive()) << "the terminal is in front";
    const xcb_window_t own = m_keys.mapOwnWindow();
    ASSERT_TRUE(bringToFront(*m_platform, qint32(getpid())));
    EXPECT_TRUE(waitFor([&] { return m_tap->isApplicationActive(); }));
    m_keys.destroy(own);
    ASSERT_TRUE(bringToFront(*m_platform, envPid("E2E_TERM_PID")));
    EXPECT_TRUE(waitFor([&] { return !m_tap->isApplicationActive(); }));

    // Read from the server, not from events.
    m_keys.down("LCTL");
    m_keys.down("RWIN");
    EXPECT_EQ(m_tap->currentModifierFlags(), kControl | kCommand);
    m_keys.up("RWIN");
    m_keys.up("LCTL");
    EXPECT_EQ(m_tap->currentModifierFlags(), 0u);
}

// Keys typed into this program's own windows come through Qt: to the taps first, then, for
// key-downs, to the local monitors; a swallowed key never reaches the window.
TEST_F(TapTest, KeysOfOwnWindowsGoToTheTapsThenTheMonitors) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "hotkeys.sh runs this test on Qt's xcb platform";
    QLineEdit field;
    field.setWindowTitle("Own window");
    field.show();
    ASSERT_TRUE(bringToFront(*m_platform, qint32(getpid())));
    ASSERT_TRUE(waitFor([&] { return field.hasFocus() && m_tap->isApplicationActive(); }));

    QList<KeyEvent> tapped;
    const auto tap = m_tap->create([&](const KeyEvent& e) {
        tapped.append(e);
        return platform::EventVerdict::Pass;
    });
    QList<KeyEvent> monitored;
    const auto monitor = m_tap->addKeyDownMonitor([&](const KeyEvent& e) {
        monitored.append(e);
        return e.keyCode == 0 ? platform::EventVerdict::Swallow : platform::EventVerdict::Pass;
    });

    m_keys.press({"AC01"}); // A: swallowed by the monitor
    m_keys.press({"AC02"}); // S: typed
    m_keys.press({"LFSH", "AB03"});
    ASSERT_TRUE(waitFor([&] { return field.text() == "sC"; })) << field.text().toStdString();
    const auto keys = [](const QList<KeyEvent>& events) {
        QList<KeyEvent> out;
        for (const KeyEvent& e : events)
            if (e.type != KeyEvent::Type::FlagsChanged)
                out.append(e);
        return out;
    };
    auto down = [](quint16 code, quint64 flags, const char* text) {
        KeyEvent e = KeyEvent::keyDown(code, flags);
        e.unmodifiedCharacters = text;
        return e;
    };
    auto up = [](quint16 code, quint64 flags, const char* text) {
        KeyEvent e = KeyEvent::keyUp(code, flags);
        e.unmodifiedCharacters = text;
        return e;
    };
    EXPECT_EQ(keys(tapped), (QList<KeyEvent>{down(0, 0, "a"), up(0, 0, "a"), down(1, 0, "s"), up(1, 0, "s"),
                                             down(8, kShift, "c"), up(8, kShift, "c")}));
    EXPECT_EQ(monitored, (QList<KeyEvent>{down(0, 0, "a"), down(1, 0, "s"), down(8, kShift, "c")}));

    // A tap that swallows comes before the monitors.
    tapped.clear();
    monitored.clear();
    const auto swallowing = m_tap->create([](const KeyEvent&) { return platform::EventVerdict::Swallow; });
    m_keys.press({"AC04"});
    m_keys.press({"RTRN"});
    ASSERT_TRUE(waitFor([&] { return keys(tapped).size() == 4; }));
    EXPECT_TRUE(monitored.isEmpty());
    EXPECT_EQ(field.text(), "sC");
}

// --- The program ---

class ProgramTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        auto& ax = m_platform->service<platform::Accessibility>();
        const auto windows = ax.elementsAttribute(ax.application(envPid("E2E_TERM_PID")), "AXWindows");
        ASSERT_TRUE(windows && windows->size() == 1);
        m_window = quint32(windows->first().id());
    }
    QRect visibleArea(int index) const { return e2e::visibleArea(*m_platform, index); }
    QRect frame() const { return outerFrameOf(m_window); }
    // Presses the chord and waits until the terminal is where `there` says.
    bool moveWith(std::initializer_list<const char*> keys, const std::function<bool(const QRect&)>& there) {
        m_keys.press(keys);
        return waitFor([&] { return there(frame()); });
    }
    bool snappedTo(const QRect& target) const { return isSnapped(frame(), target); }

    quint32 m_window = 0;
};

// The program started by the script, with the factory hotkeys (Alt+Super).
TEST_F(ProgramTest, HotkeysMoveTheFocusedTerminalAndOtherKeysReachIt) {
    const QRect area = visibleArea(0);
    const QRect leftHalf(area.x(), area.y(), area.width() / 2, area.height());
    const QRect rightHalf(area.x() + area.width() / 2, area.y(), area.width() / 2, area.height());

    // The program takes its hotkeys a moment after it starts: until then the terminal gets them.
    bool ready = false;
    for (int attempt = 0; attempt < 30 && !ready; ++attempt) {
        m_keys.press({"LALT", "LWIN", "LEFT"});
        ready = waitFor([&] { return snappedTo(leftHalf); }, 1.0);
    }
    ASSERT_TRUE(ready) << "Alt+Super+Left never moved the terminal to the left half";

    const QByteArray before = typed();
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "RGHT"}, [&](const QRect& f) { return isSnapped(f, rightHalf); }))
        << testing::PrintToString(frame());

    // Left alone reaches the terminal, and is all it got.
    EXPECT_TRUE(isLeftArrow(typeIntoTerminal({"LEFT"})));
    EXPECT_TRUE(isLeftArrow(typed().mid(before.size()))) << "the hotkeys reached the terminal";

    // Maximise (Return), undo (Z), redo (X).
    const auto maximised = [&](const QRect& f) { return isSnapped(f, area); };
    const auto onLeftHalf = [&](const QRect& f) { return isSnapped(f, leftHalf); };
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "LEFT"}, onLeftHalf)) << testing::PrintToString(frame());
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "RTRN"}, maximised)) << testing::PrintToString(frame());
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "AB01"}, onLeftHalf))
        << "undo: " << testing::PrintToString(frame());
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "AB02"}, maximised)) << "redo: " << testing::PrintToString(frame());

    // Centre (C): the left half's size, in the middle of the screen.
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "LEFT"}, onLeftHalf)) << testing::PrintToString(frame());
    const QRect half = frame();
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "AB03"},
                         [&](const QRect& f) {
                             return f.size() == half.size() &&
                                    qAbs(f.center().x() - area.center().x()) <= kCell.width();
                         }))
        << "centre: " << testing::PrintToString(frame());

    // Next display (.): the same place on the right monitor.
    const QRect right = visibleArea(1);
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "AB09"},
                         [&](const QRect& f) {
                             return right.contains(f) &&
                                    qAbs(f.center().x() - right.center().x()) <= kCell.width();
                         }))
        << "next display: " << testing::PrintToString(frame());
    EXPECT_TRUE(moveWith({"LALT", "LWIN", "AB01"}, [&](const QRect& f) { return area.contains(f); }))
        << "undo to the left monitor: " << testing::PrintToString(frame());
}

// The program started here, with Control+Shift hotkeys, while another client holds Control+Shift+C
// and a program of the test's own holds Control+Shift+Right through XInput 2, as Mutter holds its
// keys.
TEST_F(ProgramTest, ATakenChordIsSaidAndWonBackAndKeysTheProgramLeavesReachTheTerminal) {
    QFile settings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/com.corvane.tilewick/defaults.json");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settings).path()));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(R"({"modifiers":{"type":"uint64","value":"393216"}})");
    settings.close();

    TestClient other;
    const quint8 c = m_keys.keycode("AB03");
    ASSERT_FALSE(grabKeyFor(other, XCB_MOD_MASK_ANY, c));

    QProcess xi2Holder;
    xi2Holder.start(QCoreApplication::applicationDirPath() + "/xi2_key_holder",
                    {QString::number(m_keys.keycode("RGHT")), "any"});
    ASSERT_TRUE(xi2Holder.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return xi2Holder.canReadLine(); }));
    ASSERT_EQ(xi2Holder.readLine(), "held\n");

    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(qEnvironmentVariable("E2E_PROGRAM"), QStringList());
    ASSERT_TRUE(program.waitForStarted());
    QByteArray output;
    const auto said = [&](const QByteArray& text) {
        return waitFor([&] {
            output += program.readAll();
            return output.contains(text);
        });
    };
    EXPECT_TRUE(
        said("Tilewick: Control+Shift+c is taken by another program; that hotkey works once the other "
             "program lets go of it"))
        << output.toStdString();
    EXPECT_TRUE(
        said("Tilewick: Control+Shift+Right is taken by another program; that hotkey works once the other "
             "program lets go of it"))
        << output.toStdString();
    // The program may show its main window in front at start; the keys are for the terminal.
    const qint32 term = envPid("E2E_TERM_PID");
    const auto frontPid = [&] {
        const auto front = m_platform->service<platform::Workspace>().frontmostApplication();
        return front ? front->pid : 0;
    };
    bool stays = false;
    for (int attempt = 0; attempt < 10 && !stays; ++attempt) {
        ASSERT_TRUE(bringToFront(*m_platform, term));
        stays = !waitFor([&] { return frontPid() != term; }, 0.5);
    }
    ASSERT_TRUE(stays);

    // Control+Shift+Home is no hotkey: it reaches the terminal whole.
    const QByteArray before = typed();
    m_keys.press({"LCTL", "LFSH", "HOME"});
    EXPECT_TRUE(waitFor([&] { return typed().mid(before.size()) == "\x1b[1;6H"; }))
        << typed().mid(before.size()).toStdString();
    const QRect area = visibleArea(0);
    EXPECT_TRUE(moveWith({"LCTL", "LFSH", "LEFT"}, [&](const QRect& f) {
        return isSnapped(f, {area.x(), area.y(), area.width() / 2, area.height()});
    })) << testing::PrintToString(frame());

    // The other client lets go: the hotkey works once it was free at three status polls in a row
    // (3 to 6 s with the polls' tolerance).
    ASSERT_EQ(xcb_request_check(other.xcb(),
                                xcb_ungrab_key_checked(other.xcb(), c, other.root(), XCB_MOD_MASK_ANY)),
              nullptr);
    const auto saidSoon = [&](const QByteArray& text) {
        return waitFor(
            [&] {
                output += program.readAll();
                return output.contains(text);
            },
            15);
    };
    EXPECT_TRUE(saidSoon("Tilewick: Control+Shift+c is free again; that hotkey works"))
        << output.toStdString();
    EXPECT_TRUE(
        moveWith({"LCTL", "LFSH", "AB03"},
                 [&](const QRect& f) { return qAbs(f.center().x() - area.center().x()) <= kCell.width(); }))
        << "centre: " << testing::PrintToString(frame());

    // The XInput 2 holder quits: the right half is the program's.
    xi2Holder.closeWriteChannel();
    ASSERT_TRUE(xi2Holder.waitForFinished(5000));
    EXPECT_TRUE(saidSoon("Tilewick: Control+Shift+Right is free again; that hotkey works"))
        << output.toStdString();
    EXPECT_TRUE(moveWith(
        {"LCTL", "LFSH", "RGHT"},
        [&](const QRect& f) {
            return isSnapped(f, {area.x() + area.width() / 2, area.y(), area.width() / 2, area.height()});
        }))
        << "right half: " << testing::PrintToString(frame());

    program.terminate();
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    QByteArray log;
    for (const QFileInfo& day :
         QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Veldor Pellrath Beta/tile-wick")
             .entryInfoList({"activity-*.log"})) {
        QFile file(day.filePath());
        if (file.open(QIODevice::ReadOnly))
            log += file.readAll();
    }
    EXPECT_TRUE(log.contains(" hotkey.taken layout=centre partly=false")) << log.toStdString();
    EXPECT_TRUE(log.contains(" hotkey.taken layout=right_half partly=false")) << log.toStdString();
}

} // namespace
