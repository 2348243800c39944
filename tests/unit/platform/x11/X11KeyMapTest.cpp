#include "platform/x11/X11KeyMap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <bit>

#include <optional>

namespace {

using platform::x11::X11KeyMap;

std::optional<quint16> code(const char* name, bool iso = false) {
    return X11KeyMap::virtualKeyCode(QByteArrayView(name), iso);
}

// The rows of letters, digits and punctuation, left to right, as the drawn keyboard has them.
TEST(X11KeyMap, CharacterRowsFollowTheKeyPositions) {
    const std::pair<const char*, std::vector<quint16>> rows[] = {
        {"AE", {18, 19, 20, 21, 23, 22, 26, 28, 25, 29, 27, 24}},
        {"AD", {12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33, 30}},
        {"AC", {0, 1, 2, 3, 5, 4, 38, 40, 37, 41, 39}},
        {"AB", {6, 7, 8, 9, 11, 45, 46, 43, 47, 44}},
    };
    for (const auto& [row, codes] : rows) {
        for (size_t i = 0; i < codes.size(); ++i) {
            const QByteArray name = QByteArray(row) + QByteArray::number(int(i) + 1).rightJustified(2, '0');
            EXPECT_EQ(code(name.constData()), codes[i]) << name.constData();
        }
    }
    // The key beside Return is the backslash, whether it is named for its row or its symbol.
    EXPECT_EQ(code("BKSL"), 42);
    EXPECT_EQ(code("AC12"), 42);
}

TEST(X11KeyMap, NamedKeysFunctionKeysAndTheKeypad) {
    const std::pair<const char*, quint16> named[] = {
        {"LEFT", 123}, {"RGHT", 124}, {"DOWN", 125}, {"UP", 126},  {"RTRN", 36},  {"KPEN", 76},
        {"TAB", 48},   {"SPCE", 49},  {"BKSP", 51},  {"ESC", 53},  {"DELE", 117}, {"HOME", 115},
        {"END", 119},  {"PGUP", 116}, {"PGDN", 121}, {"INS", 114}, {"KP5", 87},   {"KPEQ", 81},
    };
    for (const auto& [name, expected] : named)
        EXPECT_EQ(code(name), expected) << name;
    // F1 … F15 carry the codes the function-key labels are stored under.
    const quint16 functionKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113};
    for (int f = 1; f <= 15; ++f) {
        const QByteArray name = "FK" + QByteArray::number(f).rightJustified(2, '0');
        EXPECT_EQ(code(name.constData()), functionKeys[f - 1]) << name.constData();
    }
}

// On ISO keyboards the key left of 1 is the section key and the one beside the left Shift the
// grave accent; elsewhere the other way round.
TEST(X11KeyMap, IsoKeysDependOnTheKeyboardType) {
    EXPECT_EQ(code("TLDE", false), 50);
    EXPECT_EQ(code("LSGT", false), 10);
    EXPECT_EQ(code("TLDE", true), 10);
    EXPECT_EQ(code("LSGT", true), 50);
    EXPECT_EQ(code("AC01", true), 0) << "the rest does not change";
}

TEST(X11KeyMap, ModifierKeysAndKeysWithoutACode) {
    const std::pair<const char*, quint16> modifiers[] = {
        {"LFSH", 56}, {"RTSH", 60}, {"LCTL", 59}, {"RCTL", 62}, {"LALT", 58},
        {"RALT", 61}, {"LWIN", 55}, {"RWIN", 54}, {"CAPS", 57},
    };
    for (const auto& [name, expected] : modifiers) {
        EXPECT_EQ(code(name), expected) << name;
        EXPECT_TRUE(platform::isModifierKey(expected)) << name;
    }
    EXPECT_TRUE(platform::isModifierKey(platform::kFnKeyCode));
    for (quint16 other : {53, 64, 0, 123})
        EXPECT_FALSE(platform::isModifierKey(other)) << other;
    // The Globe stand-in is chosen by the map's owner, not by name.
    for (const char* none : {"COMP", "MENU", "I120", "", "left"})
        EXPECT_EQ(code(none), std::nullopt) << none;
}

