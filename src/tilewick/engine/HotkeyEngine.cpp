#include "HotkeyEngine.h"

#include "betakit/BetaLog.h"

#include <algorithm>

namespace tilewick {

using platform::EventVerdict;
using platform::KeyEvent;

namespace {

constexpr quint16 kHelpKeyCode = 114;

} // namespace

HotkeyEngine::HotkeyEngine(std::shared_ptr<platform::Runtime> runtime,
                           std::shared_ptr<platform::EventTap> eventTap)
    : m_runtime(std::move(runtime)), m_eventTap(std::move(eventTap)),
      m_client(std::make_shared<ClientLink>()) {
    // Answers that come after the call that asked for them (the launch's grabs) are noted then.
    if (m_eventTap)
        m_eventTap->setAnswersHandler([this] { noteTakenChords(); });
}

HotkeyEngine::~HotkeyEngine() {
    if (m_eventTap)
        m_eventTap->setAnswersHandler(nullptr);
    stop();
    setClient(nullptr);
}

HotkeyEngine::Client::~Client() {
    if (auto link = m_link.lock())
        link->client = nullptr;
}

void HotkeyEngine::setClient(Client* client) {
    if (m_client->client)
        m_client->client->m_link.reset();
    if (client) {
        if (auto previous = client->m_link.lock())
            previous->client = nullptr;
    }
    // A fresh link, so calls queued for the previous client are dropped.
    m_client = std::make_shared<ClientLink>(ClientLink{client});
    if (client)
        client->m_link = m_client;
}

const QHash<quint16, quint16>& HotkeyEngine::fnTable() {
    static const QHash<quint16, quint16> table = {
        {115, 123}, // Home → Left Arrow
        {119, 124}, // End → Right Arrow
        {116, 126}, // Page Up → Up Arrow
        {121, 125}, // Page Down → Down Arrow
        {117, 51},  // Forward Delete → Delete
        {76, 36},   // keypad Enter → Return
    };
    return table;
}

const QHash<quint16, quint16>& HotkeyEngine::inverseFnTable() {
    static const QHash<quint16, quint16> table = [] {
        QHash<quint16, quint16> inverse;
        for (auto it = fnTable().cbegin(); it != fnTable().cend(); ++it)
            inverse.insert(it.value(), it.key());
        return inverse;
    }();
    return table;
}

const QSet<quint16>& HotkeyEngine::fnNativeKeys() {
    static const QSet<quint16> keys = [] {
        QSet<quint16> set;
        for (auto it = fnTable().cbegin(); it != fnTable().cend(); ++it) {
            set.insert(it.key());
            set.insert(it.value());
        }
        for (auto it = Hotkey::functionKeyLabels().cbegin(); it != Hotkey::functionKeyLabels().cend(); ++it)
            set.insert(it.key());
        set.insert(kHelpKeyCode);
        return set;
    }();
    return keys;
}

std::optional<quint16> HotkeyEngine::fnCounterpart(quint16 keyCode) {
    if (auto it = fnTable().constFind(keyCode); it != fnTable().cend())
        return it.value();
    if (auto it = inverseFnTable().constFind(keyCode); it != inverseFnTable().cend())
        return it.value();
    return std::nullopt;
}

void HotkeyEngine::update(const ChordTable& table) {
    QHash<quint64, SnapAction> lookup;
    lookup.reserve(table.size());
    for (const auto& [chord, action] : table)
        if (!lookup.contains(chord))
            lookup.insert(chord, action);
    m_lookup = std::move(lookup);
    if (m_eventTap) {
        m_eventTap->setWantedChords(wantedChords());
        noteTakenChords();
    }
}

void HotkeyEngine::retakeChords() {
    if (!m_eventTap)
        return;
    m_eventTap->retakeChords();
    noteTakenChords();
}

void HotkeyEngine::noteTakenChords() {
    const QList<platform::TakenChord> taken = m_eventTap->takenChords();
    for (const auto& t : taken) {
        if (m_taken.contains(t))
            continue;
        if (const auto found = action(chordKey(t.chord.keyCode, t.chord.modifiers)))
            betakit::BetaLog::event("hotkey.taken",
                                    {{"layout", betakit::BetaValue::fromCase(*found)}, {"partly", t.partly}});
    }
    m_taken = taken;
    const QList<platform::TakenModifierKey> keys = m_eventTap->takenModifierKeys();
    for (const auto& key : keys)
        if (!m_takenModifiers.contains(key))
            betakit::BetaLog::event(
                "hotkey.taken", {{"modifier", betakit::BetaValue::name(Hotkey::modifierName(key.modifier))},
                                 {"partly", key.partly}});
    m_takenModifiers = keys;
}

std::optional<SnapAction> HotkeyEngine::action(quint64 chordKey) const {
    auto it = m_lookup.constFind(chordKey);
    return it == m_lookup.cend() ? std::nullopt : std::optional(it.value());
}

QList<platform::KeyChord> HotkeyEngine::wantedChords() const {
    QList<quint64> chords = m_lookup.keys();
    std::sort(chords.begin(), chords.end());
    QList<platform::KeyChord> wanted;
    for (quint64 c : chords) {
        const auto key = quint16(c >> 32);
        const quint64 modifiers = c & kHotkeyModifierMask;
        wanted.append({key, modifiers});
    }
    return wanted;
}

bool HotkeyEngine::start() {
    if (isTapEnabled())
        return true;
    stop();
    if (!m_eventTap)
        return false;
    auto tap = m_eventTap->create([this](const KeyEvent& event) { return handle(event); });
    if (!tap)
        return false;
    betakit::BetaLog::event("tap.started");
    m_tap = std::move(tap);
    m_tap->setEnabled(true);
    noteTakenChords();
    return true;
}

void HotkeyEngine::stop() {
    if (!m_tap)
        return;
    m_tap->setEnabled(false);
    m_tap->invalidate();
    m_tap.reset();
}

bool HotkeyEngine::isApplicationActive() const {
    return m_eventTap && m_eventTap->isApplicationActive();
}

EventVerdict HotkeyEngine::handle(const KeyEvent& event) {
    switch (event.type) {
    case KeyEvent::Type::TapDisabledByTimeout:
    case KeyEvent::Type::TapDisabledByUserInput:
        if (m_tap)
            m_tap->setEnabled(true);
        betakit::BetaLog::event("tap.reenabled",
                                {{"timeout", event.type == KeyEvent::Type::TapDisabledByTimeout}});
        return EventVerdict::Pass;
    case KeyEvent::Type::FlagsChanged:
        return handleFlagsChanged(event);
    case KeyEvent::Type::KeyUp:
        return handleKeyUp(event.keyCode);
    case KeyEvent::Type::KeyDown:
        return handleKeyDown(event);
    }
    return EventVerdict::Pass;
}

EventVerdict HotkeyEngine::handleFlagsChanged(const KeyEvent& event) {
    const bool fn = event.flags & kFunctionFlag;
    if (event.keyCode == platform::kGlobeKeyCode || event.keyCode == platform::kFnKeyCode)
        m_globeDown = fn;
    else if (!fn)
        m_globeDown = false;

    if (isApplicationActive())
        return EventVerdict::Pass;
    if (m_client->client && m_client->client->keyboardOverlay()) {
        m_runtime->async([link = std::weak_ptr(m_client), event] {
            if (auto l = link.lock(); l && l->client)
                l->client->flagsChanged(event);
        });
    }
    return EventVerdict::Pass;
}

EventVerdict HotkeyEngine::handleKeyUp(quint16 keyCode) {
    if (m_swallowed.test(keyCode)) {
        m_swallowed.reset(keyCode);
        return EventVerdict::Swallow;
    }
    if (auto counterpart = fnCounterpart(keyCode); counterpart && m_swallowed.test(*counterpart)) {
        m_swallowed.reset(*counterpart);
        return EventVerdict::Swallow;
    }
    return EventVerdict::Pass;
}

EventVerdict HotkeyEngine::passKeyDown(quint16 keyCode) {
    // A key-up left behind by a key-down whose key-up never came must not swallow this key's
    // key-up, nor that of its fn counterpart (the same physical key on compact keyboards).
    m_swallowed.reset(keyCode);
    if (auto counterpart = fnCounterpart(keyCode))
        m_swallowed.reset(*counterpart);
    return EventVerdict::Pass;
}

EventVerdict HotkeyEngine::handleKeyDown(const KeyEvent& event) {
    const quint16 key = event.keyCode;
    const bool globe = m_globeDown || ((event.flags & kFunctionFlag) && !fnNativeKeys().contains(key));
    const quint16 effectiveKey = globe ? fnTable().value(key, key) : key;

    if (m_recorder) {
        if (!isApplicationActive())
            return passKeyDown(key);
        if (!event.autoRepeat)
            m_runtime->async([recorder = m_recorder, event] { recorder(event); });
        m_swallowed.set(key);
        return EventVerdict::Swallow;
    }

    auto found = m_lookup.constFind(chordKey(effectiveKey, event.flags));
    if (found == m_lookup.cend())
        found = m_lookup.constFind(chordKey(key, event.flags));
    if (found == m_lookup.cend())
        return passKeyDown(key);

    m_swallowed.set(key);
    if (event.autoRepeat)
        return EventVerdict::Swallow;
    ++*m_performsQueued;
    m_runtime->async(
        [link = std::weak_ptr(m_client), queued = m_performsQueued, action = found.value(), globe] {
            --*queued;
            if (auto l = link.lock(); l && l->client)
                l->client->perform(action, globe);
        });
    return EventVerdict::Swallow;
}

} // namespace tilewick
