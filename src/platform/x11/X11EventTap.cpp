#include "X11EventTap.h"

#include "platform/Keyboard.h"
#include "platform/WeakRefs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#include <xcb/xcbext.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>
// xkb.h names a field `explicit`.
#define explicit dont_use_cxx_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace platform::x11 {

namespace {

// Names the XKB key that stands in for Globe/fn ("COMP", the Menu key, when unset).
constexpr const char* kGlobeKeyVariable = "TILEWICK_GLOBE_KEY";
constexpr const char* kDefaultGlobeKey = "COMP";

// What every XKB event starts with.
struct XkbEventHeader {
    quint8 responseType;
    quint8 xkbType;
    quint16 sequence;
    xcb_timestamp_t time;
    quint8 deviceID;
};

// XInput 2 names "any modifiers" with a bit of its own.
quint32 xiModifiers(quint16 modifiers) {
    return modifiers == XCB_MOD_MASK_ANY ? quint32(XCB_INPUT_MODIFIER_MASK_ANY) : modifiers;
}

// The two requests of one grab, XInput 2's (when `xiDevice` is set) going first: of two passive
// grabs on a window the server activates the later one, so keys come as core events.
struct GrabRequest {
    xcb_input_xi_passive_grab_device_cookie_t xi{};
    xcb_void_cookie_t core{};
    bool withXi = false;
};

GrabRequest requestGrab(xcb_connection_t* c, xcb_window_t root, quint16 xiDevice, quint8 keycode,
                        quint16 modifiers) {
    GrabRequest request;
    if (xiDevice) {
        // Never frozen and never answered: it does not activate while the core grab is there.
        const quint32 mask = XCB_INPUT_XI_EVENT_MASK_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_KEY_RELEASE;
        const quint32 xiMods = xiModifiers(modifiers);
        request.xi = xcb_input_xi_passive_grab_device(
            c, XCB_CURRENT_TIME, root, XCB_CURSOR_NONE, keycode, xiDevice, 1, 1, XCB_INPUT_GRAB_TYPE_KEYCODE,
            XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_OWNER_NO_OWNER, &mask,
            &xiMods);
        request.withXi = true;
    }
    request.core =
        xcb_grab_key_checked(c, 0, root, modifiers, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    return request;
}

// The names of the modifiers of `flags`, in the order they are shown ("Alt", "Super").
QStringList modifierNames(quint64 flags) {
    QStringList names;
    const std::pair<quint64, const char*> all[] = {
        {kControlFlag, "Control"}, {kOptionFlag, "Alt"}, {kShiftFlag, "Shift"}, {kCommandFlag, "Super"}};
    for (const auto& [flag, name] : all)
        if (flags & flag)
            names.append(QLatin1String(name));
    return names;
}

// Whether both grabs of a request hold: another client's grab of either kind refuses one.
bool grabHolds(xcb_connection_t* c, const GrabRequest& request) {
    bool holds = XcbReply<xcb_generic_error_t>{xcb_request_check(c, request.core)} == nullptr;
    if (request.withXi) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_input_xi_passive_grab_device_reply_t> reply(
            xcb_input_xi_passive_grab_device_reply(c, request.xi, &error));
        XcbReply<xcb_generic_error_t> failed(error);
        // The reply lists the modifiers it could not grab for; a request the server rejects
        // altogether tells nothing, and the core grab decides.
        holds = holds && (!reply || reply->num_modifiers == 0);
    }
    return holds;
}

} // namespace

class X11Tap final : public KeyboardTap {
public:
    X11Tap(X11EventTap* owner, EventTap::Callback callback) : callback(std::move(callback)), m_owner(owner) {}
    ~X11Tap() override { changed(); }

    void setEnabled(bool on) override {
        // The grabs follow a change only: a tap is made enabled, and its grabs are on their way.
        const bool was = enabled;
        enabled = on && !invalidated;
        if (enabled != was)
            changed();
    }
    bool isEnabled() const override { return enabled && m_owner && m_owner->m_x->isUsable(); }
    void invalidate() override {
        invalidated = true;
        enabled = false;
        changed();
    }

    EventTap::Callback callback;
    bool enabled = true;
    bool invalidated = false;

private:
    // Grabs are held only while an enabled tap exists.
    void changed() {
        if (m_owner)
            m_owner->updateGrabs();
    }
    QPointer<X11EventTap> m_owner;
};

class X11KeyMonitor final : public LocalKeyMonitor {
public:
    X11KeyMonitor(LocalKeyMonitors::Handler handler, bool everyType)
        : handler(std::move(handler)), everyType(everyType) {}
    LocalKeyMonitors::Handler handler;
    // Key-ups and modifier changes too, not only key-downs.
    bool everyType;
};

// --- Setting up ---

std::shared_ptr<X11EventTap> X11EventTap::open(std::shared_ptr<X11Connection> connection,
                                               std::shared_ptr<Keyboard> keyboard,
                                               std::shared_ptr<Runtime> runtime) {
    if (!connection || !connection->isUsable())
        return nullptr;
    std::shared_ptr<X11EventTap> tap(
        new X11EventTap(std::move(connection), std::move(keyboard), std::move(runtime)));
    if (!tap->initialise())
        return nullptr;
    return tap;
}

