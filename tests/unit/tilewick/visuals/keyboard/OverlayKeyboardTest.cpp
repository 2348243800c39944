#include "support/StoreTest.h"

#include "tilewick/visuals/keyboard/KeyboardView.h"
#include "tilewick/visuals/keyboard/OverlayKeyboard.h"

#include <QGraphicsScene>

namespace {

using namespace tilewick;

class OverlayKeyboardTest : public StoreTest {};

TEST_F(OverlayKeyboardTest, SizeForTheWidthItIsGiven) {
    struct Case {
        qreal width, pad;
        QSizeF size;
        qreal keyboard;
    };
    const Case cases[] = {
        // The floating keyboard on a 1512 × 982 screen.
        {958, 18, {994, 375.72413793103448}, 327.72413793103448},
        // The render tool's width.
        {900, 18, {936, 355.72413793103448}, 307.72413793103448},
        {1314, 18, {1350, 498.48275862068965}, 450.48275862068965},
        // Too narrow for a key: the keyboard has no height, the margins stay.
        {40, 18, {76, 48}, 0},
        {0, 18, {36, 48}, 0},
        {-10, -5, {0, 12}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_NEAR(OverlayKeyboard::keyboardHeight(c.width), c.keyboard, 1e-9);
        const QSizeF size = OverlayKeyboard::size(c.width, c.pad);
        EXPECT_NEAR(size.width(), c.size.width(), 1e-9);
        EXPECT_NEAR(size.height(), c.size.height(), 1e-9);
    }
}

TEST_F(OverlayKeyboardTest, HostsTheFloatingKeyboardWithinItsMargins) {
    makeStore();
    QGraphicsScene scene;
    auto* view = new OverlayKeyboard(store(), ViewServices::of(platform()), false, 958, 18);
    scene.addItem(view);
    EXPECT_EQ(view->boundingRect(), QRectF(0, 0, 994, OverlayKeyboard::size(958, 18).height()));

    const KeyboardView& keyboard = view->keyboard();
    EXPECT_EQ(keyboard.pos(), QPointF(18, 18));
    EXPECT_EQ(keyboard.metrics().width, 958);
    EXPECT_NEAR(keyboard.metrics().naturalHeight(), 327.72413793103448, 1e-9);
    // Lit guide keys with the mark on the space bar, faces at 94 %.
    const KeyboardEnvironment& env = keyboard.environment();
    EXPECT_TRUE(env.brandedSpaceBar);
    EXPECT_TRUE(env.allHotkeysSelected);
    EXPECT_TRUE(env.keysAreGuide);
    EXPECT_EQ(env.keyFaceOpacity, 0.94);
    EXPECT_FALSE(env.pickingAppSnap);
    EXPECT_FALSE(env.allPartsLit);
    EXPECT_FALSE(env.renderTime);
}

} // namespace
