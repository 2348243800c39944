// Run by hotkeys.sh on a private X server (two monitors "L" and "R" of 1280×1080, openbox, an
// xterm whose keyboard input is written to $E2E_TYPED). Keys are typed through XTest.
//
// TapTest: the X11 event tap of this process: grabbed chords, modifier changes, Caps Lock, the
// Globe stand-in, auto-repeat, chords another client holds, keymap changes, the active application.
// ProgramTest: the real program, started by the script, moves the terminal on its hotkeys while
// other keys still reach the terminal.

#include "E2eTools.h"
#include "support/KeyEvents.h"

#include "platform/DesktopPlatform.h"
#include "platform/Keyboard.h"
#include "platform/x11/X11EventTap.h"

#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>

#include <gtest/gtest.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <initializer_list>
#include <vector>

using platform::KeyChord;
using platform::KeyEvent;
using namespace e2e;

namespace {

constexpr quint64 kCapsLock = platform::kCapsLockFlag;
constexpr quint64 kShift = platform::kShiftFlag;
constexpr quint64 kControl = platform::kControlFlag;
constexpr quint64 kOption = platform::kOptionFlag;
constexpr quint64 kCommand = platform::kCommandFlag;
constexpr quint64 kFn = platform::kFunctionFlag;
using testkeys::kOptionCommand;
constexpr quint16 kLeft = testkeys::kLeftArrow;

const QRect kLeftHalf(0, 0, 640, 1080);
const QRect kRightHalf(640, 0, 640, 1080);

// A keyboard that types through XTest, naming keys by their XKB names ("LALT", "AC01").
class Keys : public TestClient {
public:
    Keys() {
        xkb_x11_setup_xkb_extension(xcb(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr);
        m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        reload();
    }
    ~Keys() {
        xkb_keymap_unref(m_keymap);
        xkb_context_unref(m_context);
    }
    // Reads the keymap again after it changed.
    void reload() {
        xkb_keymap_unref(m_keymap);
        m_keymap = xkb_x11_keymap_new_from_device(
            m_context, xcb(), xkb_x11_get_core_keyboard_device_id(xcb()), XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    quint8 keycode(const char* name) const { return quint8(xkb_keymap_key_by_name(m_keymap, name)); }

    void down(const char* name) { fake(XCB_KEY_PRESS, name); }
    void up(const char* name) { fake(XCB_KEY_RELEASE, name); }
    // Each key goes down in order, then up in reverse order.
    void press(std::initializer_list<const char*> keys) {
        for (const char* key : keys)
            down(key);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            up(*it);
    }

private:
    void fake(quint8 type, const char* name) {
        const quint8 code = keycode(name);
        ASSERT_NE(code, 0) << name;
        xcb_test_fake_input(xcb(), type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        // The server has taken it once it answers.
        std::free(xcb_get_input_focus_reply(xcb(), xcb_get_input_focus(xcb()), nullptr));
    }

    xkb_context* m_context = nullptr;
    xkb_keymap* m_keymap = nullptr;
};

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

TEST_F(TapTest, AChordAnotherProgramHoldsIsReportedAndTheRestWork) {
    // Another client holds Control+Shift+A.
    TestClient other;
    const quint8 a = m_keys.keycode("AC01");
    ASSERT_EQ(
        xcb_request_check(other.xcb(), xcb_grab_key_checked(other.xcb(), 0, other.root(),
                                                            XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT, a,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        nullptr);

    const auto tap = record();
    m_tap->setWantedChords({{0, kControl | kShift}, {kLeft, kOptionCommand}});
    EXPECT_EQ(m_tap->refusedChords(), (QList<KeyChord>{{0, kControl | kShift}}));
    EXPECT_EQ(m_tap->describe({0, kControl | kShift}), "Control+Shift+a");

    m_keys.press({"LALT", "LWIN", "LEFT"});
    ASSERT_TRUE(waitFor([&] { return count(KeyEvent::Type::KeyUp) == 1; }));
    EXPECT_EQ(count(KeyEvent::Type::KeyDown), 1);
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

class ProgramTest : public DesktopTest {};

TEST_F(ProgramTest, HotkeysMoveTheFocusedTerminalAndOtherKeysReachIt) {
    auto& ax = m_platform->service<platform::Accessibility>();
    const auto windows = ax.elementsAttribute(ax.application(envPid("E2E_TERM_PID")), "AXWindows");
    ASSERT_TRUE(windows && windows->size() == 1);
    const quint32 window = quint32(windows->first().id());
    const auto snappedTo = [&](const QRect& target) { return isSnapped(outerFrameOf(window), target); };

    // The program takes its hotkeys a moment after it starts: until then the terminal gets them.
    bool ready = false;
    for (int attempt = 0; attempt < 30 && !ready; ++attempt) {
        m_keys.press({"LALT", "LWIN", "LEFT"});
        ready = waitFor([&] { return snappedTo(kLeftHalf); }, 1.0);
    }
    ASSERT_TRUE(ready) << "Alt+Super+Left never moved the terminal to the left half";

    const QByteArray before = typed();
    m_keys.press({"LALT", "LWIN", "RGHT"});
    EXPECT_TRUE(waitFor([&] { return snappedTo(kRightHalf); }))
        << testing::PrintToString(outerFrameOf(window));

    // Left alone reaches the terminal, and is all it got.
    EXPECT_TRUE(isLeftArrow(typeIntoTerminal({"LEFT"})));
    EXPECT_TRUE(isLeftArrow(typed().mid(before.size()))) << "the hotkeys reached the terminal";

    m_keys.press({"LALT", "LWIN", "LEFT"});
    EXPECT_TRUE(waitFor([&] { return snappedTo(kLeftHalf); }))
        << testing::PrintToString(outerFrameOf(window));
}

} // namespace