X11EventTap::X11EventTap(std::shared_ptr<X11Connection> connection, std::shared_ptr<Keyboard> keyboard,
                         std::shared_ptr<Runtime> runtime)
    : m_x(std::move(connection)), m_keyboard(std::move(keyboard)), m_runtime(std::move(runtime)) {}

X11EventTap::~X11EventTap() {
    m_answersHandler = nullptr;
    finishGrabAttempt();
    m_eventHandler.reset();
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    for (const Grab& grab : m_grabs)
        releaseGrab(grab);
    // A grab active now would keep the keyboard frozen until the connection closes.
    if (!m_grabs.empty())
        xcb_ungrab_keyboard(m_x->xcb(), XCB_CURRENT_TIME);
    m_x->flush();
    xkb_state_unref(m_plainState);
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

bool X11EventTap::initialise() {
    xcb_connection_t* c = m_x->xcb();
    quint16 major = 0, minor = 0;
    quint8 errorBase = 0;
    if (!xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, &major, &minor, &m_xkbEventBase,
                                     &errorBase))
        return false;
    m_deviceId = xkb_x11_get_core_keyboard_device_id(c);
    m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (m_deviceId < 0 || !m_context)
        return false;

    // Keymap changes and the modifier state of the core keyboard.
    constexpr quint16 kStateParts = XCB_XKB_STATE_PART_MODIFIER_STATE | XCB_XKB_STATE_PART_MODIFIER_BASE |
                                    XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK |
                                    XCB_XKB_STATE_PART_GROUP_STATE | XCB_XKB_STATE_PART_GROUP_BASE |
                                    XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
    constexpr quint16 kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                  XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                  XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                  XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kStateParts;
    details.stateDetails = kStateParts;
    const auto selected =
        xcb_xkb_select_events_aux_checked(c, xcb_xkb_device_spec_t(m_deviceId),
                                          XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                              XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY,
                                          0, 0, kMapParts, kMapParts, &details);
    if (XcbReply<xcb_generic_error_t> error{xcb_request_check(c, selected)})
        return false;

    // A held key then repeats as press, press, …, release, not as press-release pairs.
    constexpr quint32 kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    XcbReply<xcb_xkb_per_client_flags_reply_t> perClient(xcb_xkb_per_client_flags_reply(
        c, xcb_xkb_per_client_flags(c, xcb_xkb_device_spec_t(m_deviceId), kDetectable, kDetectable, 0, 0, 0),
        nullptr));
    m_detectableRepeat = perClient && (perClient->value & kDetectable);
    if (!m_detectableRepeat)
        qWarning("Tilewick: the X server cannot flag repeated keys; a held hotkey may act more than once");

    XcbReply<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(c, xcb_xkb_get_state(c, xcb_xkb_device_spec_t(m_deviceId)), nullptr));
    if (state) {
        m_flags = m_map.flagsFromState(state->mods);
        m_group = state->group;
    }

    // Raw key events tell the Globe stand-in's presses from anywhere without taking them away.
    const auto* xi = xcb_get_extension_data(c, &xcb_input_id);
    if (xi && xi->present) {
        XcbReply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
        if (version && version->major_version >= 2) {
            m_xiOpcode = xi->major_opcode;
            struct {
                xcb_input_event_mask_t head;
                quint32 bits;
            } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                   XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
            xcb_input_xi_select_events(c, m_x->root(), 1, &mask.head);
        }
    }
    if (!m_xiOpcode)
        qWarning("Tilewick: the X server has no XInput 2; the Globe key is not available");
    // Without XTest a Globe stand-in tapped alone could not be typed again, so it is never grabbed.
    const auto* xtest = xcb_get_extension_data(c, &xcb_test_id);
    m_hasXTest = xtest && xtest->present;

    m_eventHandler = m_x->addEventHandler([this](const xcb_generic_event_t* event) { handleEvent(event); });
    connect(m_x.get(), &X11Connection::rootPropertiesChanged, this, [this](const QList<quint32>& atoms) {
        if (atoms.contains(m_x->ewmh()->_NET_ACTIVE_WINDOW))
            readActiveWindow();
        // A new window manager may hold a modifier key of the chords: looked at on the next poll.
        if (atoms.contains(m_x->ewmh()->_NET_SUPPORTING_WM_CHECK))
            m_pollsSinceModifierLook = kModifierLookPolls;
        // A new keyboard model may make the keyboard ISO or not.
        if (atoms.contains(m_x->atoms().xkbRulesNames))
            scheduleRebuild();
    });
    rebuildKeyMap();
    if (m_map.isEmpty())
        return false;
    readActiveWindow();

    // On Qt's xcb platform a key event's native scan code is its X keycode.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QCoreApplication::instance()->installEventFilter(this);
        m_filterInstalled = true;
    }
    m_x->flush();
    m_x->repliesTaken();
    return true;
}

void X11EventTap::scheduleRebuild() {
    if (m_rebuildPosted)
        return;
    m_rebuildPosted = true;
    QMetaObject::invokeMethod(this, &X11EventTap::rebuildKeyMap, Qt::QueuedConnection);
}

