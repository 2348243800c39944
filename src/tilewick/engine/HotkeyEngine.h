#pragma once

#include "platform/EventTap.h"
#include "platform/Runtime.h"
#include "tilewick/model/Hotkey.h"
#include "tilewick/model/SnapAction.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <atomic>
#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tilewick {

// Turns keystrokes anywhere on the desktop into layout actions.
//
// The engine owns the keyboard event tap and the chord table. It recognises the bound chords
// whichever application is in front, swallows their key-downs and key-ups so the front
// application never sees them, and hands the action to its client on the main queue. It also
// tracks the Globe (fn) key, which turns a layout key into its multi-window variant, forwards
// modifier changes for the floating keyboard while another application is active, and gives
// key-downs to a recorder while a hotkey is being recorded.
//
// Main thread only: the tap calls back on the main thread, and everything the callback triggers
// is queued on the main queue, so the callback returns at once.
class HotkeyEngine final {
    struct ClientLink;

public:
    // What the engine calls; the store implements it. Calls arrive on the main queue, never
    // inside the tap's callback, except keyboardOverlay(), which must be cheap.
    //
    // A client is attached to at most one engine, and leaves it when destroyed: calls queued for
    // it then go nowhere, and the tap's callback no longer asks it anything.
    class Client {
    public:
        virtual ~Client();
        virtual void perform(SnapAction action, bool globe) = 0;
        // A modifier change while another application is active and the floating keyboard is on.
        virtual void flagsChanged(const platform::KeyEvent& event) = 0;
        virtual bool keyboardOverlay() const = 0;

    protected:
        Client() = default;
        Client(const Client&) = delete;
        Client& operator=(const Client&) = delete;

    private:
        friend class HotkeyEngine;
        std::weak_ptr<ClientLink> m_link;
    };

    // One chord the engine acts on: a key with exactly its chord modifiers (see chordKey()).
    struct ChordBinding {
        quint64 chord = 0;
        SnapAction action{};
        friend bool operator==(const ChordBinding&, const ChordBinding&) = default;
    };
    // The chords in priority order: for a chord listed twice, the first row wins.
    using ChordTable = QList<ChordBinding>;
    // Takes the key-downs typed in this application while a hotkey is being recorded.
    using Recorder = std::function<void(const platform::KeyEvent&)>;

    // `eventTap` may be null (no tap service): the engine then never has a tap.
    HotkeyEngine(std::shared_ptr<platform::Runtime> runtime, std::shared_ptr<platform::EventTap> eventTap);
    ~HotkeyEngine();
    HotkeyEngine(const HotkeyEngine&) = delete;
    HotkeyEngine& operator=(const HotkeyEngine&) = delete;

    // Attaches `client` (null: none), detaching the previous one and taking `client` from any
    // other engine. Calls already queued for a client that left go nowhere.
    void setClient(Client* client);

    // Replaces the chord table; the first row met for a chord wins. Tells the tap service which
    // chords to deliver.
    void update(const ChordTable& table);
    // Makes sure an enabled tap exists: true when one already does or a new one was made
    // (logged "tap.started"); false when the tap cannot be made.
    bool start();
    // Removes the tap.
    void stop();
    // Asks the tap service again for the chords other programs held (each status poll), so a
    // chord works once they let go of it for good. A chord or a modifier key of the chords newly
    // taken is logged "hotkey.taken".
    void retakeChords();
    bool hasTap() const { return m_tap != nullptr; }
    bool isTapEnabled() const { return m_tap && m_tap->isEnabled(); }

    // While a recorder is set, key-downs in this application go to it (never auto-repeats), are
    // swallowed with their key-ups, and trigger nothing; in other applications keys pass.
    void setRecorder(Recorder recorder) { m_recorder = std::move(recorder); }
    void clearRecorder() { m_recorder = nullptr; }
    bool hasRecorder() const { return bool(m_recorder); }

    bool globeDown() const { return m_globeDown; }
    // Whether a hotkey's action is on its way to the client: matched by the tap's callback and
    // queued on the main queue, not delivered yet. What would hold up its move (a repaint of
    // our own windows) can wait for it. Callable from any thread.
    bool isPerformQueued() const { return *m_performsQueued > 0; }
    std::optional<SnapAction> action(quint64 chord) const;
    // The chords the tap must deliver: those of the table, and no more. Not the fn counterparts
    // (Home for Left): a tap that grabs keys takes what it grabs from the front application, and
    // while Globe is held every key reaches it anyway.
    QList<platform::KeyChord> wantedChords() const;

    // The tap's callback: what to do with one event.
    platform::EventVerdict handle(const platform::KeyEvent& event);

    // Key → the key it is matched as while Globe counts (Home → Left Arrow ...), 6 entries.
    static const QHash<quint16, quint16>& fnTable();
    // The same pairs reversed.
    static const QHash<quint16, quint16>& inverseFnTable();
    // Keys whose events carry the fn flag by themselves, so the flag alone does not mean Globe.
    static const QSet<quint16>& fnNativeKeys();
    // The key's entry in the fn table, else in the inverse table: Left for Home, Home for Left.
    static std::optional<quint16> fnCounterpart(quint16 keyCode);

private:
    // Shared with the calls queued on the main queue, which hold it weakly.
    struct ClientLink {
        Client* client = nullptr;
    };

    platform::EventVerdict handleFlagsChanged(const platform::KeyEvent& event);
    platform::EventVerdict handleKeyDown(const platform::KeyEvent& event);
    platform::EventVerdict handleKeyUp(quint16 keyCode);
    // A key-down that reaches the application leaves no key-up to swallow.
    platform::EventVerdict passKeyDown(quint16 keyCode);
    bool isApplicationActive() const;
    void noteTakenChords();

    std::shared_ptr<platform::Runtime> m_runtime;
    std::shared_ptr<platform::EventTap> m_eventTap;
    std::shared_ptr<ClientLink> m_client;
    // Actions queued and not delivered yet; shared with the queued calls, which may outlive
    // the engine.
    std::shared_ptr<std::atomic<int>> m_performsQueued = std::make_shared<std::atomic<int>>(0);
    platform::KeyboardTapRef m_tap;
    QHash<quint64, SnapAction> m_lookup;
    // Key codes whose key-down was swallowed and whose key-up must be swallowed too.
    std::bitset<65536> m_swallowed;
    Recorder m_recorder;
    bool m_globeDown = false;
    // The chords other programs held at the last look, each logged once.
    QList<platform::TakenChord> m_taken;
    QList<platform::TakenModifierKey> m_takenModifiers;
};

} // namespace tilewick
