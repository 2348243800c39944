#include "support/StoreTest.h"

using namespace tilewick;
using A = SnapAction;

namespace {

constexpr quint16 kCommand = 55, kOption = 58, kControl = 59, kGlobe = 63, kKeyV = 9, kKeyQ = 12;

enum class Busy { no, recording, editingModifiers };

class GesturesTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
    }
    void makeBusy(Busy busy) {
        if (busy == Busy::recording)
            store().beginRecording(A::centre);
        else if (busy == Busy::editingModifiers)
            store().beginEditingModifiers();
    }
};

struct HoverCase {
    const char* name;
    std::optional<quint16> code;
    std::optional<A> action;
    Busy busy;
    // The tab showing after entering the key from Halves.
    SnapTab tab;
    bool modifierKey;
    bool globeKey;
};

class HoverKeyTest : public GesturesTest, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(HoverKeyTest, EnteringAKeyMarksItAndShowsItsTabUnlessBusy) {
    const HoverCase& c = GetParam();
    makeBusy(c.busy);
    store().setTab(SnapTab::halves);
    const auto recording = store().recording();
    const bool editing = store().editingModifiers();

    store().hoverKey(c.code, c.action, true);
    EXPECT_EQ(store().tab(), c.tab);
    EXPECT_EQ(store().hoveredKeyAction(), c.action);
    EXPECT_EQ(store().hoveredModifierKey(), c.modifierKey);
    EXPECT_EQ(store().hoveredGlobeKey(), c.globeKey);
    // Hovering never starts or ends anything.
    EXPECT_EQ(store().recording(), recording);
    EXPECT_EQ(store().editingModifiers(), editing);

    // Leaving clears the mark and keeps the tab.
    store().hoverKey(c.code, c.action, false);
    EXPECT_EQ(store().tab(), c.tab);
    EXPECT_EQ(store().hoveredKeyAction(), std::nullopt);
    EXPECT_FALSE(store().hoveredModifierKey());
    EXPECT_FALSE(store().hoveredGlobeKey());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HoverKeyTest,
    ::testing::Values(
        HoverCase{"BoundKey", kKeyQ, A::topLeftQuarter, Busy::no, SnapTab::quarters, false, false},
        HoverCase{"BoundKeyWhileRecording", kKeyQ, A::topLeftQuarter, Busy::recording, SnapTab::halves, false,
                  false},
        HoverCase{"BoundKeyWhileEditingModifiers", kKeyQ, A::topLeftQuarter, Busy::editingModifiers,
                  SnapTab::halves, false, false},
        HoverCase{"ModifierKey", kOption, {}, Busy::no, SnapTab::global, true, false},
        HoverCase{"ModifierKeyWhileRecording", kCommand, {}, Busy::recording, SnapTab::halves, true, false},
        HoverCase{"GlobeKey", kGlobe, {}, Busy::no, SnapTab::global, false, true},
        HoverCase{"GlobeKeyWhileEditingModifiers",
                  kGlobe,
                  {},
                  Busy::editingModifiers,
                  SnapTab::halves,
                  false,
                  true},
        HoverCase{"ControlIsNoHotkeyModifier", kControl, {}, Busy::no, SnapTab::halves, false, false},
        HoverCase{"PlainUnboundKey", kKeyV, {}, Busy::no, SnapTab::halves, false, false},
        HoverCase{"KeyWithoutCode", {}, {}, Busy::no, SnapTab::halves, false, false}),
    [](const ::testing::TestParamInfo<HoverCase>& info) { return std::string(info.param.name); });

TEST_F(GesturesTest, LeavingAnotherKeyKeepsTheHoveredOne) {
    store().hoverKey(kKeyQ, A::topLeftQuarter, true);
    store().hoverKey(kKeyV, A::leftHalf, false);
    EXPECT_EQ(store().hoveredKeyAction(), A::topLeftQuarter);
}

TEST_F(GesturesTest, TheModifierKeysFollowTheStoresModifierSet) {
    store().setModifiers(kControlFlag | kOptionFlag | kCommandFlag);
    store().setTab(SnapTab::thirds);
    EXPECT_TRUE(store().isHotkeyModifierKey(kControl));
    store().hoverKey(kControl, std::nullopt, true);
    EXPECT_TRUE(store().hoveredModifierKey());
    EXPECT_EQ(store().tab(), SnapTab::global);

    store().setModifiers(kControlFlag | kCommandFlag);
    EXPECT_FALSE(store().isHotkeyModifierKey(kOption));
    store().tapKey(kOption, std::nullopt);
    EXPECT_FALSE(store().editingModifiers());
}

struct TapCase {
    const char* name;
    std::optional<quint16> code;
    std::optional<A> action;
    Busy busy;
    SnapTab tab;
    std::optional<A> recording;
    bool editingModifiers;
};

class TapKeyTest : public GesturesTest, public ::testing::WithParamInterface<TapCase> {};

TEST_P(TapKeyTest, ABoundKeyRecordsOnItsTabAModifierKeyEditsTheSet) {
    const TapCase& c = GetParam();
    makeBusy(c.busy);
    store().setTab(SnapTab::halves);

    store().tapKey(c.code, c.action);
    EXPECT_EQ(store().tab(), c.tab);
    EXPECT_EQ(store().recording(), c.recording);
    EXPECT_EQ(store().editingModifiers(), c.editingModifiers);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TapKeyTest,
    ::testing::Values(
        TapCase{"BoundKey", kKeyQ, A::topLeftQuarter, Busy::no, SnapTab::quarters, A::topLeftQuarter, false},
        TapCase{"BoundKeyWhileRecordingAnother", kKeyQ, A::topLeftQuarter, Busy::recording, SnapTab::quarters,
                A::topLeftQuarter, false},
        TapCase{"ModifierKey", kCommand, {}, Busy::no, SnapTab::global, {}, true},
        TapCase{"ModifierKeyEndsARecording", kOption, {}, Busy::recording, SnapTab::global, {}, true},
        TapCase{"GlobeKeyDoesNothing", kGlobe, {}, Busy::no, SnapTab::halves, {}, false},
        TapCase{"PlainUnboundKeyDoesNothing", kKeyV, {}, Busy::no, SnapTab::halves, {}, false},
        TapCase{"KeyWithoutCodeDoesNothing", {}, {}, Busy::no, SnapTab::halves, {}, false}),
    [](const ::testing::TestParamInfo<TapCase>& info) { return std::string(info.param.name); });

TEST_F(GesturesTest, BusyWhileRecordingOrEditingModifiers) {
    EXPECT_FALSE(store().busy());
    store().beginRecording(A::leftHalf);
    EXPECT_TRUE(store().busy());
    store().endRecording();
    EXPECT_FALSE(store().busy());
    store().beginEditingModifiers();
    EXPECT_TRUE(store().busy());
    store().finishEditingModifiers();
    EXPECT_FALSE(store().busy());
}

TEST_F(GesturesTest, EndingARecordingStopsTheRecorderAndKeepsTheKey) {
    const auto before = store().bindings();
    store().beginRecording(A::leftHalf);
    const int clears = engine->recorderClears;
    store().endRecording();
    EXPECT_EQ(store().recording(), std::nullopt);
    EXPECT_GT(engine->recorderClears, clears);
    EXPECT_EQ(store().bindings(), before);
}

TEST_F(GesturesTest, ClosingThePickerClearsItsSearch) {
    store().setAppPickerOpen(true);
    store().setAppPickerQuery("te");
    store().closeAppPicker();
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerQuery(), "");
}

} // namespace