void X11EventTap::rebuildKeyMap() {
    m_rebuildPosted = false;
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(m_context, m_x->xcb(), m_deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    m_x->repliesTaken();
    if (!keymap) {
        qWarning("Tilewick: cannot read the keyboard mapping; keeping the previous one");
        return;
    }
    xkb_state_unref(m_plainState);
    xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_plainState = xkb_state_new(keymap);

    QList<X11KeyMap::Key> keys;
    xkb_keymap_key_for_each(
        keymap,
        [](xkb_keymap* map, xkb_keycode_t keycode, void* data) {
            const char* name = xkb_keymap_key_get_name(map, keycode);
            if (name && keycode <= 255)
                static_cast<QList<X11KeyMap::Key>*>(data)->append({quint8(keycode), QByteArray(name)});
        },
        &keys);
    const QByteArray globeName = qEnvironmentVariableIsEmpty(kGlobeKeyVariable)
                                     ? QByteArray(kDefaultGlobeKey)
                                     : qgetenv(kGlobeKeyVariable).trimmed();
    const xkb_keycode_t globe = xkb_keymap_key_by_name(keymap, globeName.constData());
    const quint8 globeKeycode = globe == XKB_KEYCODE_INVALID || globe > 255 ? 0 : quint8(globe);
    // Held keys stay held (keycodes name physical keys), unless Globe moved to another key.
    if (globeKeycode != m_globeKeycode)
        m_globeDown = false;
    m_globeKeycode = globeKeycode;
    m_map = X11KeyMap(keys, m_keyboard && m_keyboard->isISO(), m_globeKeycode, readModifierMap());
    updateGrabs();
}

X11KeyMap::Modifiers X11EventTap::readModifierMap() {
    xcb_connection_t* c = m_x->xcb();
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    m_x->repliesTaken();
    if (!mapping)
        return {};
    // Every keysym of each modifier's keys, on every level of the first layout.
    std::array<QList<quint32>, 8> keysyms;
    const int perModifier = mapping->keycodes_per_modifier;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < perModifier; ++k) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + k];
            if (keycode == 0)
                continue;
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(m_keymap, keycode, 0);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                const int count = xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, level, &syms);
                for (int i = 0; i < count; ++i)
                    keysyms[size_t(modifier)].append(syms[i]);
            }
        }
    }
    return X11KeyMap::Modifiers::fromModifierMap(keysyms);
}

// --- Taps, chords and grabs ---

KeyboardTapRef X11EventTap::create(Callback callback) {
    if (!callback || !m_x->isUsable())
        return nullptr;
    auto tap = std::make_shared<X11Tap>(this, std::move(callback));
    m_taps.push_back(tap);
    updateGrabs();
    return tap;
}

void X11EventTap::setWantedChords(const QList<KeyChord>& chords) {
    m_wanted = chords;
    updateGrabs();
}

LocalKeyMonitorRef X11EventTap::addKeyDownMonitor(Handler handler) {
    auto monitor = std::make_shared<X11KeyMonitor>(std::move(handler), false);
    m_monitors.push_back(monitor);
    return monitor;
}

LocalKeyMonitorRef X11EventTap::addKeyMonitor(Handler handler) {
    auto monitor = std::make_shared<X11KeyMonitor>(std::move(handler), true);
    m_monitors.push_back(monitor);
    return monitor;
}

std::vector<std::shared_ptr<X11Tap>> X11EventTap::liveTaps() const {
    auto taps = liveReferences(m_taps);
    std::erase_if(taps, [](const std::shared_ptr<X11Tap>& tap) { return tap->invalidated; });
    return taps;
}

bool X11EventTap::anyEnabledTap() const {
    const auto taps = liveTaps();
    return std::any_of(taps.begin(), taps.end(), [](const auto& tap) { return tap->isEnabled(); });
}

void X11EventTap::releaseGrab(const Grab& grab) {
    xcb_connection_t* c = m_x->xcb();
    xcb_ungrab_key(c, grab.keycode, m_x->root(), grab.modifiers);
    if (m_xiOpcode) {
        const quint32 xiMods = xiModifiers(grab.modifiers);
        xcb_input_xi_passive_ungrab_device(c, m_x->root(), grab.keycode, xcb_input_device_id_t(m_deviceId), 1,
                                           XCB_INPUT_GRAB_TYPE_KEYCODE, &xiMods);
    }
}

// One attempt at the grabs: the requests went out together, and their answers are read when the
// attempt is finished.
struct X11EventTap::GrabAttempt {
    struct Wanted {
        Grab grab;
        std::optional<KeyChord> chord;
        quint16 locks;
    };
    struct Pending {
        std::size_t want; // in `desired`
        bool probe;
        GrabRequest request;
    };
    struct Probe {
        qsizetype entry; // in `looked`
        quint8 keycode;
        quint16 locks;
        GrabRequest request;
    };
    // Whether the chords were asked for (else only the modifier keys are looked at).
    bool chords = false;
    // A poll's look, whose answers are in no hurry.
    bool look = false;
    std::vector<Wanted> desired;
    std::vector<Pending> pending;
    std::vector<Grab> kept;
    Grab globe{};
    bool wantGlobe = false;
    QList<quint16> lockVariants;
    QList<TakenModifier> looked;
    std::vector<Probe> probes;
};

