#include "support/SimPlatformTest.h"

#include "platform/xdg/GtkReduceMotion.h"
#include "tilewick/visuals/Blink.h"
#include "tilewick/visuals/HoverLift.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/keyboard/KeyGlyph.h"
#include "tilewick/visuals/keyboard/KeyPulse.h"
#include "tilewick/visuals/keyboard/KeyboardGeometry.h"
#include "tilewick/visuals/keyboard/MultiModeBanner.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace {

using namespace tilewick;

TEST(KeyboardGeometry, LengthsFollowTheWidthAndGap) {
    const KeyboardMetrics m = KeyboardMetrics::forWidth(721, 4);
    EXPECT_DOUBLE_EQ(m.u, 50);
    EXPECT_DOUBLE_EQ(m.keyH, 46);
    EXPECT_DOUBLE_EQ(m.rowTop(3), 150);
    EXPECT_DOUBLE_EQ(m.naturalHeight(), 246);
    EXPECT_EQ(m.spaceBar(), QRectF(212.5, 200, 246, 46));

    // Too narrow for keys: zero sizes, never negative ones.
    const KeyboardMetrics tiny = KeyboardMetrics::forWidth(10, 4);
    EXPECT_DOUBLE_EQ(tiny.keyH, 0);
    EXPECT_DOUBLE_EQ(tiny.keyWidth(1), 0);
    EXPECT_DOUBLE_EQ(tiny.naturalHeight(), 0);
    EXPECT_GE(tiny.spaceBar().width(), 0);
    for (const KeyPlacement& p : layoutKeys(KeyboardMap::ansiRows(), tiny))
        EXPECT_TRUE(p.frame.width() >= 0 && p.frame.height() >= 0);
}

TEST(KeyboardGeometry, RowsFillTheWidthAndTheArrowClusterIsAnInvertedT) {
    const KeyboardMetrics m = KeyboardMetrics::forWidth(721, 4);
    for (bool iso : {false, true}) {
        const QList<KeyPlacement> keys = layoutKeys(KeyboardMap::rowsFor(iso), m);
        qreal right = 0;
        for (const KeyPlacement& p : keys)
            right = std::max(right, p.frame.right());
        EXPECT_DOUBLE_EQ(right, 721) << iso;
        auto frameOf = [&](quint16 code) {
            for (const KeyPlacement& p : keys) {
                if (p.key.code == code)
                    return p.frame;
            }
            return QRectF();
        };
        EXPECT_EQ(frameOf(123), QRectF(575, 225, 46, 21)); // left: lower half of row 4
        EXPECT_EQ(frameOf(126), QRectF(625, 200, 46, 21));
        EXPECT_EQ(frameOf(125), QRectF(625, 225, 46, 21));
        EXPECT_EQ(frameOf(124), QRectF(675, 225, 46, 21));
    }
    // ANSI: a flat 1.75-unit return key in row 2.
    for (const KeyPlacement& p : layoutKeys(KeyboardMap::ansiRows(), m)) {
        if (p.key.code == 36) {
            EXPECT_EQ(p.frame, QRectF(637.5, 100, 83.5, 46));
        }
    }
}

TEST(KeyboardGeometry, IsoReturnKeySpansTwoRowsWithItsNotch) {
    const KeyboardMetrics m = KeyboardMetrics::forWidth(721, 4);
    std::optional<KeyPlacement> enter;
    for (const KeyPlacement& p : layoutKeys(KeyboardMap::isoRows(), m)) {
        if (p.key.code == 36)
            enter = p;
    }
    ASSERT_TRUE(enter && enter->returnShape);
    EXPECT_EQ(enter->frame, QRectF(675, 50, 46, 96));
    const ReturnKeyShape& shape = *enter->returnShape;
    EXPECT_DOUBLE_EQ(shape.bottomWidth, 33.5);
    EXPECT_DOUBLE_EQ(shape.leadingInset, 12.5);
    EXPECT_NEAR(shape.radius, 5.98, 1e-9);

    const QRectF local(0, 0, 46, 96);
    EXPECT_EQ(shape.innerCorner(local), QPointF(12.5, 46));
    const QPainterPath path = shape.path(local);
    EXPECT_TRUE(path.contains(QPointF(6, 20)));     // upper part, left
    EXPECT_TRUE(path.contains(QPointF(30, 80)));    // lower part
    EXPECT_FALSE(path.contains(QPointF(6, 80)));    // the notch below the upper part
    EXPECT_FALSE(path.contains(QPointF(0.5, 0.5))); // rounded corner
    EXPECT_EQ(path.boundingRect().toAlignedRect(), QRect(0, 0, 46, 96));
    // Corners never get a radius below 1.
    EXPECT_DOUBLE_EQ((ReturnKeyShape{33.5, 46, 2, 12.5, 1.5}.cornerRadius()), 1);
}

