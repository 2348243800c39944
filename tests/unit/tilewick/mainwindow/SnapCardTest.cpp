#include "PageTest.h"

#include "tilewick/mainwindow/MultiWindowCard.h"
#include "tilewick/mainwindow/SnapCard.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QGraphicsSceneHoverEvent>

using namespace tilewick;
using A = SnapAction;

namespace {

constexpr quint64 kOptCmd = kOptionFlag | kCommandFlag;
const QString kRecordingTip =
    "Press the new key. Esc cancels, Delete clears, or click outside to keep the old one";

class SnapCardTest : public PageTest {
protected:
    SnapCard* card(A action, qreal width = 196, qreal preview = 78, int nameLines = 1) {
        auto* made = show(new SnapCard(context(), action, width, preview, nameLines));
        made->setPos(20, 30);
        return made;
    }
};

TEST(SnapCardLayoutTest, ChipScaleAndLayouts) {
    struct Case {
        qreal width;
        qreal scale;
    };
    for (const Case& c : {Case{150, 1.0}, Case{156, 1.0}, Case{170, 1.2}, Case{186.8, 1.44}, Case{430, 1.44}})
        EXPECT_NEAR(SnapCard::Layout::oneLineChipScale(c.width), c.scale, 1e-9) << c.width;

    const SnapCard::Layout grid = SnapCard::Layout::of(274, 240.56, 1);
    EXPECT_TRUE(grid.oneLine);
    EXPECT_DOUBLE_EQ(grid.chipScale, 1.44);
    EXPECT_EQ(grid.preview, QRectF(12, 12, 274, 240.56));
    EXPECT_NEAR(grid.nameArea.top(), 12 + 240.56 + 8, 1e-9);
    EXPECT_DOUBLE_EQ(grid.nameArea.height(), 38.56);
    EXPECT_NEAR(grid.card.height(), 311.12, 1e-9);
    EXPECT_DOUBLE_EQ(grid.card.width(), 298);

    // The Global cards stack the chip at 1.35 over the title, in a block as high as the drawing.
    const SnapCard::Layout global = SnapCard::Layout::of(149.2, 58.28, 2);
    EXPECT_FALSE(global.oneLine);
    EXPECT_DOUBLE_EQ(global.chipScale, 1.35);
    EXPECT_DOUBLE_EQ(global.nameArea.height(), 58.28);
    EXPECT_NEAR(global.card.height(), 148.56, 1e-9);
    EXPECT_NEAR(global.card.width(), 173.2, 1e-9);
}

TEST_F(SnapCardTest, TheChipShowsTheHotkeyOrADashWithTheStoresModifiers) {
    SnapCard* left = card(A::leftHalf);
    EXPECT_EQ(left->chip().hotkey, (Hotkey{123, kOptCmd, defaultHotkey(A::leftHalf).label}));
    EXPECT_EQ(left->accessibleValue(), "option command left arrow");
    EXPECT_EQ(left->accessibleName(), title(A::leftHalf));

    store().setModifiers(kControlFlag | kShiftFlag);
    Bindings bindings = store().bindings();
    bindings.erase(A::leftHalf);
    store().setBindings(bindings);
    EXPECT_EQ(left->chip().hotkey, HotkeyView::dash(kControlFlag | kShiftFlag));
    EXPECT_EQ(left->accessibleValue(), "control shift \u2013");
    // The drawing has no key then.
    EXPECT_FALSE(left->preview().layout({196, 78}).blocks[0].block.key);
}

TEST_F(SnapCardTest, StatesAndTheirTexts) {
    SnapCard* centre = card(A::centre, 149.2, 58.28, 2);
    SnapCard* previous = card(A::previousDisplay, 149.2, 58.28, 2);
    SnapCard* next = card(A::nextDisplay, 149.2, 58.28, 2);
    EXPECT_EQ(centre->tipText(), "Select to edit hotkey");
    EXPECT_EQ(previous->tipText(), "Move window to previous display");
    EXPECT_EQ(next->tipText(), "Move window to next display");
    EXPECT_FALSE(centre->preview().showsKey);

    // Idle: lifts with the pencil, not outlined.
    EXPECT_FALSE(centre->selected());
    EXPECT_TRUE(centre->lift().options().enabled);
    EXPECT_TRUE(centre->lift().options().pencil);
    EXPECT_EQ(centre->lift().options().scale, 1.015);
    EXPECT_EQ(centre->cursor().shape(), Qt::BitmapCursor);

    // Recording: outlined, no lift and the arrow, the chip waits, its own tip.
    previous->activate();
    EXPECT_EQ(store().recording(), A::previousDisplay);
    EXPECT_TRUE(previous->recording());
    EXPECT_TRUE(previous->selected());
    EXPECT_FALSE(previous->lift().options().enabled);
    EXPECT_FALSE(previous->hasCursor());
    EXPECT_TRUE(previous->chip().editing);
    EXPECT_EQ(previous->accessibleValue(), "Waiting for a new key");
    EXPECT_EQ(previous->tipText(), kRecordingTip);
    EXPECT_FALSE(next->selected());
    EXPECT_EQ(next->tipText(), "Move window to next display");

    // Flashing after the hotkey was used: outlined, still lifting.
    store().endRecording();
    store().setFlash(A::nextDisplay);
    EXPECT_TRUE(next->selected());
    EXPECT_TRUE(next->lift().options().enabled);
    EXPECT_FALSE(previous->selected());

    // Its key hovered on the keyboard: highlighted (pulsing), unless it is recorded.
    store().setHoveredKeyAction(A::centre);
    EXPECT_TRUE(centre->lift().options().highlighted);
    EXPECT_TRUE(centre->lift().pulsing(false));
    centre->activate();
    EXPECT_FALSE(centre->lift().pulsing(false));
}

TEST_F(SnapCardTest, TheHoveredActionIsClaimedByTheCardEnteredLast) {
    SnapCard* a = card(A::leftHalf);
    SnapCard* b = card(A::rightHalf);
    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    scene->sendEvent(a, &enter);
    EXPECT_EQ(store().hoveredAction(), A::leftHalf);
    EXPECT_TRUE(a->lift().hovering());
    scene->sendEvent(b, &enter);
    scene->sendEvent(a, &leave);
    EXPECT_EQ(store().hoveredAction(), A::rightHalf);
    scene->sendEvent(b, &leave);
    EXPECT_EQ(store().hoveredAction(), std::nullopt);
    // The tip follows the pointer in the view's space and goes with it.
    QGraphicsSceneHoverEvent move(QEvent::GraphicsSceneHoverMove);
    move.setScenePos({40, 60});
    scene->sendEvent(a, &move);
    runtime().advance(1);
    EXPECT_TRUE(tips->visible());
    EXPECT_EQ(tips->text(), "Select to edit hotkey");
    EXPECT_EQ(tips->point(), QPointF(140, 110));
}

TEST_F(SnapCardTest, TheRecordingTipGoesWithTheRecording) {
    SnapCard* a = card(A::leftHalf);
    SnapCard* b = card(A::rightHalf);
    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    QGraphicsSceneHoverEvent move(QEvent::GraphicsSceneHoverMove);
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    const auto recordUnderPointer = [&](SnapCard* c) {
        scene->sendEvent(c, &enter);
        c->activate();
        scene->sendEvent(c, &move);
        runtime().advance(1);
        ASSERT_TRUE(tips->visible());
        ASSERT_EQ(tips->text(), kRecordingTip);
    };
    // Escape while the pointer rests on the card, then the pointer leaves.
    recordUnderPointer(a);
    store().endRecording();
    EXPECT_FALSE(tips->visible());
    scene->sendEvent(a, &leave);
    runtime().advance(2);
    EXPECT_FALSE(tips->visible());

    // Another card's recording takes over.
    recordUnderPointer(a);
    b->activate();
    EXPECT_FALSE(tips->visible());
    scene->sendEvent(a, &leave);
    runtime().advance(2);
    EXPECT_FALSE(tips->visible());
}

TEST_F(SnapCardTest, TheRecordedCardReportsItsFrameInTheView) {
    SnapCard* a = card(A::leftHalf);
    SnapCard* b = card(A::rightHalf);
    b->setPos(250, 30);
    const QRectF frameA(120, 80, 220, 148.56);
    EXPECT_EQ(a->cardFrame(), frameA);
    EXPECT_TRUE(host.cardFrames.empty()); // nothing recorded yet

    a->activate();
    ASSERT_EQ(host.cardFrames.size(), 1u);
    EXPECT_EQ(host.cardFrames.back(), std::pair(A::leftHalf, frameA));
    // While it records, every move is reported.
    a->setPos(20, 40);
    EXPECT_EQ(host.cardFrames.back(), std::pair(A::leftHalf, QRectF(120, 90, 220, 148.56)));
    b->setPos(260, 30);
    EXPECT_EQ(host.cardFrames.size(), 2u);

    // Clicking the card that records already: the store clears the frame and starts afresh, and
    // the card reports again, so a click outside still ends the recording.
    a->activate();
    ASSERT_EQ(host.cardFrames.size(), 3u);
    EXPECT_EQ(host.cardFrames.back(), std::pair(A::leftHalf, QRectF(120, 90, 220, 148.56)));

    // Another card takes over.
    b->activate();
    EXPECT_EQ(host.cardFrames.back().first, A::rightHalf);
    store().endRecording();
    const size_t reported = host.cardFrames.size();
    a->setPos(20, 30);
    EXPECT_EQ(host.cardFrames.size(), reported);
}

TEST_F(SnapCardTest, AccessibilityEditsTheHotkey) {
    SnapCard* a = card(A::topHalf);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(a);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), title(A::topHalf));
    EXPECT_EQ(accessible->text(QAccessible::Description), "Select to edit hotkey");
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_TRUE(actions);
    EXPECT_EQ(actions->actionNames(), QStringList{"Edit hotkey"});
    actions->doAction("Edit hotkey");
    EXPECT_EQ(store().recording(), A::topHalf);
    EXPECT_EQ(accessible->text(QAccessible::Description), kRecordingTip);
}