void X11EventTap::updateGrabs(bool look) {
    if (m_holdingGrabs) {
        m_heldUpdate = m_heldUpdate.value_or(false) || look;
        return;
    }
    finishGrabAttempt();
    xcb_connection_t* c = m_x->xcb();
    const xcb_window_t root = m_x->root();
    const quint16 xiDevice = m_xiOpcode ? quint16(m_deviceId) : 0;
    auto attempt = std::make_unique<GrabAttempt>();
    attempt->chords = true;
    attempt->look = look;
    auto& desired = attempt->desired;

    // Each chord on every key that reports its key code, with each combination of the lock keys;
    // and the Globe stand-in, with whatever modifiers are held, while there are chords to hold it
    // for (no chord: the Globe stand-in).
    const bool grabbing = anyEnabledTap() && m_x->isUsable();
    if (grabbing) {
        const QList<quint16> lockVariants = m_map.lockVariants();
        for (const KeyChord& chord : std::as_const(m_wanted)) {
            const quint16 modifiers = m_map.stateFromFlags(chord.modifiers);
            for (quint8 keycode : m_map.toX(chord.keyCode))
                for (quint16 locks : lockVariants)
                    desired.push_back({{keycode, quint16(modifiers | locks)}, chord, locks});
        }
    }
    attempt->globe = Grab{m_globeKeycode, XCB_MOD_MASK_ANY};
    attempt->wantGlobe = attempt->globe.keycode != 0 && m_xiOpcode && m_hasXTest && !desired.empty();
    if (attempt->wantGlobe)
        desired.push_back({attempt->globe, std::nullopt, 0});

    const auto isDesired = [&desired](const Grab& grab) {
        return std::any_of(desired.begin(), desired.end(),
                           [&](const GrabAttempt::Wanted& d) { return d.grab == grab; });
    };
    auto& kept = attempt->kept;
    for (const Grab& grab : m_grabs) {
        if (isDesired(grab))
            kept.push_back(grab);
        else
            releaseGrab(grab);
    }
    m_letGo.keepOnly([&](quint64 key) {
        return std::any_of(desired.begin(), desired.end(),
                           [&](const GrabAttempt::Wanted& d) { return d.grab.key() == key; });
    });

    // A grab another client held is only looked at, and let go of at once, until it was found free
    // at enough looks in a row; the last look takes it. A look holds the server meanwhile, so no
    // other client's request comes between a grab and its release: a window manager grabbing its
    // keys again at that moment gets them. All requests go out before the first answer is awaited.
    auto& pending = attempt->pending;
    if (look)
        xcb_grab_server(c);
    for (std::size_t i = 0; i < desired.size(); ++i) {
        const GrabAttempt::Wanted& want = desired[i];
        const bool held = std::find(kept.begin(), kept.end(), want.grab) != kept.end() ||
                          std::any_of(pending.begin(), pending.end(), [&](const GrabAttempt::Pending& p) {
                              return desired[p.want].grab == want.grab;
                          });
        const quint64 key = want.grab.key();
        if (held || (m_letGo.watches(key) && !look))
            continue;
        const bool probe = m_letGo.watches(key) && !m_letGo.lastLookDue(key);
        pending.push_back({i, probe, requestGrab(c, root, xiDevice, want.grab.keycode, want.grab.modifiers)});
        if (probe)
            releaseGrab(want.grab);
    }
    if (look)
        xcb_ungrab_server(c);
    // The modifier keys are looked at after the grabs, in the same go.
    askAboutModifierKeys(*attempt);
    settle(std::move(attempt));
}

void X11EventTap::holdGrabs() {
    m_holdingGrabs = true;
}

void X11EventTap::sendHeldGrabs() {
    if (!std::exchange(m_holdingGrabs, false))
        return;
    const std::optional<bool> update = std::exchange(m_heldUpdate, std::nullopt);
    if (!update)
        return;
    // Made now, as an attempt whose answers are read once all of them are in, never waited for.
    m_sendingHeld = true;
    updateGrabs(*update);
    m_sendingHeld = false;
    if (!m_attempt || !m_attemptHeld)
        return;
    // A request of no consequence after them tells when; the answers are looked for on a turn of
    // their own, so the caller goes on knowing what it knew before, however fast they come.
    m_lastHeldAnswer = xcb_get_input_focus(m_x->xcb()).sequence;
    m_x->flush();
    QTimer::singleShot(0, this, &X11EventTap::readHeldAnswersOnceIn);
}

void X11EventTap::readHeldAnswersOnceIn() {
    if (!m_attemptHeld || !m_lastHeldAnswer)
        return;
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(m_x->xcb(), *m_lastHeldAnswer, &reply, &error)) {
        QTimer::singleShot(1, this, &X11EventTap::readHeldAnswersOnceIn);
        return;
    }
    std::free(reply);
    std::free(error);
    m_lastHeldAnswer.reset();
    finishGrabAttempt();
}

void X11EventTap::settle(std::unique_ptr<GrabAttempt> attempt) {
    m_attempt = std::move(attempt);
    m_attemptHeld = m_sendingHeld;
    if (!m_attemptHeld)
        finishGrabAttempt();
}

