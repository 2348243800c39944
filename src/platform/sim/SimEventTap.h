#pragma once

#include "platform/EventTap.h"
#include "platform/LetGoWatch.h"

#include <QList>
#include <QSet>

#include <memory>
#include <optional>
#include <vector>

namespace platform::sim {

class SimTap;
class SimMonitor;

// A simulated keyboard for tests, behind EventTap and LocalKeyMonitors.
//
// Tests type on it with inject() (or press(), hold(), changeFlags()); each event goes where the
// system would send it: first to every live, enabled tap in creation order (the first that swallows
// it keeps it); otherwise, while this application is active, to the local monitors and then to its
// own windows, and while another application is active, to that application. Every event's
// destination is recorded.
//
// With grabsOnly set it behaves like an X11 backend: while another application is active, a tap
// sees only the key-downs of wanted chords (lock keys aside), every key-down while Globe is held
// (the fn flag), and the key-ups of those keys; every modifier change and every key of this
// application still reaches it. A key the taps pass goes on to the application, as X11 replays it.
//
// Main thread only.
class SimEventTap final : public EventTap, public LocalKeyMonitors {
public:
    enum class Destination { Swallowed, LocalMonitor, OwnWindow, FrontApplication };
    struct Delivery {
        KeyEvent event;
        Destination destination;
    };

    SimEventTap();
    ~SimEventTap() override;

    // --- EventTap and LocalKeyMonitors ---
    KeyboardTapRef create(Callback callback) override;
    void setWantedChords(const QList<KeyChord>& chords) override;
    quint64 currentModifierFlags() const override { return m_flags; }
    bool isApplicationActive() const override { return m_applicationActive; }
    LocalKeyMonitorRef addKeyDownMonitor(Handler handler) override;
    LocalKeyMonitorRef addKeyMonitor(Handler handler) override;
    QList<TakenChord> takenChords() const override { return m_taken; }
    QList<TakenModifierKey> takenModifierKeys() const override { return m_takenModifiers; }
    void retakeChords() override;
    void setAnswersHandler(std::function<void()> handler) override { m_answersHandler = std::move(handler); }

    // --- Typing ---
    void inject(const KeyEvent& event);
    // A key-down and its key-up with `flags` held; `characters` is what the key types unmodified.
    void press(quint16 keyCode, quint64 flags = 0, const QString& characters = {});
    // A key-down, `repeats` auto-repeated key-downs, then the key-up.
    void hold(quint16 keyCode, quint64 flags, int repeats);
    // A modifier key (`keyCode`) went down or up, leaving `flags` held; the current flags follow.
    void changeFlags(quint16 keyCode, quint64 flags);
    // The held flags change without any event reaching anyone (an event that was missed).
    void setCurrentModifierFlags(quint64 flags) { m_flags = flags; }

    // --- Scripting the system ---
    void setApplicationActive(bool active) { m_applicationActive = active; }
    // While set, create() fails.
    void setCreationFails(bool fails) { m_creationFails = fails; }
    // The system switches every live tap off for `reason` (TapDisabledByTimeout or
    // TapDisabledByUserInput); with `notify`, each tap's callback hears it.
    void disableTaps(KeyEvent::Type reason, bool notify = true);
    void setGrabsOnly(bool grabsOnly) { m_grabsOnly = grabsOnly; }
    // Another program grabs `chord` (`partly`: only with some lock keys on) and holds it until it
    // lets go. As on X, it cannot take a chord this program holds (wanted and not taken): false.
    // A newly wanted chord is taken elsewhere at once; one taken is taken back on retakeChords()
    // only once it was found free at LetGoWatch::kFreeLooks calls in a row. While wholly taken,
    // a grabsOnly tap does not see the chord.
    bool takeElsewhere(const KeyChord& chord, bool partly = false);
    void letGo(const KeyChord& chord);
    // The modifier keys other programs hold from now on.
    void setTakenModifierKeys(const QList<TakenModifierKey>& keys) { m_takenModifiers = keys; }
    // The same, found by a look whose answers came after the call that asked (the answers
    // handler hears of it).
    void answerTakenModifierKeysLater(const QList<TakenModifierKey>& keys) {
        m_takenModifiers = keys;
        if (m_answersHandler)
            m_answersHandler();
    }

    // --- Observing ---
    // A tap that is neither invalidated nor released exists.
    bool hasTap() const;
    // Such a tap exists and is enabled.
    bool tapEnabled() const;
    int tapsCreated() const { return m_tapsCreated; }
    int monitorCount() const;
    const QList<KeyChord>& wantedChords() const { return m_wanted; }

    const QList<Delivery>& deliveries() const { return m_deliveries; }
    // The key-downs and key-ups (modifier changes left out) that went to `destination`.
    QList<KeyEvent> keysTo(Destination destination) const;
    QList<KeyEvent> swallowed() const { return keysTo(Destination::Swallowed); }
    QList<KeyEvent> reachedFrontApplication() const { return keysTo(Destination::FrontApplication); }
    void clearDeliveries() { m_deliveries.clear(); }

private:
    std::vector<std::shared_ptr<SimTap>> liveTaps() const;
    std::function<void()> m_answersHandler;
    bool tapSees(const KeyEvent& event);
    std::optional<Destination> offerToTaps(const KeyEvent& event);

    // Released taps and monitors drop out when next walked.
    mutable std::vector<std::weak_ptr<SimTap>> m_taps;
    mutable std::vector<std::weak_ptr<SimMonitor>> m_monitors;
    QList<KeyChord> m_wanted;
    QList<TakenChord> m_heldElsewhere;
    QList<TakenChord> m_taken;
    QList<TakenModifierKey> m_takenModifiers;
    LetGoWatch m_letGo;          // the taken chords, by chord key
    QSet<quint16> m_grabbedKeys; // key-downs delivered through a grab, awaiting their key-ups
    QList<Delivery> m_deliveries;
    quint64 m_flags = 0;
    int m_tapsCreated = 0;
    bool m_applicationActive = false;
    bool m_creationFails = false;
    bool m_grabsOnly = false;
};

} // namespace platform::sim