TEST(KeyGlyphs, LeftHalfIn31By18) {
    const KeyGlyph glyph = KeyGlyph::layout(SnapAction::leftHalf, {31, 18}, false, true);
    ASSERT_EQ(glyph.blocks.size(), 2u);
    EXPECT_EQ(glyph.blocks[0].rect, QRectF(0, 0, 14.75, 18));
    EXPECT_TRUE(glyph.blocks[0].lit);
    EXPECT_EQ(glyph.blocks[1].rect, QRectF(16.25, 0, 14.75, 18));
    EXPECT_FALSE(glyph.blocks[1].lit);
    // Multi-window or all parts lit: every block lit.
    for (const auto& b : KeyGlyph::layout(SnapAction::leftHalf, {31, 18}, true, true).blocks)
        EXPECT_TRUE(b.lit);
}

TEST(KeyGlyphs, CommandGlyphs) {
    const KeyGlyph previous = KeyGlyph::layout(SnapAction::previousDisplay, {31, 18}, false, true);
    ASSERT_TRUE(previous.arrow);
    EXPECT_TRUE(previous.arrow->left);
    EXPECT_TRUE(previous.blocks[0].lit);
    EXPECT_FALSE(previous.blocks[1].lit);
    EXPECT_LT(previous.blocks[0].rect.right(), previous.arrow->rect.left());
    const KeyGlyph next = KeyGlyph::layout(SnapAction::nextDisplay, {31, 18}, false, true);
    EXPECT_FALSE(next.arrow->left);
    EXPECT_FALSE(next.blocks[0].lit);
    EXPECT_TRUE(next.blocks[1].lit);

    EXPECT_TRUE(KeyGlyph::layout(SnapAction::redo, {31, 18}, false, false).greyed);
    EXPECT_FALSE(KeyGlyph::layout(SnapAction::redo, {31, 18}, false, true).greyed);
    EXPECT_FALSE(KeyGlyph::layout(SnapAction::undo, {31, 18}, false, false).greyed);
    EXPECT_EQ(KeyGlyph::layout(SnapAction::undo, {31, 18}, false, false).word->text, "UNDO");
    const KeyGlyph centre = KeyGlyph::layout(SnapAction::centre, {31, 18}, false, true);
    EXPECT_EQ(centre.word->text, "CENTRE");
    EXPECT_DOUBLE_EQ(centre.word->frame.width(), 1.6 * 31);
    EXPECT_DOUBLE_EQ(centre.blocks[1].rect.width(), 0.34 * 31);
    EXPECT_EQ(KeyGlyph::layout(SnapAction::maximize, {31, 18}, false, true).word->text, "MAX");
}

TEST(KeyPulses, PhasesAndTheirStills) {
    // A held key starts at full strength and swells with a 2.8 s period.
    EXPECT_DOUBLE_EQ(KeyPulse::phase(0.0, 0, 0), 1.0);
    EXPECT_NEAR(KeyPulse::phase(1.4, 0, 0), 0.0, 1e-12);
    EXPECT_NEAR(KeyPulse::phase(2.8, 0, 0), 1.0, 1e-12);
    // The wave: index k runs 0.11 of a period behind.
    EXPECT_NEAR(KeyPulse::phase(std::nullopt, 0, 0), 0.0, 1e-12);
    EXPECT_NEAR(KeyPulse::phase(std::nullopt, 1.4, 0), 1.0, 1e-12);
    EXPECT_NEAR(KeyPulse::phase(std::nullopt, 2.8, 0), 0.0, 1e-12);
    EXPECT_NEAR(KeyPulse::phase(std::nullopt, 1.4 + 0.11 * 2.8, 1), 1.0, 1e-12);
    EXPECT_NEAR(KeyPulse::plainOpacity(KeyPulse::kStillPhase), 0.63, 1e-12);
    EXPECT_NEAR(KeyPulse::glowOpacity(KeyPulse::kStillGlowPhase, true), 0.45, 1e-12);
    EXPECT_NEAR(KeyPulse::glowOpacity(KeyPulse::kStillGlowPhase, false), 0.3, 1e-12);
}

