#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>

#include "platform/EventTap.h"

#include <array>
#include <optional>

namespace platform::x11 {

// The edge between X key events and the key codes and flags the program works with.
//
// Physical keys are matched by their XKB key names, which name a position on the keyboard
// whatever the layout: AC01 (the key right of Caps Lock) is A (0), LEFT is Left Arrow (123),
// FK05 is F5 (96). On an ISO keyboard the key left of 1 (TLDE) is the section key (10) and the
// key right of the left Shift (LSGT) the grave accent (50), as on the original ISO keyboards; on
// any other keyboard TLDE is the grave accent and LSGT the section key. One configurable key
// stands in for Globe/fn, which PC keyboards do not send: it reports key code 63.
//
// Modifiers: Shift, Lock (Caps Lock), Control, and the modifiers the server's modifier map puts
// Alt (Option) and Super (Command) on, usually Mod1 and Mod4. The lock keys (Caps Lock, Num Lock,
// Scroll Lock, wherever they sit) have no flag but Caps Lock's, and are grabbed in every
// combination.
//
// Pure and immutable once built; safe from any thread.
class X11KeyMap {
public:
    // One key of an X keymap: its X keycode (8…255) and XKB key name ("AC01").
    struct Key {
        quint8 keycode = 0;
        QByteArray name;
    };

    // X modifier masks.
    static constexpr quint16 kShiftMask = 1 << 0;
    static constexpr quint16 kLockMask = 1 << 1;
    static constexpr quint16 kControlMask = 1 << 2;
    static constexpr quint16 kMod1Mask = 1 << 3;
    static constexpr quint16 kMod2Mask = 1 << 4;
    static constexpr quint16 kMod3Mask = 1 << 5;
    static constexpr quint16 kMod4Mask = 1 << 6;
    static constexpr quint16 kMod5Mask = 1 << 7;

    // The key code of the key at the position `xkbName`; none for keys without one (and for the
    // Globe stand-in, which the map's owner chooses).
    static std::optional<quint16> virtualKeyCode(QByteArrayView xkbName, bool iso);

    // Which X modifiers Alt, Super and the lock keys sit on.
    struct Modifiers {
        quint16 alt = kMod1Mask;
        quint16 super = kMod4Mask;
        quint16 capsLock = kLockMask;
        quint16 numLock = kMod2Mask;
        quint16 scrollLock = 0;

        quint16 locks() const { return capsLock | numLock | scrollLock; }
        // From the keysyms of the keys on each modifier (Shift, Lock, Control, Mod1 … Mod5):
        // Alt_L/Alt_R (else Meta_L/Meta_R, else Mod1) are Alt; Super_L/Super_R (else Mod4) Super;
        // Caps_Lock/Shift_Lock (and always Lock), Num_Lock and Scroll_Lock the locks. A lock on
        // Shift, Control, Alt or Super is no lock.
        static Modifiers fromModifierMap(const std::array<QList<quint32>, 8>& keysyms);
        friend bool operator==(const Modifiers&, const Modifiers&) = default;
    };

    // The flags of an X modifier state (the `state` of a key event, the modifiers of an XKB state).
    quint64 flagsFromState(quint32 state) const;
    // The X modifiers of a chord's flags; flags outside the chord flags are ignored.
    quint16 stateFromFlags(quint64 flags) const;
    // Every combination of the lock modifiers, none first: a grab is repeated for each, so a
    // chord works whichever locks are on.
    QList<quint16> lockVariants() const;
    // The lock keys of a combination, "Caps Lock+Num Lock"; "no lock key" for none.
    QString describeLocks(quint16 locks) const;
    const Modifiers& modifiers() const { return m_modifiers; }

    // The key code a modifier change is reported with: the key that made it when that is a
    // modifier key, else the left-hand key of the first flag that changed (Caps Lock, Shift,
    // Control, Option, Command in that order); none when no flag changed.
    static std::optional<quint16> modifierKeyForChange(std::optional<quint16> key, quint64 before,
                                                       quint64 after);

    X11KeyMap() { m_codes.fill(kNoCode); }
    // The map of a keymap's keys; `globeKeycode` (0: none) reports as the Globe key.
    X11KeyMap(const QList<Key>& keys, bool iso, quint8 globeKeycode, const Modifiers& modifiers);
    // … with Alt on Mod1, Super on Mod4 and the locks on Lock and Mod2.
    X11KeyMap(const QList<Key>& keys, bool iso, quint8 globeKeycode);

    std::optional<quint16> toVirtual(quint8 keycode) const;
    // Every X keycode that reports `keyCode` (several keys may share one).
    QList<quint8> toX(quint16 keyCode) const;
    bool isEmpty() const { return m_count == 0; }

private:
    static constexpr quint16 kNoCode = 0xFFFF;
    std::array<quint16, 256> m_codes{};
    int m_count = 0;
    Modifiers m_modifiers;
};

} // namespace platform::x11