void X11EventTap::finishGrabAttempt() {
    if (!m_attempt)
        return;
    const std::unique_ptr<GrabAttempt> attempt = std::move(m_attempt);
    const bool held = std::exchange(m_attemptHeld, false);
    if (const auto last = std::exchange(m_lastHeldAnswer, std::nullopt))
        xcb_discard_reply(m_x->xcb(), *last);
    // A look comes with every poll while something is taken, and every 30 s otherwise: its
    // answers are taken in together once all are in, rather than waking for each as it comes.
    if (attempt->look && !held && (!attempt->pending.empty() || !attempt->probes.empty()))
        m_x->awaitAnswersInOneGo();
    xcb_connection_t* c = m_x->xcb();
    if (attempt->chords) {
        const auto& desired = attempt->desired;
        auto& kept = attempt->kept;
        for (const GrabAttempt::Pending& p : attempt->pending) {
            const Grab& grab = desired[p.want].grab;
            const quint64 key = grab.key();
            if (!grabHolds(c, p.request)) {
                // The half that held, if any, goes too: the chord is the other client's.
                if (!p.probe)
                    releaseGrab(grab);
                m_letGo.held(key);
            } else if (p.probe) {
                m_letGo.free(key);
            } else {
                m_letGo.forget(key);
                kept.push_back(grab);
            }
        }
        m_x->flush();
        m_x->repliesTaken();
        m_grabs = std::move(kept);

        QList<Taken> taken;
        for (const GrabAttempt::Wanted& want : desired) {
            if (!want.chord || !m_letGo.watches(want.grab.key()))
                continue;
            auto it = std::find_if(taken.begin(), taken.end(),
                                   [&](const Taken& t) { return t.chord == *want.chord; });
            if (it == taken.end())
                it = taken.insert(taken.end(), Taken{*want.chord, {}, false});
            if (!it->locks.contains(want.locks))
                it->locks.append(want.locks);
        }
        // Taken only partly when some grab of the chord holds.
        for (Taken& t : taken) {
            t.partly = std::any_of(desired.begin(), desired.end(), [&](const GrabAttempt::Wanted& d) {
                return d.chord == t.chord &&
                       std::find(m_grabs.begin(), m_grabs.end(), d.grab) != m_grabs.end();
            });
            std::sort(t.locks.begin(), t.locks.end());
        }
        reportTaken(taken, attempt->wantGlobe && m_letGo.watches(attempt->globe.key()));
    }

    QList<TakenModifier>& looked = attempt->looked;
    if (!attempt->probes.empty()) {
        for (const GrabAttempt::Probe& p : attempt->probes) {
            if (grabHolds(c, p.request))
                continue;
            TakenModifier& t = looked[p.entry];
            if (!t.keycodes.contains(p.keycode))
                t.keycodes.append(p.keycode);
            if (!t.locks.contains(p.locks))
                t.locks.append(p.locks);
        }
        m_x->flush();
        m_x->repliesTaken();
    }
    QList<TakenModifier> taken;
    for (TakenModifier& t : looked) {
        if (t.keycodes.isEmpty())
            continue;
        std::sort(t.keycodes.begin(), t.keycodes.end());
        std::sort(t.locks.begin(), t.locks.end());
        t.partly = t.locks.size() < attempt->lockVariants.size();
        taken.append(t);
    }
    reportTakenModifiers(taken);
    // Nobody waited for these answers: whoever asked hears of them now.
    if (held && m_answersHandler)
        m_answersHandler();
}

void X11EventTap::lookAtModifierKeys() {
    if (m_holdingGrabs) {
        m_heldUpdate = true;
        return;
    }
    finishGrabAttempt();
    auto attempt = std::make_unique<GrabAttempt>();
    attempt->look = true;
    askAboutModifierKeys(*attempt);
    settle(std::move(attempt));
}

void X11EventTap::askAboutModifierKeys(GrabAttempt& attempt) {
    m_pollsSinceModifierLook = 0;
    xcb_connection_t* c = m_x->xcb();
    const quint16 xiDevice = m_xiOpcode ? quint16(m_deviceId) : 0;
    QList<TakenModifier>& looked = attempt.looked;
    std::vector<GrabAttempt::Probe>& probes = attempt.probes;
    attempt.lockVariants = m_map.lockVariants();
    if (anyEnabledTap() && m_x->isUsable()) {
        for (const KeyChord& chord : std::as_const(m_wanted)) {
            for (quint64 flag : {kControlFlag, kOptionFlag, kShiftFlag, kCommandFlag}) {
                const TakenModifier entry{flag, chord.modifiers & ~flag, {}, {}, false};
                const bool seen = std::any_of(looked.cbegin(), looked.cend(), [&](const TakenModifier& t) {
                    return t.modifier == entry.modifier && t.others == entry.others;
                });
                if (!(chord.modifiers & flag) || seen)
                    continue;
                looked.append(entry);
                for (quint16 key = kRightCommandKeyCode; key <= kRightControlKeyCode; ++key) {
                    if (modifierKeyFlag(key) != flag)
                        continue;
                    // The Globe stand-in (when it sits on a modifier key) is ours.
                    for (quint8 keycode : m_map.toX(key))
                        if (keycode != m_globeKeycode)
                            for (quint16 locks : attempt.lockVariants)
                                probes.push_back({looked.size() - 1, keycode, locks, {}});
                }
            }
        }
    }
    if (!probes.empty()) {
        xcb_grab_server(c);
        for (GrabAttempt::Probe& p : probes) {
            const Grab grab{p.keycode, quint16(m_map.stateFromFlags(looked[p.entry].others) | p.locks)};
            p.request = requestGrab(c, m_x->root(), xiDevice, grab.keycode, grab.modifiers);
            releaseGrab(grab);
        }
        xcb_ungrab_server(c);
    }
}

