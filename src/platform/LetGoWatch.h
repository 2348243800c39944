#pragma once

#include <QHash>

namespace platform {

// Tells keys another program let go of for good from keys it lets go of for a moment.
//
// A window manager ungrabs its keys and grabs them again whenever the keymap or the modifier map
// changes (KWin's global shortcuts, at session start when the keyboard settings are applied),
// and some do so when the focus changes. A key taken in that moment is lost to the window manager
// for good, and whether the user's keys then snap or switch windows would depend on luck. So a
// key another program held is taken back only once it was found free at kFreeLooks looks in a
// row, one look per status poll (1.5 s apart); a look that finds it held starts the count again.
// Each key is a number of the caller's choosing.
class LetGoWatch {
public:
    static constexpr int kFreeLooks = 3;

    // Another program holds `key` now: it is watched, and its count starts again.
    void held(quint64 key) { m_freeLooks.insert(key, 0); }
    bool watches(quint64 key) const { return m_freeLooks.contains(key); }
    // Whether one more free look lets go of `key` for good: the look that takes it back.
    bool lastLookDue(quint64 key) const { return m_freeLooks.value(key) + 1 >= kFreeLooks; }
    // `key` was free at this look. True when that makes kFreeLooks in a row: it is no longer
    // watched and may be taken.
    bool free(quint64 key) {
        auto it = m_freeLooks.find(key);
        if (it == m_freeLooks.end() || ++it.value() < kFreeLooks)
            return false;
        m_freeLooks.erase(it);
        return true;
    }
    void forget(quint64 key) { m_freeLooks.remove(key); }
    // Forgets every key `keep` says no to.
    template <typename Keep> void keepOnly(Keep keep) {
        m_freeLooks.removeIf([&](const auto& entry) { return !keep(entry.key()); });
    }

private:
    QHash<quint64, int> m_freeLooks;
};

} // namespace platform