TEST_F(SnapCardTest, TheMultiWindowCard) {
    auto* multi = show(new MultiWindowCard(context(), 149.2, 58.28));
    EXPECT_EQ(multi->size(), QSizeF(173.2, 148.56));
    EXPECT_EQ(multi->chip().hotkey, (Hotkey{63, kOptCmd, "fn"}));
    EXPECT_EQ(multi->chip().accessibleLabel(), "option command globe");
    EXPECT_EQ(
        multi->tipText(),
        "Multi-window modifier: hold \u2325\u2318 and \U0001F310, then press a layout key. If the focused "
        "app "
        "supports multiple windows, it fills the layout with them (two for halves, four for quarters and so "
        "on), opening new ones as needed");
    store().setModifiers(kCommandFlag | kControlFlag | kOptionFlag);
    EXPECT_TRUE(
        multi->tipText().startsWith("Multi-window modifier: hold \u2303\u2325\u2318 and \U0001F310, then"));

    // It lifts with the pointing hand and pulses while Globe is hovered; it edits nothing.
    EXPECT_TRUE(multi->lift().options().enabled);
    EXPECT_FALSE(multi->lift().options().pencil);
    EXPECT_EQ(multi->cursor().shape(), Qt::PointingHandCursor);
    store().setHoveredGlobeKey(true);
    EXPECT_TRUE(multi->lift().pulsing(false));
    multi->activate();
    EXPECT_EQ(store().recording(), std::nullopt);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(multi);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Multi-window modifier");
    EXPECT_NE(accessible->role(), QAccessible::Button);
    EXPECT_TRUE(accessible->actionInterface()->actionNames().isEmpty());

    // The drawing: a 2 × 2 grid of windows with a 1.5-point margin around each.
    const QList<QRectF> windows = MultiWindowCard::windows({100, 40});
    EXPECT_EQ(
        windows,
        (QList<QRectF>{{1.5, 1.5, 47, 17}, {51.5, 1.5, 47, 17}, {1.5, 21.5, 47, 17}, {51.5, 21.5, 47, 17}}));
}

} // namespace