void X11EventTap::reportTakenModifiers(const QList<TakenModifier>& taken) {
    const auto same = [](const TakenModifier& a, const TakenModifier& b) {
        return a.modifier == b.modifier && a.others == b.others;
    };
    // "hotkeys pressed with it after Alt"
    const auto hotkeys = [](const TakenModifier& t) {
        const QStringList others = modifierNames(t.others);
        if (others.isEmpty())
            return QStringLiteral("hotkeys pressed with it");
        QString after = others.last();
        if (others.size() > 1)
            after = QStringList(others.mid(0, others.size() - 1)).join(QLatin1String(", ")) +
                    QLatin1String(" and ") + after;
        return QStringLiteral("hotkeys pressed with it after %1").arg(after);
    };
    for (const TakenModifier& t : taken) {
        const auto before = std::find_if(m_takenModifiers.cbegin(), m_takenModifiers.cend(),
                                         [&](const TakenModifier& o) { return same(o, t); });
        if (before != m_takenModifiers.cend() && *before == t)
            continue;
        QStringList keys;
        for (quint8 keycode : t.keycodes)
            keys.append(describeKey(keycode));
        const QString key = QStringLiteral("the %1 key (%2)")
                                .arg(modifierNames(t.modifier).join(u'+'), keys.join(QLatin1String(", ")));
        if (!t.partly) {
            qWarning("Tilewick: %s is taken by another program; %s do not reach Tilewick", qPrintable(key),
                     qPrintable(hotkeys(t)));
            continue;
        }
        QStringList locks;
        for (quint16 variant : t.locks)
            locks.append(m_map.describeLocks(variant));
        qWarning("Tilewick: %s is taken by another program while %s is on; %s then do not reach Tilewick",
                 qPrintable(key), qPrintable(locks.join(QLatin1String(" or "))), qPrintable(hotkeys(t)));
    }
    for (const TakenModifier& t : std::as_const(m_takenModifiers)) {
        const bool stillTaken =
            std::any_of(taken.cbegin(), taken.cend(), [&](const TakenModifier& o) { return same(o, t); });
        const bool stillWanted = std::any_of(m_wanted.cbegin(), m_wanted.cend(), [&](const KeyChord& chord) {
            return chord.modifiers == (t.modifier | t.others);
        });
        if (!stillTaken && stillWanted && anyEnabledTap())
            qWarning("Tilewick: the %s key is free again; %s work",
                     qPrintable(modifierNames(t.modifier).join(u'+')), qPrintable(hotkeys(t)));
    }
    m_takenModifiers = taken;
}

void X11EventTap::reportTaken(const QList<Taken>& taken, bool globeRefused) {
    // Each change is said once: a chord taken, taken for other lock keys, or won back.
    for (const Taken& t : taken) {
        const auto before = std::find_if(m_taken.cbegin(), m_taken.cend(),
                                         [&](const Taken& o) { return o.chord == t.chord; });
        if (before != m_taken.cend() && *before == t)
            continue;
        if (!t.partly) {
            qWarning("Tilewick: %s is taken by another program; that hotkey works once the other program "
                     "lets go of it",
                     qPrintable(describe(t.chord)));
            continue;
        }
        QStringList locks;
        for (quint16 variant : t.locks)
            locks.append(m_map.describeLocks(variant));
        qWarning("Tilewick: %s is taken by another program while %s is on; with other lock keys that "
                 "hotkey works",
                 qPrintable(describe(t.chord)), qPrintable(locks.join(QLatin1String(" or "))));
    }
    for (const Taken& t : std::as_const(m_taken)) {
        const bool stillTaken =
            std::any_of(taken.cbegin(), taken.cend(), [&](const Taken& o) { return o.chord == t.chord; });
        if (!stillTaken && m_wanted.contains(t.chord) && anyEnabledTap())
            qWarning("Tilewick: %s is free again; that hotkey works", qPrintable(describe(t.chord)));
    }
    m_taken = taken;
    if (globeRefused && !m_globeRefused)
        qWarning("Tilewick: another program holds the Globe key (%s); it reaches that program even when "
                 "held for a hotkey",
                 qPrintable(describeKey(m_globeKeycode)));
    m_globeRefused = globeRefused;
}

QList<TakenChord> X11EventTap::takenChords() const {
    // The answers of the last attempt, read now if they have not been yet; a held attempt's come
    // on their own turn.
    if (!m_attemptHeld)
        const_cast<X11EventTap*>(this)->finishGrabAttempt();
    QList<TakenChord> chords;
    for (const Taken& t : m_taken)
        chords.append({t.chord, t.partly});
    return chords;
}

QList<TakenModifierKey> X11EventTap::takenModifierKeys() const {
    if (!m_attemptHeld)
        const_cast<X11EventTap*>(this)->finishGrabAttempt();
    QList<TakenModifierKey> keys;
    for (const TakenModifier& t : m_takenModifiers)
        keys.append({t.modifier, t.partly});
    return keys;
}

void X11EventTap::retakeChords() {
    // No chord to ask the server for while every grab holds. A look at the modifier keys holds the
    // server and costs a round trip, so while none is taken it waits for a new window manager or
    // for a slow turn: another client's new grab is not to be seen otherwise.
    finishGrabAttempt();
    ++m_pollsSinceModifierLook;
    if (!m_taken.isEmpty() || m_globeRefused)
        updateGrabs(true);
    else if (!m_takenModifiers.isEmpty() || m_pollsSinceModifierLook >= kModifierLookPolls)
        lookAtModifierKeys();
}