TEST(MultiModeBanners, ScaleAndStops) {
    EXPECT_DOUBLE_EQ(MultiModeBanner::scaleFor(100, 200), 0.44);
    EXPECT_DOUBLE_EQ(MultiModeBanner::scaleFor(1000, 200), 1.0); // never enlarged
    EXPECT_DOUBLE_EQ(MultiModeBanner::scaleFor(1, 0.5), 0.88);
    const QGradientStops stops = MultiModeBanner::stops(0, Scheme::Dark);
    ASSERT_EQ(stops.size(), 17);
    EXPECT_DOUBLE_EQ(stops[8].first, 0.5);
    // At t = 0 the first stop is fully the second colour (cos 0 = 1).
    EXPECT_EQ(stops.first().second.toRgb(), QColor(217, 70, 239));
    // One cycle every 2 s.
    EXPECT_EQ(MultiModeBanner::stops(2, Scheme::Light), MultiModeBanner::stops(0, Scheme::Light));
    EXPECT_EQ(MultiModeBanner::stops(1, Scheme::Light).first().second.toRgb(), QColor(109, 59, 238));
}

using Banners = SimPlatformTest;

TEST_F(Banners, NarrowBannerShrinksAndZeroWidthDrawsNothing) {
    const MultiModeBanner wide{50, {246, 46}};
    EXPECT_DOUBLE_EQ(wide.baseFontSize(), 13.5);
    EXPECT_DOUBLE_EQ(wide.scale(), 1.0);
    const MultiModeBanner narrow{50, {60, 46}};
    EXPECT_NEAR(narrow.scale() * narrow.measuredWidth(), 0.88 * 60, 1e-9);

    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    MultiModeBanner{50, {0, 46}}.paint(painter, {}, 0.6, Scheme::Light);
    painter.end();
    EXPECT_EQ(image, [] {
        QImage blank(64, 64, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        return blank;
    }());
}

TEST(HoverTipPlacement, NarrowWindowsAndTheBottomEdge) {
    const TipPlacement narrow = TipPlacement::place({200, 600}, {190, 100}, QStringLiteral("Tip"));
    EXPECT_DOUBLE_EQ(narrow.maxWidth, 184);
    EXPECT_DOUBLE_EQ(narrow.origin.x(), 8);
    EXPECT_DOUBLE_EQ(TipPlacement::place({200, 600}, {-50, 100}, "Tip").origin.x(), 8);

    const TipPlacement below = TipPlacement::place({800, 600}, {100, 517}, "Tip");
    EXPECT_EQ(below.origin, QPointF(112, 539)); // 600 − 60 ≥ 539
    const TipPlacement above = TipPlacement::place({800, 600}, {100, 519}, "Tip");
    EXPECT_EQ(above.origin, QPointF(112, 475));
    EXPECT_DOUBLE_EQ(TipPlacement::place({800, 600}, {700, 100}, "Tip").origin.x(), 800 - 320 - 28);

    EXPECT_FALSE(below.wraps);
    const TipPlacement wrapped = TipPlacement::place({800, 600}, {0, 0}, QString(80, u'x'));
    EXPECT_TRUE(wrapped.wraps);
    EXPECT_DOUBLE_EQ(wrapped.bubble.width(), 320);
}

using HoverTipStates = SimPlatformTest;

TEST_F(HoverTipStates, RestLeaveSwitchAndClick) {
    HoverTipState tips(ViewServices::of(platform()));
    tips.track(QPointF(1, 1), QStringLiteral("A"));
    runtime().advance(0.99);
    EXPECT_FALSE(tips.visible());
    tips.track(std::nullopt, QStringLiteral("A")); // left before the second was up
    runtime().advance(1);
    EXPECT_FALSE(tips.visible());

    tips.track(QPointF(1, 1), QStringLiteral("A"));
    runtime().advance(1);
    EXPECT_TRUE(tips.visible());
    tips.track(QPointF(5, 5), QStringLiteral("B")); // straight onto B: A hides at once
    EXPECT_FALSE(tips.visible());
    tips.track(std::nullopt, QStringLiteral("A")); // A's late hover end leaves B alone
    runtime().advance(1);
    EXPECT_TRUE(tips.visible());
    EXPECT_EQ(tips.text(), "B");
    EXPECT_EQ(tips.point(), QPointF(5, 5));

    tips.track(QPointF(1, 1), QString()); // no text: nothing
    EXPECT_TRUE(tips.visible());
    tips.hideAll();
    EXPECT_FALSE(tips.visible());
    tips.track(QPointF(1, 1), QStringLiteral("C"));
    tips.hideAll(); // a click cancels the pending show too
    runtime().advance(2);
    EXPECT_FALSE(tips.visible());
}

TEST_F(HoverTipStates, ClickInTheSceneHidesTheTip) {
    HoverTipState tips(ViewServices::of(platform()));
    QGraphicsScene scene;
    auto* layer = new HoverTipLayer(tips);
    layer->setSize({800, 600});
    scene.addItem(layer);
    tips.track(QPointF(100, 100), QStringLiteral("Tip"));
    runtime().advance(1 + HoverTipState::kShowFade);
    ASSERT_TRUE(layer->bubbleRect());
    EXPECT_EQ(layer->bubbleRect()->topLeft(), QPointF(112, 122));
    QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
    QCoreApplication::sendEvent(&scene, &press);
    EXPECT_FALSE(tips.visible());
    runtime().advance(HoverTipState::kHideFade);
    EXPECT_FALSE(layer->bubbleRect());
}

using HoverLifts = SimPlatformTest;

TEST_F(HoverLifts, LiftOutlineAndPulse) {
    HoverLift lift({12, 1.05, true, true, false}, 0);
    lift.setHovering(true, 0);
    EXPECT_TRUE(lift.lit());
    EXPECT_DOUBLE_EQ(lift.scaleAt(1, false), 1.05);
    EXPECT_DOUBLE_EQ(lift.scaleAt(1, true), 1.0); // reduce motion: no growth
    EXPECT_DOUBLE_EQ(lift.outlineOpacityAt(1), 0.7);
    EXPECT_TRUE(lift.shadow(Scheme::Light).on);

    lift.setOptions({12, 1.05, false, true, true}, 1);
    EXPECT_FALSE(lift.lit());
    EXPECT_FALSE(lift.pulsing(false));
    EXPECT_DOUBLE_EQ(lift.scaleAt(2, false), 1.0);
    EXPECT_FALSE(lift.shadow(Scheme::Light).on);

    lift.setHovering(false, 2);
    lift.setOptions({12, 1.05, true, true, true}, 2);
    EXPECT_TRUE(lift.pulsing(false));
    EXPECT_FALSE(lift.pulsing(true));
    EXPECT_DOUBLE_EQ(HoverLift::pulseAt(0).width, 3);
    EXPECT_DOUBLE_EQ(HoverLift::pulseAt(0).opacity, 1);
    EXPECT_NEAR(HoverLift::pulseAt(0.45).width, 1.5, 1e-12);
    EXPECT_NEAR(HoverLift::pulseAt(0.45).opacity, 0.4, 1e-12);
}

TEST(Blinks, CursorAndEditBlinkShareTheClock) {
    EXPECT_TRUE(BlinkClock::isOn(0.1));
    EXPECT_FALSE(BlinkClock::isOn(0.6));
    EXPECT_DOUBLE_EQ(BlinkingCursor::opacityAt(0.3), 1.0);
    EXPECT_DOUBLE_EQ(BlinkingCursor::opacityAt(0.8), 0.1);
    EXPECT_DOUBLE_EQ(BlinkingCursor::opacityAt(0.5), 1.0); // the fade starts from full
    EXPECT_DOUBLE_EQ(EditBlink{true}.opacityAt(0.6), 0.15);
    EXPECT_DOUBLE_EQ(EditBlink{true}.opacityAt(1.1), 1.0);
    EXPECT_DOUBLE_EQ(EditBlink{false}.opacityAt(0.6), 1.0);
}

TEST(ReduceMotionSetting, GsettingsAndGtkSettings) {
    using platform::GtkReduceMotion;
    EXPECT_EQ(GtkReduceMotion::parseGsettingsBool("false\n"), false);
    EXPECT_EQ(GtkReduceMotion::parseGsettingsBool("true"), true);
    EXPECT_EQ(GtkReduceMotion::parseGsettingsBool("No such key"), std::nullopt);
    EXPECT_EQ(GtkReduceMotion::enableAnimationsFromIni(
                  "[Settings]\ngtk-theme-name=Adwaita\ngtk-enable-animations=0\n"),
              false);
    EXPECT_EQ(GtkReduceMotion::enableAnimationsFromIni("[Other]\ngtk-enable-animations=false\n"),
              std::nullopt);
    EXPECT_EQ(GtkReduceMotion::enableAnimationsFromIni("[Settings]\n gtk-enable-animations = true\n"), true);
}

} // namespace
