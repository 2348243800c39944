#pragma once

#include "X11Connection.h"
#include "X11KeyMap.h"
#include "platform/EventTap.h"
#include "platform/LetGoWatch.h"
#include "platform/Runtime.h"

#include <QList>
#include <QObject>

#include <bitset>
#include <memory>
#include <optional>
#include <vector>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform {
class Keyboard;
}

namespace platform::x11 {

class X11Tap;
class X11KeyMonitor;

// The keyboard event tap of an X desktop, and the local key monitors of this program's windows.
//
// X lets no client see, let alone swallow, every key of other clients, so the tap takes what it
// can:
// - The wanted chords are grabbed on the root window, once for each combination of the lock
//   modifiers (Caps Lock, Num Lock, Scroll Lock, wherever the modifier map puts them), while an
//   enabled tap exists. The grabs freeze the keyboard (GrabModeSync) until the tap has decided:
//   a swallowed key is kept (SyncKeyboard), a passed one is replayed to the focused window as if
//   no grab were there (ReplayKeyboard), so no key the tap passes is lost. While a grab is
//   active (the chord's key held) every key comes here, so chords pressed in a row work.
// - Each grab is made twice, through XInput 2 for the master keyboard and then through the core
//   protocol: the server refuses a grab only for a clash with one of its own kind, and window
//   managers hold their keys either way (Mutter through XInput 2, KWin and xbindkeys through the
//   core protocol). Of two passive grabs on one window the server activates the later one, so
//   the keys come as core events; the XInput 2 grab only keeps other clients from the chord.
// - A grab another client holds (either kind) is refused by the server (BadAccess): the chord is
//   listed in takenChords(), said once on stderr (exactly which lock combinations are taken when
//   only some are). retakeChords() looks again, without holding what it finds free (LetGoWatch):
//   a chord is taken back only once its holder let go of it for good; that is said too.
// - A client that grabs a modifier key of the chords (icewm grabs the Super keys with any
//   modifiers) takes the keyboard when that key is pressed after the chords' other modifiers, and
//   the chord's key then goes to it. Whenever the grabs change, each modifier key is grabbed with
//   the other modifiers held and let go of at once: a refusal lists it in takenModifierKeys() and
//   says once which key it is and what it does to the hotkeys. retakeChords() looks again while
//   one is taken, after a new window manager came, and otherwise every 20th time.
// - Modifier changes come from the XKB state of the core keyboard, whoever has the focus, as
//   flags-changed events with the key code of the modifier key that made them.
// - The Globe stand-in key (the Menu key unless TILEWICK_GLOBE_KEY names another XKB key, such
//   as "RCTL") is watched through XInput raw events: while it is held every event carries the fn
//   flag, and its presses and releases are flags-changed events of key code 63. While chords are
//   grabbed, the key is grabbed too (with any modifiers): held with other keys it stays here,
//   and tapped alone it is typed again through XTest for the focused window.
// - Keys typed into this program's own windows come through Qt (an application event filter;
//   only on Qt's xcb platform, where a key's native scan code is its X keycode): taps first,
//   then the local monitors; either may swallow them. While this program is active, modifier
//   changes reach the monitors of every key type too. A grabbed key typed while this program is
//   active is replayed at once and comes that way.
//
// Key codes and flags are translated by X11KeyMap, rebuilt whenever the keyboard mapping
// changes; the grabs follow. Auto-repeat is told apart with XKB's detectable auto-repeat, so a
// held key sends presses flagged autoRepeat and one release. "This application is active" means
// the window manager's active window belongs to this process.
//
// Main thread only (the thread of the connection).
class X11EventTap final : public QObject, public EventTap, public LocalKeyMonitors {
    Q_OBJECT
public:
    // Null when the server has no usable XKB extension. `keyboard` decides the ISO keys; the work
    // a tap queues on `runtime` for a key it swallows runs as soon as the key's batch of events
    // has been handed out.
    static std::shared_ptr<X11EventTap> open(std::shared_ptr<X11Connection> connection,
                                             std::shared_ptr<Keyboard> keyboard,
                                             std::shared_ptr<Runtime> runtime);
    ~X11EventTap() override;

