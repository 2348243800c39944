#include "X11KeyMap.h"

#include <QHash>
#include <QStringList>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace platform::x11 {

namespace {

constexpr quint16 kGraveKeyCode = 50;
constexpr quint16 kSectionKeyCode = 10;

// Key name → key code, for every key whose code does not depend on the keyboard type.
const QHash<QByteArray, quint16>& keyTable() {
    static const QHash<QByteArray, quint16> table = [] {
        QHash<QByteArray, quint16> t;
        const auto row = [&t](const char* prefix, std::initializer_list<quint16> codes) {
            int column = 1;
            for (quint16 code : codes)
                t.insert(QByteArray(prefix) + QByteArray::number(column++).rightJustified(2, '0'), code);
        };
        // 1 2 3 4 5 6 7 8 9 0 - =, Q … ], A … ', Z … /
        row("AE", {18, 19, 20, 21, 23, 22, 26, 28, 25, 29, 27, 24});
        row("AD", {12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33, 30});
        row("AC", {0, 1, 2, 3, 5, 4, 38, 40, 37, 41, 39});
        row("AB", {6, 7, 8, 9, 11, 45, 46, 43, 47, 44});
        // F1 … F20
        row("FK",
            {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90});
        const std::pair<const char*, quint16> named[] = {
            {"BKSL", 42},
            {"AC12", 42}, // the ISO key left of Return shares the backslash position
            {"AE13", 93}, // JIS yen
            {"AB11", 94}, // JIS underscore
            {"RTRN", 36},
            {"TAB", 48},
            {"SPCE", 49},
            {"BKSP", 51},
            {"ESC", 53},
            {"DELE", 117},
            {"INS", 114},
            {"HELP", 114}, // Insert sits where Help does
            {"HOME", 115},
            {"END", 119},
            {"PGUP", 116},
            {"PGDN", 121},
            {"LEFT", 123},
            {"RGHT", 124},
            {"DOWN", 125},
            {"UP", 126},
            // Print, Scroll Lock and Pause stand where F13, F14 and F15 do.
            {"PRSC", 105},
            {"SCLK", 107},
            {"PAUS", 113},
            {"KP0", 82},
            {"KP1", 83},
            {"KP2", 84},
            {"KP3", 85},
            {"KP4", 86},
            {"KP5", 87},
            {"KP6", 88},
            {"KP7", 89},
            {"KP8", 91},
            {"KP9", 92},
            {"KPDL", 65},
            {"KPMU", 67},
            {"KPAD", 69},
            {"KPDV", 75},
            {"KPEN", 76},
            {"KPSU", 78},
            {"KPEQ", 81},
            {"NMLK", 71}, // Num Lock sits where keypad Clear does
            {"JPCM", 95}, // JIS keypad comma
            {"MUHE", 102},
            {"HENK", 104}, // JIS Eisu and Kana, beside the space bar
            {"VOL+", 72},
            {"VOL-", 73},
            {"MUTE", 74},
            {"LFSH", kShiftKeyCode},
            {"RTSH", kRightShiftKeyCode},
            {"LCTL", kControlKeyCode},
            {"RCTL", kRightControlKeyCode},
            {"LALT", kOptionKeyCode},
            {"RALT", kRightOptionKeyCode},
            {"LWIN", kCommandKeyCode},
            {"RWIN", kRightCommandKeyCode},
            {"LMTA", kCommandKeyCode},
            {"RMTA", kRightCommandKeyCode},
            {"CAPS", kCapsLockKeyCode},
        };
        for (const auto& [name, code] : named)
            t.insert(name, code);
        return t;
    }();
    return table;
}

} // namespace

std::optional<quint16> X11KeyMap::virtualKeyCode(QByteArrayView xkbName, bool iso) {
    if (xkbName == "TLDE")
        return iso ? kSectionKeyCode : kGraveKeyCode;
    if (xkbName == "LSGT")
        return iso ? kGraveKeyCode : kSectionKeyCode;
    const auto& table = keyTable();
    const auto it = table.constFind(xkbName.toByteArray());
    return it == table.cend() ? std::nullopt : std::optional(it.value());
}

