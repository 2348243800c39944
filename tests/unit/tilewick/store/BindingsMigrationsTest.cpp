#include "support/StoreTest.h"

#include "tilewick/store/Bindings.h"
#include "tilewick/store/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

using namespace tilewick;
using A = SnapAction;

constexpr quint64 kOC = kDefaultHotkeyModifiers;

Hotkey oc(quint16 key, const char* label) {
    return {key, kOC, label};
}
// A key the user recorded: no modifiers of its own.
Hotkey recorded(quint16 key, const char* label) {
    return {key, 0, label};
}

// The factory table with some entries replaced (a hotkey) or removed (none).
Bindings defaultsWith(std::initializer_list<std::pair<A, std::optional<Hotkey>>> changes) {
    Bindings bindings = defaultBindings();
    for (const auto& [action, hotkey] : changes) {
        if (hotkey)
            bindings[action] = *hotkey;
        else
            bindings.erase(action);
    }
    return bindings;
}

struct MigrationCase {
    const char* name;
    Bindings stored;
    // The stored "bindingsVersion"; none: absent.
    std::optional<qint64> version;
    Bindings expected;
};

// A table as the first version shipped it: halves on - and +, maximize on M, centre on D,
// thirds on R, F and V, and none of the actions added later.
Bindings versionOneTable() {
    return defaultsWith({{A::leftHalf, oc(27, "-")},
                         {A::rightHalf, oc(24, "+")},
                         {A::maximize, oc(46, "M")},
                         {A::centre, oc(2, "D")},
                         {A::topThird, oc(15, "R")},
                         {A::middleThird, oc(3, "F")},
                         {A::bottomThird, oc(9, "V")},
                         {A::leftTwoThirds, std::nullopt},
                         {A::rightTwoThirds, std::nullopt},
                         {A::topTwoThirds, std::nullopt},
                         {A::bottomTwoThirds, std::nullopt},
                         {A::fourLeft, std::nullopt},
                         {A::fourLeftCentre, std::nullopt},
                         {A::fourRightCentre, std::nullopt},
                         {A::fourRight, std::nullopt},
                         {A::focus, std::nullopt},
                         {A::undo, std::nullopt},
                         {A::redo, std::nullopt}});
}