TEST(X11KeyMap, StateBitsBecomeFlagsAndChordFlagsBecomeStateBits) {
    const X11KeyMap map;
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kShiftMask), 0x20000u);
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kLockMask), 0x10000u);
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kControlMask), 0x40000u);
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kMod1Mask), 0x80000u);
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kMod4Mask), 0x100000u);
    // NumLock (Mod2), Mod3, Mod5 and the pointer buttons have no flag.
    EXPECT_EQ(map.flagsFromState(X11KeyMap::kMod2Mask | 0x20 | 0x80 | 0x100 | 0x400), 0u);
    // Caps Lock and fn are never grabbed for.
    EXPECT_EQ(map.stateFromFlags(0x10000 | 0x800000 | 0x80000), X11KeyMap::kMod1Mask);
}

// Alt, Super and the lock keys sit where the modifier map puts them.
TEST(X11KeyMap, ModifiersFollowTheModifierMap) {
    using Mods = X11KeyMap::Modifiers;
    constexpr quint16 kLock = X11KeyMap::kLockMask, kMod1 = X11KeyMap::kMod1Mask,
                      kMod2 = X11KeyMap::kMod2Mask, kMod3 = X11KeyMap::kMod3Mask,
                      kMod4 = X11KeyMap::kMod4Mask, kMod5 = X11KeyMap::kMod5Mask;
    // Keysyms on Shift, Lock, Control, Mod1 … Mod5.
    using ModMap = std::array<QList<quint32>, 8>;
    const ModMap standard = {{{XKB_KEY_Shift_L, XKB_KEY_Shift_R},
                              {XKB_KEY_Caps_Lock},
                              {XKB_KEY_Control_L, XKB_KEY_Control_R},
                              {XKB_KEY_Alt_L, XKB_KEY_Alt_R, XKB_KEY_Meta_L},
                              {XKB_KEY_Num_Lock},
                              {},
                              {XKB_KEY_Super_L, XKB_KEY_Super_R, XKB_KEY_Hyper_L},
                              {XKB_KEY_ISO_Level3_Shift}}};
    const auto with = [&](std::initializer_list<std::pair<int, QList<quint32>>> changes) {
        ModMap m = standard;
        for (const auto& [modifier, syms] : changes)
            m[size_t(modifier)] = syms;
        return m;
    };
    constexpr int kMod1Index = 3;
    const struct {
        const char* name;
        ModMap map;
        Mods expected;
    } cases[] = {
        {"standard", standard, {kMod1, kMod4, kLock, kMod2, 0}},
        {"Scroll Lock on Mod3", with({{5, {XKB_KEY_Scroll_Lock}}}), {kMod1, kMod4, kLock, kMod2, kMod3}},
        {"Num Lock on Mod3", with({{4, {}}, {5, {XKB_KEY_Num_Lock}}}), {kMod1, kMod4, kLock, kMod3, 0}},
        {"Alt and Super swapped",
         with({{kMod1Index, {XKB_KEY_Super_L, XKB_KEY_Super_R}}, {6, {XKB_KEY_Alt_L, XKB_KEY_Alt_R}}}),
         {kMod4, kMod1, kLock, kMod2, 0}},
        {"Meta only, no Super",
         with({{kMod1Index, {XKB_KEY_Meta_L}}, {6, {}}}),
         {kMod1, kMod4, kLock, kMod2, 0}},
        {"Super on Mod3, Hyper on Mod4",
         with({{5, {XKB_KEY_Super_L}}, {6, {XKB_KEY_Hyper_L}}}),
         {kMod1, kMod3, kLock, kMod2, 0}},
        {"Caps Lock is Control", with({{1, {}}}), {kMod1, kMod4, kLock, kMod2, 0}},
        {"Num Lock with Super",
         with({{6, {XKB_KEY_Super_L, XKB_KEY_Num_Lock}}}),
         {kMod1, kMod4, kLock, kMod2, 0}},
        {"AltGr is Alt", with({{7, {XKB_KEY_Alt_R}}}), {kMod1 | kMod5, kMod4, kLock, kMod2, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Mods mods = Mods::fromModifierMap(c.map);
        EXPECT_EQ(mods.alt, c.expected.alt);
        EXPECT_EQ(mods.super, c.expected.super);
        EXPECT_EQ(mods.locks(), c.expected.locks());
        EXPECT_EQ(mods.scrollLock, c.expected.scrollLock);

        // Every chord of the four modifiers survives the way there and back, with any lock on.
        const X11KeyMap map({}, false, 0, mods);
        const QList<quint16> variants = map.lockVariants();
        EXPECT_EQ(variants.size(), 1 << std::popcount(unsigned(mods.locks())));
        for (quint64 bits = 0; bits < 16; ++bits) {
            const quint64 flags = bits << 17;
            for (quint16 locks : variants)
                EXPECT_EQ(map.flagsFromState(map.stateFromFlags(flags) | locks) & ~0x10000ull, flags)
                    << flags;
        }
    }
}

TEST(X11KeyMap, LockCombinationsAreNamed) {
    const X11KeyMap map({}, false, 0,
                        {X11KeyMap::kMod1Mask, X11KeyMap::kMod4Mask, X11KeyMap::kLockMask,
                         X11KeyMap::kMod2Mask, X11KeyMap::kMod3Mask});
    EXPECT_EQ(map.lockVariants(), (QList<quint16>{0, 0x2, 0x10, 0x12, 0x20, 0x22, 0x30, 0x32}));
    EXPECT_EQ(map.describeLocks(0), "no lock key");
    EXPECT_EQ(map.describeLocks(0x30), "Num Lock+Scroll Lock");
    EXPECT_EQ(map.describeLocks(0x22), "Caps Lock+Scroll Lock");
}

TEST(X11KeyMap, ModifierChangesNameTheKeyThatMadeThem) {
    const quint64 option = 0x80000, command = 0x100000;
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(61, 0, option), 61) << "right Option";
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(54, option | command, option), 54) << "released too";
    // Without a modifier key (a latch, a lock set by a program): the left key of the flag.
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(std::nullopt, 0, command), 55);
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(0, option, 0), 58) << "A is no modifier key";
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(63, 0, 0x20000), 56) << "Globe makes no XKB change";
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(std::nullopt, 0x40000, 0x40000 | 0x10000), 57) << "Caps Lock";
    EXPECT_EQ(X11KeyMap::modifierKeyForChange(std::nullopt, option, option), std::nullopt);
}

