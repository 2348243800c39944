#include "platform/x11/X11Pointer.h"

#include <gtest/gtest.h>

using platform::x11::X11Pointer;

TEST(X11Pointer, ButtonsAsTheProgramNumbersThem) {
    EXPECT_EQ(X11Pointer::buttonsOf(0), 0u);
    EXPECT_EQ(X11Pointer::buttonsOf(XCB_BUTTON_MASK_1), 1u);
    EXPECT_EQ(X11Pointer::buttonsOf(XCB_BUTTON_MASK_3), 2u);
    EXPECT_EQ(X11Pointer::buttonsOf(XCB_BUTTON_MASK_2), 4u);
    // Modifiers and the wheel's buttons are no held button.
    EXPECT_EQ(X11Pointer::buttonsOf(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_2 | XCB_BUTTON_MASK_4), 0u);
    EXPECT_EQ(X11Pointer::buttonsOf(XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_3 | XCB_MOD_MASK_CONTROL), 3u);
}

TEST(X11Pointer, ThePrimaryButtonFollowsThePointerMapping) {
    const QList<quint8> rightHanded{1, 2, 3, 4, 5};
    const QList<quint8> leftHanded{3, 2, 1, 4, 5};
    const struct {
        quint32 physical;
        QList<quint8> map;
        bool primary;
    } cases[] = {
        {1, rightHanded, true}, {3, rightHanded, false}, {1, leftHanded, false},  {3, leftHanded, true},
        {1, {}, true},          {2, {}, false},          {0, rightHanded, false}, {9, rightHanded, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(X11Pointer::isPrimary(c.physical, c.map), c.primary)
            << c.physical << " of " << c.map.size();
}