QString X11EventTap::describe(const KeyChord& chord) const {
    QStringList parts = modifierNames(chord.modifiers);
    const auto keycodes = m_map.toX(chord.keyCode);
    parts.append(keycodes.isEmpty() ? QStringLiteral("key code %1").arg(chord.keyCode)
                                    : describeKey(keycodes.first()));
    return parts.join(u'+');
}

QString X11EventTap::describeKey(quint8 keycode) const {
    const xkb_keysym_t* syms = nullptr;
    if (m_keymap && xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &syms) > 0) {
        char name[64];
        if (xkb_keysym_get_name(syms[0], name, sizeof name) > 0)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("keycode %1").arg(keycode);
}

// --- State ---

quint64 X11EventTap::currentModifierFlags() const {
    xcb_connection_t* c = m_x->xcb();
    XcbReply<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(c, xcb_xkb_get_state(c, xcb_xkb_device_spec_t(m_deviceId)), nullptr));
    m_x->repliesTaken();
    return (state ? m_map.flagsFromState(state->mods) : m_flags) | globeFlag();
}

void X11EventTap::readActiveWindow() {
    const auto* ewmh = m_x->ewmh();
    m_activeChangesRead = m_x->rootPropertyChangesTaken(ewmh->_NET_ACTIVE_WINDOW);
    const auto active = m_x->property(m_x->root(), ewmh->_NET_ACTIVE_WINDOW);
    const quint32 window = active ? active->value().value_or(0) : 0;
    m_ownActive = window != XCB_WINDOW_NONE && m_x->pidOf(window) == qint32(getpid());
}

QString X11EventTap::unmodifiedText(quint8 keycode) {
    if (!m_plainState)
        return {};
    xkb_state_update_mask(m_plainState, 0, 0, 0, 0, 0, m_group);
    char text[16];
    const int length = xkb_state_key_get_utf8(m_plainState, keycode, text, sizeof text);
    return length > 0 ? QString::fromUtf8(text, std::min(length, int(sizeof text) - 1)) : QString();
}

// --- Events ---

EventVerdict X11EventTap::offerToTaps(const KeyEvent& event) const {
    for (const auto& tap : liveTaps())
        if (tap->isEnabled() && tap->callback(event) == EventVerdict::Swallow)
            return EventVerdict::Swallow;
    return EventVerdict::Pass;
}

EventVerdict X11EventTap::offerToMonitors(const KeyEvent& event) const {
    for (const auto& monitor : liveReferences(m_monitors)) {
        if (event.type != KeyEvent::Type::KeyDown && !monitor->everyType)
            continue;
        if (monitor->handler(event) == EventVerdict::Swallow)
            return EventVerdict::Swallow;
    }
    return EventVerdict::Pass;
}

void X11EventTap::offerFlagsChange(const KeyEvent& event) {
    offerToTaps(event);
    // Our own windows see modifier changes while we are in front.
    if (m_ownActive)
        offerToMonitors(event);
}

void X11EventTap::handleEvent(const xcb_generic_event_t* event) {
    const quint8 type = event->response_type & 0x7f;
    // Whose keys these are follows the active window as the events taken in tell it: a change in
    // the same batch as the keys is otherwise announced only after them (a click on another
    // window just before Alt+Super, while this program was busy, left the floating keyboard
    // unshown).
    if ((type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE || (m_xkbEventBase && type == m_xkbEventBase)) &&
        m_x->rootPropertyChangesTaken(m_x->ewmh()->_NET_ACTIVE_WINDOW) != m_activeChangesRead)
        readActiveWindow();
    switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        // Only grabs bring keys here: nothing else of ours listens on the root window. Each one
        // has frozen the keyboard until it is answered.
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != m_x->root())
            return;
        const bool globeTapped = type == XCB_KEY_RELEASE && key->detail == m_globeKeycode && m_globeAlone;
        xcb_allow_events(m_x->xcb(), answerGrabbedKey(type == XCB_KEY_PRESS, key->detail, key->state),
                         XCB_CURRENT_TIME);
        if (globeTapped)
            retypeGlobe();
        m_x->flush();
        // A hotkey's move must not wait for the event loop's next turn, behind paints and the
        // other sources: what the taps queued runs once this batch of events is handed out. The
        // grab is answered first, so the keyboard never waits for that work.
        if (std::exchange(m_swallowedPress, false) && m_runtime)
            m_x->afterEvents([runtime = m_runtime] { runtime->runQueuedNow(); });
        return;
    }
    case XCB_MAPPING_NOTIFY:
        if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER)
            scheduleRebuild();
        return;
    case XCB_GE_GENERIC: {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (!m_xiOpcode || generic->extension != m_xiOpcode)
            return;
        if (generic->event_type == XCB_INPUT_RAW_KEY_PRESS ||
            generic->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
            const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
            handleRawKey(generic->event_type == XCB_INPUT_RAW_KEY_PRESS, raw->detail,
                         raw->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT);
        }
        return;
    }
    default:
        if (m_xkbEventBase && type == m_xkbEventBase)
            handleXkbEvent(event);
        return;
    }
}