const MigrationCase kCases[] = {
    // The factory table passes every step unchanged.
    {"DefaultsAreAFixedPoint", defaultBindings(), 1, defaultBindings()},
    {"CurrentVersionRunsNothing", defaultsWith({{A::leftHalf, oc(27, "-")}}), 6,
     defaultsWith({{A::leftHalf, oc(27, "-")}})},
    {"LaterVersionRunsNothing", defaultsWith({{A::leftHalf, oc(27, "-")}}), 9,
     defaultsWith({{A::leftHalf, oc(27, "-")}})},
    // The whole chain: everything lands on its default except bottomThird, whose D the old
    // centre still held when the thirds moved.
    {"VersionOneTableWalksTheWholeChain", versionOneTable(), 1,
     defaultsWith({{A::bottomThird, std::nullopt}})},
    {"AbsentVersionCountsAsZero", versionOneTable(), std::nullopt,
     defaultsWith({{A::bottomThird, std::nullopt}})},

    // V2: the old halves give way to the arrows, and the two-thirds take - and +.
    {"V2HalvesOnMinusAndPlusMoveToTheArrows",
     defaultsWith({{A::leftHalf, oc(27, "-")},
                   {A::rightHalf, oc(24, "+")},
                   {A::leftTwoThirds, std::nullopt},
                   {A::rightTwoThirds, std::nullopt}}),
     1, defaultBindings()},
    // A recorded key 27 has another chord, so leftTwoThirds still gets 27; the later
    // duplicate removal keeps the one first in declaration order.
    {"V2RecordedKeyBeforeLeftTwoThirdsKeepsIt",
     defaultsWith({{A::centre, recorded(27, "-")}, {A::leftTwoThirds, std::nullopt}}), 1,
     defaultsWith({{A::centre, recorded(27, "-")}, {A::leftTwoThirds, std::nullopt}})},
    {"V2RecordedKeyAfterLeftTwoThirdsLosesIt",
     defaultsWith({{A::bottomThird, recorded(27, "-")}, {A::leftTwoThirds, std::nullopt}}), 1,
     defaultsWith({{A::bottomThird, std::nullopt}})},
    // A recorded leftHalf on 27 is not the old chord: it stays, and wins over leftTwoThirds.
    {"V2RecordedLeftHalfIsNotTheOldHotkey",
     defaultsWith({{A::leftHalf, recorded(27, "-")}, {A::leftTwoThirds, std::nullopt}}), 1,
     defaultsWith({{A::leftHalf, recorded(27, "-")}, {A::leftTwoThirds, std::nullopt}})},
    // An added action whose default chord is taken stays unbound.
    {"V2AddedActionWithATakenChordStaysUnbound",
     defaultsWith({{A::fourLeft, std::nullopt}, {A::centre, oc(26, "7")}}), 1,
     defaultsWith({{A::fourLeft, std::nullopt}, {A::centre, oc(26, "7")}})},

    // V3: maximize from M to Return, unless Return is taken with Option+Command.
    {"V3MaximizeMovesToReturn", defaultsWith({{A::maximize, oc(46, "M")}}), 2, defaultBindings()},
    {"V3ReturnTakenKeepsM", defaultsWith({{A::maximize, oc(46, "M")}, {A::leftHalf, oc(36, "↩")}}), 2,
     defaultsWith({{A::maximize, oc(46, "M")}, {A::leftHalf, oc(36, "↩")}})},
    // Return recorded without modifiers is another chord: maximize moves, then keeps Return as
    // the earlier action.
    {"V3ReturnRecordedStillMoves",
     defaultsWith({{A::maximize, oc(46, "M")}, {A::leftHalf, recorded(36, "↩")}}), 2,
     defaultsWith({{A::leftHalf, std::nullopt}})},
    {"V3MaximizeRecordedOnMStays", defaultsWith({{A::maximize, recorded(46, "M")}}), 2,
     defaultsWith({{A::maximize, recorded(46, "M")}})},

    // V4: thirds on their old keys go to their defaults where those are free.
    {"V4OldThirdsMoveToTheirDefaults",
     defaultsWith({{A::topThird, oc(15, "R")},
                   {A::middleThird, oc(3, "F")},
                   {A::bottomThird, oc(9, "V")},
                   {A::focus, std::nullopt}}),
     3, defaultBindings()},
    {"V4OnlyThirdsOnTheirOldKeysAreTouched",
     defaultsWith(
         {{A::topThird, oc(15, "R")}, {A::middleThird, oc(30, "]")}, {A::topRightSixth, std::nullopt}}),
     3, defaultsWith({{A::middleThird, oc(30, "]")}, {A::topRightSixth, std::nullopt}})},
    {"V4TakenDefaultLeavesTheThirdUnbound",
     defaultsWith({{A::topThird, oc(15, "R")}, {A::centre, oc(21, "4")}}), 3,
     defaultsWith({{A::topThird, std::nullopt}, {A::centre, oc(21, "4")}})},

    // V5: centre from D to C, the middle and bottom thirds to E and D, focus on F.
    {"V5CentreAndThirdsMoveAndFocusArrives",
     defaultsWith({{A::centre, oc(2, "D")},
                   {A::middleThird, oc(15, "R")},
                   {A::bottomThird, oc(3, "F")},
                   {A::focus, std::nullopt}}),
     4, defaultBindings()},
    {"V5TakenEKeepsMiddleThirdOnR",
     defaultsWith({{A::centre, oc(2, "D")},
                   {A::middleThird, oc(15, "R")},
                   {A::bottomThird, oc(3, "F")},
                   {A::focus, std::nullopt},
                   {A::topLeftQuarter, recorded(14, "E")}}),
     4, defaultsWith({{A::middleThird, oc(15, "R")}, {A::topLeftQuarter, recorded(14, "E")}})},
    // Centre keeps D when C is taken; then D is not free for bottomThird, and F stays with it.
    {"V5TakenCKeepsCentreOnD",
     defaultsWith({{A::centre, oc(2, "D")},
                   {A::middleThird, oc(15, "R")},
                   {A::bottomThird, oc(3, "F")},
                   {A::focus, std::nullopt},
                   {A::topLeftQuarter, recorded(8, "C")}}),
     4,
     defaultsWith({{A::centre, oc(2, "D")},
                   {A::bottomThird, oc(3, "F")},
                   {A::focus, std::nullopt},
                   {A::topLeftQuarter, recorded(8, "C")}})},
    // Key codes only: a shared key code leaves every later holder, whatever the modifiers.
    {"V5DuplicatesKeepTheFirstInDeclarationOrder",
     defaultsWith({{A::fourRight, recorded(123, "←")}, {A::bottomThird, oc(1, "S")}}), 4,
     defaultsWith({{A::fourRight, std::nullopt}, {A::bottomThird, std::nullopt}})},

    // V6: undo and redo on Z and X where those key codes are free.
    {"V6UndoAndRedoArrive", defaultsWith({{A::undo, std::nullopt}, {A::redo, std::nullopt}}), 5,
     defaultBindings()},
    {"V6UndoStaysUnboundWhenZIsUsed", defaultsWith({{A::undo, std::nullopt}, {A::centre, recorded(6, "Z")}}),
     5, defaultsWith({{A::undo, std::nullopt}, {A::centre, recorded(6, "Z")}})},
    {"V6BoundRedoIsLeftAlone", defaultsWith({{A::undo, std::nullopt}, {A::redo, recorded(11, "B")}}), 5,
     defaultsWith({{A::redo, recorded(11, "B")}})},
};