X11KeyMap::Modifiers X11KeyMap::Modifiers::fromModifierMap(const std::array<QList<quint32>, 8>& keysyms) {
    // The modifiers (Mod1 … Mod5 for Alt and Super, any for the locks) carrying one of `syms`.
    const auto carrying = [&keysyms](std::initializer_list<quint32> syms, int first) {
        quint16 mask = 0;
        for (int i = first; i < 8; ++i)
            for (quint32 sym : syms)
                if (keysyms[size_t(i)].contains(sym))
                    mask |= quint16(1 << i);
        return mask;
    };
    constexpr int kMod1 = 3;
    Modifiers m;
    m.alt = carrying({XKB_KEY_Alt_L, XKB_KEY_Alt_R}, kMod1);
    if (!m.alt)
        m.alt = carrying({XKB_KEY_Meta_L, XKB_KEY_Meta_R}, kMod1);
    if (!m.alt)
        m.alt = kMod1Mask;
    m.super = carrying({XKB_KEY_Super_L, XKB_KEY_Super_R}, kMod1) & ~m.alt;
    if (!m.super)
        m.super = kMod4Mask & ~m.alt;
    const quint16 notLocks = quint16(kShiftMask | kControlMask | m.alt | m.super);
    m.capsLock = (kLockMask | carrying({XKB_KEY_Caps_Lock, XKB_KEY_Shift_Lock}, 0)) & ~notLocks;
    m.numLock = carrying({XKB_KEY_Num_Lock}, 0) & ~notLocks;
    m.scrollLock = carrying({XKB_KEY_Scroll_Lock}, 0) & ~notLocks & ~m.numLock;
    m.numLock &= ~m.capsLock;
    return m;
}

quint64 X11KeyMap::flagsFromState(quint32 state) const {
    const std::pair<quint16, quint64> modifiers[] = {{kShiftMask, kShiftFlag},
                                                     {kLockMask, kCapsLockFlag},
                                                     {kControlMask, kControlFlag},
                                                     {m_modifiers.alt, kOptionFlag},
                                                     {m_modifiers.super, kCommandFlag}};
    quint64 flags = 0;
    for (const auto& [mask, flag] : modifiers)
        if (state & mask)
            flags |= flag;
    return flags;
}

quint16 X11KeyMap::stateFromFlags(quint64 flags) const {
    // The lowest modifier of Alt or Super: the one their keys set.
    const auto lowest = [](quint16 mask) { return quint16(mask & -mask); };
    const std::pair<quint64, quint16> modifiers[] = {{kShiftFlag, kShiftMask},
                                                     {kControlFlag, kControlMask},
                                                     {kOptionFlag, lowest(m_modifiers.alt)},
                                                     {kCommandFlag, lowest(m_modifiers.super)}};
    quint16 state = 0;
    for (const auto& [flag, mask] : modifiers)
        if (flags & flag)
            state |= mask;
    return state;
}

QList<quint16> X11KeyMap::lockVariants() const {
    // Every subset of the lock bits, counted up through them.
    const quint16 locks = m_modifiers.locks();
    QList<quint16> variants;
    quint16 subset = 0;
    do {
        variants.append(subset);
        subset = quint16((subset - locks) & locks);
    } while (subset != 0);
    return variants;
}

QString X11KeyMap::describeLocks(quint16 locks) const {
    QStringList names;
    const std::pair<quint16, const char*> keys[] = {{m_modifiers.capsLock, "Caps Lock"},
                                                    {m_modifiers.numLock, "Num Lock"},
                                                    {m_modifiers.scrollLock, "Scroll Lock"}};
    for (const auto& [mask, name] : keys)
        if (locks & mask)
            names.append(QLatin1String(name));
    return names.isEmpty() ? QStringLiteral("no lock key") : names.join(u'+');
}

std::optional<quint16> X11KeyMap::modifierKeyForChange(std::optional<quint16> key, quint64 before,
                                                       quint64 after) {
    const quint64 changed = before ^ after;
    if (key && isModifierKey(*key) && *key != kFnKeyCode)
        return key;
    for (quint64 flag : {kCapsLockFlag, kShiftFlag, kControlFlag, kOptionFlag, kCommandFlag})
        if (changed & flag)
            return leftModifierKey(flag);
    return std::nullopt;
}

X11KeyMap::X11KeyMap(const QList<Key>& keys, bool iso, quint8 globeKeycode, const Modifiers& modifiers)
    : X11KeyMap() {
    m_modifiers = modifiers;
    for (const Key& key : keys) {
        const auto code = key.keycode == globeKeycode && globeKeycode != 0 ? std::optional(kFnKeyCode)
                                                                           : virtualKeyCode(key.name, iso);
        if (code) {
            m_codes[key.keycode] = *code;
            ++m_count;
        }
    }
}

X11KeyMap::X11KeyMap(const QList<Key>& keys, bool iso, quint8 globeKeycode)
    : X11KeyMap(keys, iso, globeKeycode, Modifiers{}) {}

std::optional<quint16> X11KeyMap::toVirtual(quint8 keycode) const {
    const quint16 code = m_codes[keycode];
    return code == kNoCode ? std::nullopt : std::optional(code);
}

QList<quint8> X11KeyMap::toX(quint16 keyCode) const {
    QList<quint8> keycodes;
    for (int k = 0; k < int(m_codes.size()); ++k)
        if (m_codes[size_t(k)] == keyCode)
            keycodes.append(quint8(k));
    return keycodes;
}

} // namespace platform::x11
