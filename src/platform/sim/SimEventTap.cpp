#include "SimEventTap.h"

#include "platform/WeakRefs.h"

#include <algorithm>

namespace platform::sim {

class SimTap final : public KeyboardTap {
public:
    explicit SimTap(EventTap::Callback callback) : callback(std::move(callback)) {}
    void setEnabled(bool on) override { enabled = on && !invalidated; }
    bool isEnabled() const override { return enabled; }
    void invalidate() override {
        invalidated = true;
        enabled = false;
    }

    EventTap::Callback callback;
    bool enabled = true;
    bool invalidated = false;
};

class SimMonitor final : public LocalKeyMonitor {
public:
    SimMonitor(LocalKeyMonitors::Handler handler, bool everyType)
        : handler(std::move(handler)), everyType(everyType) {}
    LocalKeyMonitors::Handler handler;
    // Key-ups and modifier changes too, not only key-downs.
    bool everyType;
};

SimEventTap::SimEventTap() = default;
SimEventTap::~SimEventTap() = default;

KeyboardTapRef SimEventTap::create(Callback callback) {
    if (m_creationFails || !callback)
        return nullptr;
    auto tap = std::make_shared<SimTap>(std::move(callback));
    m_taps.push_back(tap);
    ++m_tapsCreated;
    return tap;
}

namespace {

quint64 watchKey(const KeyChord& chord) {
    return quint64(chord.keyCode) << 32 | chord.modifiers;
}

} // namespace

void SimEventTap::setWantedChords(const QList<KeyChord>& chords) {
    m_wanted = chords;
    // Chords no longer wanted are let go of; those newly wanted are grabbed now, first come first
    // served; those taken stay so until their holder lets go of them for good.
    m_taken.removeIf([&](const TakenChord& t) { return !m_wanted.contains(t.chord); });
    m_letGo.keepOnly([&](quint64 key) {
        return std::any_of(m_taken.cbegin(), m_taken.cend(),
                           [&](const TakenChord& t) { return watchKey(t.chord) == key; });
    });
    for (const TakenChord& held : std::as_const(m_heldElsewhere)) {
        const bool taken = std::any_of(m_taken.cbegin(), m_taken.cend(),
                                       [&](const TakenChord& t) { return t.chord == held.chord; });
        if (m_wanted.contains(held.chord) && !taken) {
            m_taken.append(held);
            m_letGo.held(watchKey(held.chord));
        }
    }
}

void SimEventTap::retakeChords() {
    QList<TakenChord> taken;
    for (const TakenChord& t : std::as_const(m_taken)) {
        const auto held = std::find_if(m_heldElsewhere.cbegin(), m_heldElsewhere.cend(),
                                       [&](const TakenChord& h) { return h.chord == t.chord; });
        if (held != m_heldElsewhere.cend()) {
            m_letGo.held(watchKey(t.chord));
            taken.append(*held);
        } else if (!m_letGo.free(watchKey(t.chord))) {
            taken.append(t);
        }
    }
    m_taken = taken;
}

bool SimEventTap::takeElsewhere(const KeyChord& chord, bool partly) {
    const bool ours =
        m_wanted.contains(chord) &&
        std::none_of(m_taken.cbegin(), m_taken.cend(), [&](const TakenChord& t) { return t.chord == chord; });
    if (ours)
        return false;
    letGo(chord);
    m_heldElsewhere.append({chord, partly});
    return true;
}

void SimEventTap::letGo(const KeyChord& chord) {
    m_heldElsewhere.removeIf([&](const TakenChord& held) { return held.chord == chord; });
}

LocalKeyMonitorRef SimEventTap::addKeyDownMonitor(Handler handler) {
    auto monitor = std::make_shared<SimMonitor>(std::move(handler), false);
    m_monitors.push_back(monitor);
    return monitor;
}

LocalKeyMonitorRef SimEventTap::addKeyMonitor(Handler handler) {
    auto monitor = std::make_shared<SimMonitor>(std::move(handler), true);
    m_monitors.push_back(monitor);
    return monitor;
}

std::vector<std::shared_ptr<SimTap>> SimEventTap::liveTaps() const {
    auto result = liveReferences(m_taps);
    std::erase_if(result, [](const std::shared_ptr<SimTap>& tap) { return tap->invalidated; });
    return result;
}

bool SimEventTap::hasTap() const {
    return !liveTaps().empty();
}

bool SimEventTap::tapEnabled() const {
    const auto taps = liveTaps();
    return std::any_of(taps.begin(), taps.end(), [](const auto& tap) { return tap->enabled; });
}

int SimEventTap::monitorCount() const {
    return int(liveReferences(m_monitors).size());
}

bool SimEventTap::tapSees(const KeyEvent& event) {
    if (!m_grabsOnly || m_applicationActive || event.type == KeyEvent::Type::FlagsChanged)
        return true;
    if (event.type == KeyEvent::Type::KeyUp)
        return m_grabbedKeys.remove(event.keyCode);
    // While Globe is held its grab takes the whole keyboard.
    const KeyChord chord{event.keyCode, event.flags & kChordFlags};
    if (!m_wanted.contains(chord) && !(event.flags & kFunctionFlag))
        return false;
    if (m_taken.contains(TakenChord{chord, false}))
        return false;
    m_grabbedKeys.insert(event.keyCode);
    return true;
}

std::optional<SimEventTap::Destination> SimEventTap::offerToTaps(const KeyEvent& event) {
    if (!tapSees(event))
        return std::nullopt;
    for (const auto& tap : liveTaps())
        if (tap->enabled && tap->callback(event) == EventVerdict::Swallow)
            return Destination::Swallowed;
    return std::nullopt;
}

void SimEventTap::inject(const KeyEvent& event) {
    auto destination = offerToTaps(event);
    if (!destination && m_applicationActive) {
        for (const auto& monitor : liveReferences(m_monitors)) {
            if (event.type != KeyEvent::Type::KeyDown && !monitor->everyType)
                continue;
            // Modifier changes cannot be swallowed.
            if (monitor->handler(event) == EventVerdict::Swallow &&
                event.type != KeyEvent::Type::FlagsChanged) {
                destination = Destination::LocalMonitor;
                break;
            }
        }
    }
    if (!destination)
        destination = m_applicationActive ? Destination::OwnWindow : Destination::FrontApplication;
    m_deliveries.append({event, *destination});
}

void SimEventTap::press(quint16 keyCode, quint64 flags, const QString& characters) {
    KeyEvent down = KeyEvent::keyDown(keyCode, flags);
    down.unmodifiedCharacters = characters;
    inject(down);
    KeyEvent up = KeyEvent::keyUp(keyCode, flags);
    up.unmodifiedCharacters = characters;
    inject(up);
}

void SimEventTap::hold(quint16 keyCode, quint64 flags, int repeats) {
    inject(KeyEvent::keyDown(keyCode, flags));
    for (int i = 0; i < repeats; ++i)
        inject(KeyEvent::keyDown(keyCode, flags, true));
    inject(KeyEvent::keyUp(keyCode, flags));
}

void SimEventTap::changeFlags(quint16 keyCode, quint64 flags) {
    m_flags = flags;
    inject(KeyEvent::flagsChanged(keyCode, flags));
}

void SimEventTap::disableTaps(KeyEvent::Type reason, bool notify) {
    for (const auto& tap : liveTaps()) {
        tap->enabled = false;
        if (notify)
            tap->callback(KeyEvent{reason, 0, m_flags, false, {}});
    }
}

QList<KeyEvent> SimEventTap::keysTo(Destination destination) const {
    QList<KeyEvent> events;
    for (const auto& delivery : m_deliveries)
        if (delivery.destination == destination &&
            (delivery.event.type == KeyEvent::Type::KeyDown || delivery.event.type == KeyEvent::Type::KeyUp))
            events.append(delivery.event);
    return events;
}

} // namespace platform::sim