    // --- EventTap and LocalKeyMonitors ---
    KeyboardTapRef create(Callback callback) override;
    void setWantedChords(const QList<KeyChord>& chords) override;
    quint64 currentModifierFlags() const override;
    bool isApplicationActive() const override { return m_ownActive; }
    LocalKeyMonitorRef addKeyDownMonitor(Handler handler) override;
    LocalKeyMonitorRef addKeyMonitor(Handler handler) override;

    QList<TakenChord> takenChords() const override;
    QList<TakenModifierKey> takenModifierKeys() const override;
    void retakeChords() override;
    void setAnswersHandler(std::function<void()> handler) override { m_answersHandler = std::move(handler); }
    const X11KeyMap& keyMap() const { return m_map; }
    // The X keycode of the Globe stand-in; 0 when the keymap has no such key.
    quint8 globeKeycode() const { return m_globeKeycode; }
    bool detectsAutoRepeat() const { return m_detectableRepeat; }
    // A readable name of a chord ("Alt+Super+Left").
    QString describe(const KeyChord& chord) const;
    // The keysym name of a key ("Menu").
    QString describeKey(quint8 keycode) const;
    // At launch, until sendHeldGrabs(): the grabs asked for are not made, so that the server
    // works through the window manager's mapping of the main window and the program's own
    // requests first (any flush of the connection would send what waits in its buffer). Sent,
    // they go to the server at once and their answers are read once all are in, never waited
    // for; until then takenChords() and takenModifierKeys() tell what was known before.
    // Otherwise every call that changes the grabs returns with the server's answers read.
    void holdGrabs();
    void sendHeldGrabs();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class X11Tap;
    struct Grab {
        quint8 keycode;
        quint16 modifiers;
        quint64 key() const { return quint64(keycode) << 16 | modifiers; }
        friend bool operator==(const Grab&, const Grab&) = default;
    };
    // A wanted chord another client holds, and the lock combinations it holds it with.
    struct Taken {
        KeyChord chord;
        QList<quint16> locks;
        bool partly = false;
        friend bool operator==(const Taken&, const Taken&) = default;
    };
    // A modifier key of the wanted chords that other clients hold (on `keycodes`, with the lock
    // combinations `locks`) while the chords' `others` modifiers are held.
    struct TakenModifier {
        quint64 modifier = 0;
        quint64 others = 0;
        QList<quint8> keycodes;
        QList<quint16> locks;
        bool partly = false;
        friend bool operator==(const TakenModifier&, const TakenModifier&) = default;
    };
    // The verdict on one Qt key event, which Qt hands to the window, its widgets and their
    // parents in turn (and to a shortcut check first).
    struct QtKeyVerdict {
        int type = 0;
        quint64 timestamp = 0;
        quint32 scanCode = 0;
        bool autoRepeat = false;
        bool swallow = false;
    };

    X11EventTap(std::shared_ptr<X11Connection> connection, std::shared_ptr<Keyboard> keyboard,
                std::shared_ptr<Runtime> runtime);
    bool initialise();
    void rebuildKeyMap();
    X11KeyMap::Modifiers readModifierMap();
    void scheduleRebuild();
    struct GrabAttempt;
    // Grabs what is wanted and not yet held, and lets go of the rest. A grab another client held
    // is asked for again only by a `look` (retakeChords()).
    void updateGrabs(bool look = false);
    // Reads the answers of `attempt` now, or later while grabs are held.
    void settle(std::unique_ptr<GrabAttempt> attempt);
    // Reads the answers of the attempt under way, if any, and says what they tell.
    void finishGrabAttempt();
    void readHeldAnswersOnceIn();
    // Lets go of both kinds of grab of `grab` (those this client holds).
    void releaseGrab(const Grab& grab);
    void reportTaken(const QList<Taken>& taken, bool globeRefused);
    // Looks whether other clients hold the modifier keys of the wanted chords, pressed while the
    // chords' other modifiers are held, and says each change once. Each key is grabbed and let go
    // at once with the server held, so the look never takes a key from anyone.
    void lookAtModifierKeys();
    void askAboutModifierKeys(GrabAttempt& attempt);
    void reportTakenModifiers(const QList<TakenModifier>& taken);
    void readActiveWindow();

