#include "tilewick/mainwindow/HotkeyView.h"
#include "tilewick/visuals/InterFont.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

using namespace tilewick;

namespace {

constexpr quint64 kOptCmd = kOptionFlag | kCommandFlag;

TEST(HotkeyViewTest, SizesAreMultiplesOfTheUnit) {
    // A letter key at 1.35: the cap is 32.4 high and at least 35.1 wide (face 18.9, 8.1 aside).
    const HotkeyView::Metrics m = HotkeyView{Hotkey{8, kOptCmd, "C"}, false, 1.35, false}.metrics();
    EXPECT_DOUBLE_EQ(m.unit, 1.35);
    EXPECT_DOUBLE_EQ(m.cap.height(), 32.4);
    EXPECT_DOUBLE_EQ(m.cap.width(), 35.1);
    EXPECT_DOUBLE_EQ(m.capRadius, 6.75);
    EXPECT_DOUBLE_EQ(m.spacing, 6.75);
    EXPECT_DOUBLE_EQ(m.symbolSize, 16.875);
    EXPECT_DOUBLE_EQ(m.size.height(), 32.4);
    // Two symbols and the "+" with its padding make the group.
    EXPECT_NEAR(m.groupWidth, 2 * (16.875 + 2.7) + 4.05 + m.plusWidth, 1e-9);
    EXPECT_NEAR(m.size.width(), m.groupWidth + 6.75 + 35.1, 1e-9);

    const HotkeyView::Metrics compact = HotkeyView{Hotkey{8, kOptCmd, "C"}, true, 1, false}.metrics();
    EXPECT_DOUBLE_EQ(compact.cap.height(), 22.08);
    EXPECT_DOUBLE_EQ(compact.cap.width(), 23.92);

    // A long label widens the cap beyond its least width.
    const HotkeyView longLabel{Hotkey{110, kOptCmd, "Key 110"}, false, 1, false};
    const qreal label = QFontMetricsF(interFont(13.5, 400)).horizontalAdvance("Key 110");
    EXPECT_NEAR(longLabel.metrics().cap.width(), label + 12, 1e-9);
    // While editing the face is the cursor's square, whatever the key.
    EXPECT_DOUBLE_EQ((HotkeyView{Hotkey{110, kOptCmd, "Key 110"}, false, 1, true}).metrics().cap.width(), 26);
}

TEST(HotkeyViewTest, SpokenLabels) {
    struct Case {
        Hotkey hotkey;
        bool editing;
        const char* spoken;
    };
    const Case cases[] = {
        {{123, kOptCmd, "←"}, false, "option command left arrow"},
        {{51, kControlFlag | kOptionFlag, "⌫"}, false, "control option delete left"},
        {{12, kOptCmd, "Q"}, false, "option command Q"},
        {{8, kOptCmd | kShiftFlag | kControlFlag, "C"}, false, "control option shift command C"},
        {{63, kOptCmd, "fn"}, false, "option command globe"},
        {HotkeyView::dash(kOptCmd), false, "option command \u2013"},
        {{12, kOptCmd, "Q"}, true, "Waiting for a new key"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HotkeyView(c.hotkey, false, 1, c.editing).accessibleLabel(), QString::fromUtf8(c.spoken));
}

TEST(HotkeyViewTest, TheDashHotkeyKeepsTheModifiers) {
    const Hotkey dash = HotkeyView::dash(kControlFlag | kShiftFlag);
    EXPECT_EQ(dash.keyCode, 0);
    EXPECT_EQ(dash.label, QString(QChar(0x2013)));
    EXPECT_EQ(dash.parts().size(), 3);
}

} // namespace