quint8 X11EventTap::answerGrabbedKey(bool press, quint8 keycode, quint16 state) {
    // Kept: the next key of the grab comes here frozen as well, so it can still be replayed.
    constexpr quint8 kKeep = XCB_ALLOW_SYNC_KEYBOARD;
    const bool wasDown = m_down.test(keycode);
    m_down.set(keycode, press);
    const auto replay = [this] {
        // The grab ends: the keys held go on to the focused window, their releases with them.
        m_down.reset();
        return quint8(XCB_ALLOW_REPLAY_KEYBOARD);
    };

    if (keycode == m_globeKeycode && m_globeKeycode != 0) {
        if (press && !wasDown && m_globeRetypes > 0) {
            --m_globeRetypes;
            return replay();
        }
        if (press && !wasDown)
            m_globeAlone = true;
        else if (!press)
            m_globeAlone = false;
        // While a grab of ours is active its raw events do not come to us.
        setGlobeDown(press);
        return kKeep;
    }
    if (press)
        m_globeAlone = false;
    // Keys of our own windows come through Qt, to the taps and then to the local monitors.
    if (m_ownActive && m_filterInstalled)
        return replay();
    const auto code = m_map.toVirtual(keycode);
    if (!code)
        return replay();
    // Modifier keys pressed while a grab is active report as modifier changes through XKB.
    if (isModifierKey(*code))
        return kKeep;
    const quint64 flags = m_map.flagsFromState(state) | globeFlag();
    KeyEvent event = press ? KeyEvent::keyDown(*code, flags, wasDown) : KeyEvent::keyUp(*code, flags);
    event.unmodifiedCharacters = unmodifiedText(keycode);
    if (offerToTaps(event) != EventVerdict::Swallow)
        return replay();
    m_swallowedPress = press;
    return kKeep;
}

void X11EventTap::retypeGlobe() {
    // Its press comes back through the grab, to be replayed; its raw events are no presses of the
    // user's.
    ++m_globeRetypes;
    m_globeEchoes += 2;
    xcb_connection_t* c = m_x->xcb();
    xcb_test_fake_input(c, XCB_KEY_PRESS, m_globeKeycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_KEY_RELEASE, m_globeKeycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void X11EventTap::handleXkbEvent(const xcb_generic_event_t* event) {
    const auto* header = reinterpret_cast<const XkbEventHeader*>(event);
    if (header->deviceID != m_deviceId)
        return;
    switch (header->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        if (reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event)->changed &
            XCB_XKB_NKN_DETAIL_KEYCODES)
            scheduleRebuild();
        return;
    case XCB_XKB_MAP_NOTIFY:
        scheduleRebuild();
        return;
    case XCB_XKB_STATE_NOTIFY: {
        const auto* state = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
        m_group = state->group;
        const quint64 flags = m_map.flagsFromState(state->mods);
        if (flags == m_flags)
            return;
        const auto key = X11KeyMap::modifierKeyForChange(m_map.toVirtual(state->keycode), m_flags, flags);
        m_flags = flags;
        if (key)
            offerFlagsChange(KeyEvent::flagsChanged(*key, flags | globeFlag()));
        return;
    }
    default:
        return;
    }
}

void X11EventTap::handleRawKey(bool press, quint32 keycode, bool repeat) {
    if (m_globeKeycode == 0 || keycode != m_globeKeycode || repeat)
        return;
    if (m_globeEchoes > 0) {
        --m_globeEchoes;
        return;
    }
    setGlobeDown(press);
}

void X11EventTap::setGlobeDown(bool down) {
    if (down == m_globeDown)
        return;
    m_globeDown = down;
    offerFlagsChange(KeyEvent::flagsChanged(kFnKeyCode, m_flags | globeFlag()));
}

bool X11EventTap::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return handleQtKey(event);
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool X11EventTap::handleQtKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool down = event->type() != QEvent::KeyRelease;
    const quint32 scanCode = key->nativeScanCode();
    // A repeat that Qt reports as a release and a press again has its one release later.
    if ((!down && key->isAutoRepeat()) || scanCode == 0 || scanCode > 255)
        return false;

    // Qt offers one key event to the window, the focused widget and its parents, after offering
    // it to the shortcuts: the first offer decides for all.
    QtKeyVerdict& last = down ? m_lastDown : m_lastUp;
    const bool seen = last.type != 0 && last.timestamp == key->timestamp() && last.scanCode == scanCode &&
                      last.autoRepeat == key->isAutoRepeat();
    if (!seen) {
        EventVerdict verdict = EventVerdict::Pass;
        const auto code = m_map.toVirtual(quint8(scanCode));
        if (code && !isModifierKey(*code)) {
            const quint64 flags = m_map.flagsFromState(key->nativeModifiers()) | globeFlag();
            KeyEvent keyEvent =
                down ? KeyEvent::keyDown(*code, flags, key->isAutoRepeat()) : KeyEvent::keyUp(*code, flags);
            keyEvent.unmodifiedCharacters = unmodifiedText(quint8(scanCode));
            verdict = offerToTaps(keyEvent);
            if (verdict == EventVerdict::Pass)
                verdict = offerToMonitors(keyEvent);
        }
        last = {int(event->type()), key->timestamp(), scanCode, key->isAutoRepeat(),
                verdict == EventVerdict::Swallow};
    }
    // A swallowed key overrides any shortcut, so that its key press comes (and is swallowed).
    if (last.swallow && event->type() == QEvent::ShortcutOverride)
        event->accept();
    return last.swallow;
}

} // namespace platform::x11