void PrintTo(const MigrationCase& c, std::ostream* os) {
    *os << c.name;
}

class BindingsMigration : public StoreTest, public ::testing::WithParamInterface<MigrationCase> {};

TEST_P(BindingsMigration, LoadsMigratesAndRewritesAtVersionSix) {
    const auto& c = GetParam();
    defaults().set(keys::bindings, encodeBindings(c.stored));
    if (c.version)
        defaults().set(keys::bindingsVersion, *c.version);

    auto& store = makeStore();

    EXPECT_EQ(store.bindings(), c.expected);
    EXPECT_EQ(defaults().int64Value(keys::bindingsVersion), kBindingsVersion);
    EXPECT_EQ(decodeBindings(defaults().dataValue(keys::bindings).value_or(QByteArray())), c.expected);
    EXPECT_FALSE(defaults().contains(keys::startAtLoginPending));
    EXPECT_FALSE(defaults().contains(keys::unreadableBindings));
    ASSERT_FALSE(engine->updates.empty());
    EXPECT_EQ(engine->updates.back(), store.effectiveBindings());
}

INSTANTIATE_TEST_SUITE_P(Table, BindingsMigration, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Reading what is stored --------------------------------------------------------------

class BindingsLoading : public StoreTest {
protected:
    void expectDefaultsBuilt() {
        EXPECT_EQ(store().bindings(), defaultBindings());
        EXPECT_EQ(defaults().boolValue(keys::startAtLoginPending), true);
        EXPECT_EQ(defaults().int64Value(keys::bindingsVersion), 6);
        EXPECT_EQ(decodeBindings(defaults().dataValue(keys::bindings).value_or(QByteArray())),
                  defaultBindings());
    }
};

TEST_F(BindingsLoading, FirstRunBuildsTheDefaults) {
    makeStore();
    expectDefaultsBuilt();
    EXPECT_FALSE(defaults().contains(keys::unreadableBindings));
}

TEST_F(BindingsLoading, UnreadableDataIsKeptBeforeTheDefaultsReplaceIt) {
    const QByteArray unreadable[] = {
        "not json at all",
        R"(["leftHalf"])",
        // One member without a label spoils the table, even one that names no action.
        R"({"leftHalf":{"keyCode":27,"modifiers":0}})",
        R"({"leftHalf":{"keyCode":27,"modifiers":0,"label":"-"},"gone":{"keyCode":1}})",
        R"({"leftHalf":5})",
        R"({"leftHalf":{"keyCode":70000,"modifiers":0,"label":"-"}})",
    };
    for (const auto& bytes : unreadable) {
        SCOPED_TRACE(bytes.toStdString());
        defaults().remove(keys::startAtLoginPending);
        defaults().set(keys::bindings, bytes);
        defaults().set(keys::bindingsVersion, qint64(6));
        makeStore();
        expectDefaultsBuilt();
        EXPECT_EQ(defaults().dataValue(keys::unreadableBindings), bytes);
    }
}

TEST_F(BindingsLoading, AValueOfAnotherTypeIsKeptWithItsType) {
    defaults().set(keys::bindings, QStringLiteral("{\"leftHalf\":{}}"));
    makeStore();
    expectDefaultsBuilt();
    EXPECT_EQ(defaults().stringValue(keys::unreadableBindings), QStringLiteral("{\"leftHalf\":{}}"));
}

TEST_F(BindingsLoading, MembersNamingNoActionAreDropped) {
    QJsonObject object;
    object.insert("leftHalf", recorded(4, "H").toJson());
    object.insert("leftQuarter", oc(12, "Q").toJson());
    object.insert("centre", Hotkey{8, kOC, "C"}.toJson());
    defaults().set(keys::bindings, QJsonDocument(object).toJson());
    defaults().set(keys::bindingsVersion, qint64(6));

    makeStore();
    const Bindings expected{{A::centre, oc(8, "C")}, {A::leftHalf, recorded(4, "H")}};
    EXPECT_EQ(store().bindings(), expected);
    EXPECT_FALSE(defaults().contains(keys::startAtLoginPending));
}

TEST_F(BindingsLoading, VersionStoredUnsignedIsReadAsItsNumber) {
    defaults().set(keys::bindings, encodeBindings(defaultsWith({{A::leftHalf, oc(27, "-")}})));
    defaults().set(keys::bindingsVersion, quint64(6));
    makeStore();
    EXPECT_EQ(store().bindings().at(A::leftHalf), oc(27, "-"));
    EXPECT_EQ(defaults().int64Value(keys::bindingsVersion), 6);
}

TEST_F(BindingsLoading, EffectiveBindingsCarryTheStoreModifiers) {
    defaults().set(keys::modifiers, quint64(0x60000));
    defaults().set(keys::bindings,
                   encodeBindings({{A::centre, recorded(8, "C")}, {A::leftHalf, oc(123, "←")}}));
    defaults().set(keys::bindingsVersion, qint64(6));
    auto& store = makeStore();

    const Bindings effective{{A::centre, Hotkey{8, 0x60000, "C"}}, {A::leftHalf, Hotkey{123, 0x60000, "←"}}};
    EXPECT_EQ(store.effectiveBindings(), effective);
    EXPECT_EQ(engine->updates.back(), effective);

    EXPECT_EQ(store.hotkey(A::leftHalf), (Hotkey{123, 0x60000, "←"}));
    EXPECT_EQ(store.hotkey(A::rightHalf), std::nullopt);
    EXPECT_FALSE(store.isKeyCodeFree(8));
    EXPECT_TRUE(store.isKeyCodeFree(124));

    store.setModifiers(0x140000);
    EXPECT_EQ(engine->updates.back().at(A::centre), (Hotkey{8, 0x140000, "C"}));
    EXPECT_EQ(store.hotkey(A::centre), (Hotkey{8, 0x140000, "C"}));
}

} // namespace