TEST(X11KeyMap, MapsKeycodesBothWaysWithTheGlobeStandIn) {
    EXPECT_TRUE(X11KeyMap().isEmpty());
    EXPECT_EQ(X11KeyMap().toVirtual(38), std::nullopt);

    const X11KeyMap map({{38, "AC01"},
                         {113, "LEFT"},
                         {118, "INS"},
                         {146, "HELP"},
                         {49, "TLDE"},
                         {135, "COMP"},
                         {120, "I120"}},
                        true, 135);
    EXPECT_FALSE(map.isEmpty());
    EXPECT_EQ(map.toVirtual(38), 0);
    EXPECT_EQ(map.toVirtual(113), 123);
    EXPECT_EQ(map.toVirtual(49), 10);
    EXPECT_EQ(map.toVirtual(135), platform::kFnKeyCode);
    EXPECT_EQ(map.toVirtual(120), std::nullopt);
    EXPECT_EQ(map.toVirtual(9), std::nullopt) << "not in the keymap";
    EXPECT_EQ(map.toX(123), QList<quint8>{113});
    EXPECT_EQ(map.toX(114), (QList<quint8>{118, 146})) << "two keys, one code";
    EXPECT_EQ(map.toX(124), QList<quint8>{});

    // Another key as Globe: the Menu key then has no code, and the chosen key loses its own.
    const X11KeyMap rightControl({{135, "COMP"}, {105, "RCTL"}}, false, 105);
    EXPECT_EQ(rightControl.toVirtual(105), platform::kFnKeyCode);
    EXPECT_EQ(rightControl.toVirtual(135), std::nullopt);
    EXPECT_EQ(rightControl.toX(62), QList<quint8>{});
}

} // namespace