    void handleEvent(const xcb_generic_event_t* event);
    // Decides on a key a grab brought (and froze): the xcb_allow_events mode that goes on.
    quint8 answerGrabbedKey(bool press, quint8 keycode, quint16 state);
    // Types the Globe stand-in again, for the focused window: it was tapped alone.
    void retypeGlobe();
    void handleXkbEvent(const xcb_generic_event_t* event);
    void handleRawKey(bool press, quint32 keycode, bool repeat);
    void setGlobeDown(bool down);
    bool handleQtKey(QEvent* event);

    quint64 globeFlag() const { return m_globeDown ? kFunctionFlag : 0; }
    QString unmodifiedText(quint8 keycode);
    std::vector<std::shared_ptr<X11Tap>> liveTaps() const;
    bool anyEnabledTap() const;
    EventVerdict offerToTaps(const KeyEvent& event) const;
    EventVerdict offerToMonitors(const KeyEvent& event) const;
    void offerFlagsChange(const KeyEvent& event);

    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<Keyboard> m_keyboard;
    std::shared_ptr<Runtime> m_runtime;
    std::shared_ptr<void> m_eventHandler;
    xkb_context* m_context = nullptr;
    xkb_keymap* m_keymap = nullptr;
    // A state with no modifiers, in the current group: what a key types by itself.
    xkb_state* m_plainState = nullptr;
    qint32 m_deviceId = -1;
    quint8 m_xkbEventBase = 0;
    quint8 m_xiOpcode = 0;
    bool m_hasXTest = false;
    bool m_detectableRepeat = false;
    bool m_rebuildPosted = false;

    X11KeyMap m_map;
    quint8 m_globeKeycode = 0;
    QList<KeyChord> m_wanted;
    std::vector<Grab> m_grabs;              // held, the Globe stand-in's among them
    std::unique_ptr<GrabAttempt> m_attempt; // asked for, its answers not read yet
    bool m_holdingGrabs = false;
    // A change of the grabs asked for while they are held (with a look at the modifier keys).
    std::optional<bool> m_heldUpdate;
    bool m_sendingHeld = false;
    // The attempt under way was held: its answers are read on a turn of their own, once the
    // answer to the request sent after them (this sequence number) is in.
    bool m_attemptHeld = false;
    std::optional<unsigned int> m_lastHeldAnswer;
    std::function<void()> m_answersHandler;
    // The grabs other clients held at the last attempt, by Grab::key().
    LetGoWatch m_letGo;
    QList<Taken> m_taken;
    QList<TakenModifier> m_takenModifiers;
    // While no modifier key is taken, every this many retakeChords() (30 s of status polls) look
    // at them again; a new window manager makes the next one look.
    static constexpr int kModifierLookPolls = 20;
    int m_pollsSinceModifierLook = 0;
    bool m_globeRefused = false;

    mutable std::vector<std::weak_ptr<X11Tap>> m_taps;
    mutable std::vector<std::weak_ptr<X11KeyMonitor>> m_monitors;

    quint64 m_flags = 0; // from the XKB state, without fn
    quint32 m_group = 0;
    bool m_globeDown = false;
    // The Globe stand-in went down through its grab, and no other key since.
    bool m_globeAlone = false;
    // Presses of the Globe stand-in typed again, to replay when their grab brings them.
    int m_globeRetypes = 0;
    // Raw events of those presses and releases, which are no presses of the user's.
    int m_globeEchoes = 0;
    std::bitset<256> m_down; // keys pressed through a grab
    bool m_ownActive = false;
    // The active window's changes taken in when it was last read.
    quint64 m_activeChangesRead = 0;
    // A tap swallowed the key press being answered.
    bool m_swallowedPress = false;
    bool m_filterInstalled = false;
    QtKeyVerdict m_lastDown;
    QtKeyVerdict m_lastUp;
};

} // namespace platform::x11
