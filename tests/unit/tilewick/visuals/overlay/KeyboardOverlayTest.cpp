#include "support/Golden.h"
#include "support/KeyEvents.h"
#include "support/StoreTest.h"

#include "tilewick/visuals/keyboard/KeyboardView.h"
#include "tilewick/visuals/keyboard/OverlayKeyboard.h"
#include "tilewick/visuals/overlay/KeyboardOverlay.h"

#include "platform/sim/SimFloatingPanel.h"
#include "platform/sim/SimKeyboard.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <atomic>

namespace {

using namespace tilewick;
using platform::AXElement;
using platform::ScreenInfo;

constexpr qint32 kEditor = 100;
constexpr double kEpsilon = 1e-9;
// Fades read a clock of whole seconds plus fractions: equal within this.
constexpr double kClose = 1e-6;

// A 1512 × 982 screen (the floating keyboard 994 × 375.72 at (259, 57.64) from its bottom-left
// corner, so from y 548.64 to 924.36 in top-left coordinates: its window at (259, 549)) and a
// 2560 × 1440 one to its right, their tops level.
class KeyboardOverlayTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        desktop().addScreen({0, 0, 1512, 982}, {0, 25, 1512, 957});
        desktop().addScreen({1512, 0, 2560, 1440}, {1512, 0, 2560, 1440});
        desktop().addApp({.pid = kEditor, .name = QStringLiteral("Editor")});
        desktop().activate(kEditor);
        overlayHook = keyboardOverlay = std::make_shared<KeyboardOverlay>(
            ViewServices::of(platform()), OverlayServices{platform().shared<platform::Screens>(),
                                                          platform().shared<platform::Keyboard>(), floating});
        makeStore();
    }
    void TearDown() override {
        destroyStore();
        keyboardOverlay.reset();
        StoreTest::TearDown();
    }

    ScreenInfo screen(int index) { return desktop().screens().at(index); }
    KeyboardOverlay& shown(int index = 0) {
        keyboardOverlay->show(screen(index));
        return *keyboardOverlay;
    }
    AXElement window(const QString& title) {
        return desktop().addWindow(kEditor, {.title = title, .frame = {100, 100, 400, 300}});
    }
    QList<QRectF> holeRects() const {
        QList<QRectF> rects;
        for (const auto& hole : keyboardOverlay->holes())
            rects.append(hole->rect);
        return rects;
    }
    // How far each hole has closed now.
    QList<double> closing() {
        QList<double> values;
        for (const auto& hole : keyboardOverlay->holes())
            values.append(hole->closed.valueAt(runtime().clock().uptime()));
        return values;
    }
    // The panel as it looks now, over nothing.
    QImage picture() {
        QImage image(keyboardOverlay->windowFrame().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        keyboardOverlay->paint(painter);
        return image;
    }

    platform::sim::SimFloatingPanel floating;
    std::shared_ptr<KeyboardOverlay> keyboardOverlay;
};

TEST_F(KeyboardOverlayTest, GeometryFromTheScreen) {
    struct Case {
        QRectF screen;
        qreal width, keyboard, height;
        QPointF origin;
    };
    const Case cases[] = {
        {{0, 0, 1512, 982}, 994, 958, 375.72413793103448, {259, 57.637931034482762}},
        // The height bound: 0.9 × 2560 is more than 1350.
        {{0, 0, 2560, 1440}, 1350, 1314, 498.48275862068965, {605, 110.75862068965517}},
        // 1.0125 × 900 = 911.25, rounded.
        {{0, 0, 1440, 900}, 911, 875, 347.10344827586209, {264.5, 51.448275862068954}},
        // Rounded halves go up: 0.9 × 1285 = 1156.5.
        {{0, 0, 1285, 2000}, 1157, 1121, 431.93103448275866, {64, 284.0344827586207}},
        // Another screen's origin.
        {{1512, -200, 2560, 1440}, 1350, 1314, 498.48275862068965, {2117, -89.241379310344826}},
        // Tiny screens give zero sizes, never negative ones.
        {{0, 0, 40, 30}, 30, 0, 48, {5, -16.5}},
        {{0, 0, 0, 0}, 0, 0, 48, {0, -24}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.screen.size()));
        const OverlayGeometry g = OverlayGeometry::forScreen(c.screen);
        EXPECT_EQ(g.width, c.width);
        EXPECT_EQ(g.keyboardWidth, c.keyboard);
        EXPECT_NEAR(g.height, c.height, kEpsilon);
        EXPECT_NEAR(g.frame.x(), c.origin.x(), kEpsilon);
        EXPECT_NEAR(g.frame.y(), c.origin.y(), kEpsilon);
        EXPECT_EQ(g.frame.width(), g.width);
        EXPECT_EQ(g.frame.height(), g.height);
    }
}

TEST_F(KeyboardOverlayTest, ShowMakesTheFloatingPanelOnceAndFadesItIn) {
    EXPECT_FALSE(keyboardOverlay->isVisible());
    EXPECT_EQ(keyboardOverlay->panel(), nullptr) << "made by the first show, not before";

    keyboardOverlay->show(std::nullopt);
    EXPECT_EQ(keyboardOverlay->panel(), nullptr) << "no screen: nothing";

    KeyboardOverlay& o = shown();
    QWidget* panel = o.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(o.isVisible());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(store().animating()) << "the store hears of the show";
    // Its corner on whole pixels, in the desktop's top-left coordinates.
    EXPECT_EQ(o.windowFrame(), QRect(259, 549, 994, 376));
    EXPECT_EQ(panel->geometry(), o.windowFrame());
    ASSERT_EQ(floating.prepared().size(), 1u);
    EXPECT_EQ(floating.prepared()[0], panel->windowHandle());
    ASSERT_EQ(floating.raised().size(), 1u);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    ASSERT_NE(o.content(), nullptr);
    EXPECT_EQ(o.content()->keyboard().metrics().width, 958);

    // 0.1 s of fade-in.
    EXPECT_EQ(o.opacity(), 0);
    runtime().advance(0.05);
    EXPECT_NEAR(o.opacity(), 0.5, kClose);
    EXPECT_TRUE(o.isFading());
    runtime().advance(0.05);
    EXPECT_NEAR(o.opacity(), 1, kClose);
    runtime().advance(1.0 / 60);
    EXPECT_FALSE(o.isFading()) << "no frames once nothing moves";
}

TEST_F(KeyboardOverlayTest, ShowWhileVisibleMovesWithoutAFadeAndRebuildsTheKeyboard) {
    KeyboardOverlay& o = shown();
    runtime().advance(0.2);
    const AXElement w = window(QStringLiteral("Doc"));
    o.punchHole(w, {300, 600, 400, 200});
    ASSERT_EQ(o.holes().size(), 1);
    const QPointer<OverlayKeyboard> before = o.content();

    o.show(screen(1));
    EXPECT_EQ(o.opacity(), 1) << "no second fade";
    EXPECT_EQ(o.windowFrame(), QRect(2117, 831, 1350, 499));
    EXPECT_EQ(o.panel()->geometry(), o.windowFrame());
    EXPECT_TRUE(before.isNull()) << "a fresh keyboard";
    EXPECT_EQ(o.content()->keyboard().metrics().width, 1314);
    EXPECT_TRUE(o.holes().isEmpty());
    EXPECT_EQ(floating.raised().size(), 1u) << "already in front";
}

TEST_F(KeyboardOverlayTest, TheKeyboardTypeIsAskedAtEachShow) {
    KeyboardOverlay& o = shown();
    EXPECT_EQ(o.content()->keyboard().keyCap(10), nullptr) << "ANSI: no section key";
    platform().service<platform::sim::SimKeyboard>().setISO(true);
    o.show(screen(0));
    EXPECT_NE(o.content()->keyboard().keyCap(10), nullptr) << "ISO";
}

TEST_F(KeyboardOverlayTest, HideFadesOutThenOrdersOutAndDropsTheKeyboard) {
    keyboardOverlay->hide();
    EXPECT_EQ(keyboardOverlay->panel(), nullptr) << "hidden: nothing to do";

    KeyboardOverlay& o = shown();
    runtime().advance(0.1);
    o.hide();
    EXPECT_FALSE(o.isVisible());
    EXPECT_FALSE(store().animating()) << "at the start of the fade, not its end";
    EXPECT_TRUE(o.panel()->isVisible());
    runtime().advance(0.07);
    EXPECT_NEAR(o.opacity(), 0.5, kClose);
    EXPECT_NE(o.content(), nullptr);
    runtime().advance(0.07);
    EXPECT_NEAR(o.opacity(), 0, kClose);
    EXPECT_FALSE(o.panel()->isVisible());
    EXPECT_EQ(o.content(), nullptr);

    // The panel is kept for the next show.
    QWidget* panel = o.panel();
    o.show(screen(0));
    EXPECT_EQ(o.panel(), panel);
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(KeyboardOverlayTest, AShowDuringTheFadeOutFadesInAgainAndTheFadeOutsEndDoesNothing) {
    KeyboardOverlay& o = shown();
    runtime().advance(0.1);
    o.hide();
    runtime().advance(0.07);
    o.show(screen(0));
    EXPECT_TRUE(o.isVisible());
    EXPECT_TRUE(store().animating());
    EXPECT_EQ(o.opacity(), 0) << "through the fade-in";
    runtime().advance(0.1);
    EXPECT_EQ(o.opacity(), 1);
    runtime().advance(0.5);
    EXPECT_TRUE(o.panel()->isVisible()) << "the earlier fade-out's end leaves it";
    EXPECT_NE(o.content(), nullptr);
}

TEST_F(KeyboardOverlayTest, AHoleStaysOpenHalfASecondThenFadesShutOverAnother) {
    KeyboardOverlay& o = shown();
    runtime().advance(0.2);
    const AXElement w = window(QStringLiteral("Doc"));
    // From top-left (300, 600): (41, 51.36) inside the panel at (259, 548.64).
    o.punchHole(w, {300, 600, 400, 200});
    ASSERT_EQ(holeRects(), (QList<QRectF>{{41, 51, 400, 200}}));
    EXPECT_EQ(o.holes()[0]->window, w);

    // Eased: half shut half-way through.
    const struct {
        double at;
        double closed;
    } steps[] = {{0.49, 0}, {0.5, 0}, {0.625, 0.0625}, {0.75, 0.5}, {0.875, 0.9375}};
    double t = 0;
    for (const auto& step : steps) {
        runtime().advance(step.at - t);
        t = step.at;
        SCOPED_TRACE(t);
        ASSERT_EQ(closing().size(), 1);
        EXPECT_NEAR(closing()[0], step.closed, kClose);
    }
    runtime().advance(0.12);
    EXPECT_EQ(o.holes().size(), 1) << "shut at 1.0";
    runtime().advance(0.005);
    EXPECT_TRUE(o.holes().isEmpty()) << "removed when shut";
    EXPECT_FALSE(o.isFading());
}

// On a scaled screen the keyboard is sized and placed in points (the screen's device pixels divided
// by its scale, from its top-left corner), as Qt lays the window out; a moved window's frame, in
// device pixels, meets the panel there too. The 2560 × 1440 screen is 1706.67 × 960 points at 1.5
// and 1280 × 720 at 2.
TEST_F(KeyboardOverlayTest, OnAScaledScreenItIsSizedAndPlacedInPoints) {
    struct Case {
        qreal scale;
        QRect frame;
        qreal keyboard;
        QRectF hole;
    };
    const Case cases[] = {
        {1, {2117, 831, 1350, 499}, 1314, {395, 169, 400, 300}},
        {1.5, {1879, 536, 972, 369}, 936, {299.6666666666667, 130.6666666666667, 266.6666666666667, 200}},
        {2, {1788, 398, 729, 285}, 693, {224, 102, 200, 150}},
    };
    const AXElement w = window(QStringLiteral("Doc"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        floating.setScale(c.scale);
        KeyboardOverlay& o = shown(1);
        EXPECT_EQ(o.windowFrame(), c.frame);
        EXPECT_EQ(o.panel()->geometry(), c.frame);
        EXPECT_EQ(o.content()->keyboard().metrics().width, c.keyboard);
        o.punchHole(w, {2512, 1000, 400, 300});
        ASSERT_EQ(holeRects().size(), 1);
        EXPECT_NEAR(holeRects()[0].x(), c.hole.x(), kEpsilon);
        EXPECT_NEAR(holeRects()[0].y(), c.hole.y(), kEpsilon);
        EXPECT_NEAR(holeRects()[0].width(), c.hole.width(), kEpsilon);
        EXPECT_NEAR(holeRects()[0].height(), c.hole.height(), kEpsilon);
        o.hide();
        runtime().advance(KeyboardOverlay::kFadeOut);
    }
}

TEST_F(KeyboardOverlayTest, AWindowMovedAgainKeepsOneHoleAtItsNewestPlace) {
    KeyboardOverlay& o = shown();
    const AXElement w = window(QStringLiteral("Doc"));
    const AXElement other = window(QStringLiteral("Other"));
    o.punchHole(w, {300, 600, 400, 200});
    o.punchHole(other, {900, 560, 100, 100});
    runtime().advance(0.3);
    o.punchHole(w, {500, 600, 400, 200});
    EXPECT_EQ(holeRects(), (QList<QRectF>{{641, 11, 100, 100}, {241, 51, 400, 200}}));

    // At 0.5 the first hole's close finds it gone; the other window's hole starts to close.
    runtime().advance(0.25);
    EXPECT_EQ(o.holes().size(), 2);
    EXPECT_GT(closing()[0], 0);
    EXPECT_EQ(closing()[1], 0) << "punched at 0.3, open until 0.8";
    runtime().advance(0.45); // 1.0
    EXPECT_EQ(holeRects(), (QList<QRectF>{{241, 51, 400, 200}}));
    runtime().advance(0.05);
    EXPECT_NEAR(closing()[0], 0.5, kClose);
    runtime().advance(0.25); // 1.3
    EXPECT_TRUE(o.holes().isEmpty());
}

TEST_F(KeyboardOverlayTest, AWindowMovedOffThePanelLeavesNoHoleAndClosesItsEarlierOneAtOnce) {
    KeyboardOverlay& o = shown();
    const AXElement w = window(QStringLiteral("Doc"));
    o.punchHole(w, {300, 600, 400, 200});
    ASSERT_EQ(o.holes().size(), 1);
    // Above the panel: its bottom edge meets the panel's top (548.64) nowhere.
    o.punchHole(w, {300, 0, 400, 540});
    EXPECT_TRUE(o.holes().isEmpty());
    // Only touching the panel's left edge is not meeting it either.
    o.punchHole(w, {0, 600, 259, 200});
    EXPECT_TRUE(o.holes().isEmpty());
    // On the other screen.
    o.punchHole(w, {2000, 600, 400, 200});
    EXPECT_TRUE(o.holes().isEmpty());
    // Over the edge: a hole, reaching beyond the panel.
    o.punchHole(w, {0, 0, 300, 600});
    EXPECT_EQ(holeRects(), (QList<QRectF>{{-259, -549, 300, 600}}));
}

TEST_F(KeyboardOverlayTest, HolesOnlyWhileVisibleAndHidingTakesThemAlong) {
    const AXElement w = window(QStringLiteral("Doc"));
    keyboardOverlay->punchHole(w, {300, 600, 400, 200});
    EXPECT_TRUE(keyboardOverlay->holes().isEmpty()) << "never shown";

    KeyboardOverlay& o = shown();
    runtime().advance(0.2);
    o.punchHole(w, {300, 600, 400, 200});
    runtime().advance(0.2);
    o.hide();
    EXPECT_TRUE(o.holes().isEmpty()) << "the hole goes with the panel";
    o.punchHole(w, {300, 600, 400, 200});
    EXPECT_TRUE(o.holes().isEmpty()) << "hiding";
    runtime().advance(1);
    EXPECT_FALSE(o.isFading()) << "the hole's later steps found nothing";

    // A show clears the holes too.
    o.show(screen(0));
    o.punchHole(w, {300, 600, 400, 200});
    o.show(screen(0));
    EXPECT_TRUE(o.holes().isEmpty());
}

TEST_F(KeyboardOverlayTest, AHoleFromAWorkerQueueOpensOnTheMainThread) {
    KeyboardOverlay& o = shown();
    const AXElement w = window(QStringLiteral("Doc"));
    std::atomic<bool> sawVisible = false;
    runtime().serialQueue(QStringLiteral("test.worker"))->sync([&] {
        sawVisible = o.isVisible();
        o.punchHole(w, {300, 600, 400, 200});
    });
    EXPECT_TRUE(sawVisible);
    EXPECT_TRUE(o.holes().isEmpty()) << "handed to the main queue";
    runtime().runUntilIdle();
    EXPECT_EQ(holeRects(), (QList<QRectF>{{41, 51, 400, 200}}));
}

TEST_F(KeyboardOverlayTest, TheMoverPunchesHolesThroughTheStoresFloatingKeyboard) {
    const AXElement w = window(QStringLiteral("Doc"));
    mover->perform(SnapAction::leftHalf);
    EXPECT_TRUE(keyboardOverlay->holes().isEmpty()) << "hidden: no hole";

    shown();
    mover->perform(SnapAction::bottomHalf);
    // The bottom half of the visible frame (0, 25, 1512, 957), from y 503.5 → 504 (rounded) down
    // to the frame's bottom edge at 982.
    EXPECT_EQ(holeRects(), (QList<QRectF>{{-259, 504 - 549, 1512, 478}}));
    EXPECT_EQ(keyboardOverlay->holes()[0]->window, w);
}

TEST_F(KeyboardOverlayTest, HoldingTheModifiersShowsItOnTheFocusedWindowsScreen) {
    desktop().addWindow(kEditor, {.title = QStringLiteral("Wide"), .frame = {1600, 100, 800, 600}});
    store().flagsChanged(platform::KeyEvent::flagsChanged(58, platform::kOptionFlag));
    store().flagsChanged(platform::KeyEvent::flagsChanged(55, testkeys::kOptionCommand));
    runtime().advance(0.11);
    EXPECT_FALSE(keyboardOverlay->isVisible());
    runtime().advance(0.01);
    ASSERT_TRUE(keyboardOverlay->isVisible());
    EXPECT_EQ(keyboardOverlay->windowFrame(), QRect(2117, 831, 1350, 499));
    EXPECT_TRUE(store().animating());

    store().flagsChanged(platform::KeyEvent::flagsChanged(55, platform::kOptionFlag));
    EXPECT_FALSE(keyboardOverlay->isVisible());
    EXPECT_FALSE(store().animating());
}

TEST_F(KeyboardOverlayTest, TheKeyboardGoesWithTheStore) {
    KeyboardOverlay& o = shown();
    destroyStore();
    EXPECT_EQ(o.content(), nullptr);
    EXPECT_FALSE(o.isVisible());
    o.show(screen(0));
    EXPECT_EQ(o.content(), nullptr) << "nothing to draw";
}

// --- Pictures ---

TEST_F(KeyboardOverlayTest, HolesAreClearedOutOfThePictureAsFarAsTheyAreOpen) {
    KeyboardOverlay& o = shown();
    runtime().advance(0.1);
    const QImage before = picture();
    o.punchHole(window(QStringLiteral("Doc")), {300, 600, 400, 200});
    runtime().advance(0.3);
    o.punchHole(window(QStringLiteral("Other")), {900, 700, 300, 150});
    runtime().advance(0.45); // the first hole half shut, the second open
    const QImage image = picture();
    const QPoint firstHole(200, 150), secondHole(800, 230), keys(900, 100), corner(1, 1);
    EXPECT_EQ(qAlpha(image.pixel(secondHole)), 0);
    const int fullAlpha = qAlpha(image.pixel(700, 30));
    EXPECT_GT(fullAlpha, 180);
    EXPECT_NEAR(qAlpha(image.pixel(firstHole)), qAlpha(before.pixel(firstHole)) / 2, 2);
    EXPECT_EQ(qAlpha(image.pixel(keys)), qAlpha(before.pixel(keys)));
    EXPECT_GT(qAlpha(image.pixel(keys)), 200);
    EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << "rounded corners";
}

TEST_F(KeyboardOverlayTest, WithoutACompositorItIsOpaqueAndShapedAndSaysSoOnce) {
    floating.setComposited(false);
    KeyboardOverlay& o = shown();
    EXPECT_FALSE(o.translucent());
    o.punchHole(window(QStringLiteral("Doc")), {300, 600, 400, 200});
    const QImage image = picture();
    EXPECT_EQ(qAlpha(image.pixel(700, 30)), 255) << "at once, no fade";
    EXPECT_EQ(qAlpha(image.pixel(200, 150)), 255) << "the hole is in the shape";

    const QRegion shape = o.panel()->mask();
    EXPECT_TRUE(shape.contains(QPoint(700, 30)));
    EXPECT_FALSE(shape.contains(QPoint(200, 150)));
    EXPECT_FALSE(shape.contains(QPoint(1, 1)));
    // The hole leaves the shape once it is more shut than open.
    runtime().advance(0.74);
    EXPECT_FALSE(o.panel()->mask().contains(QPoint(200, 150)));
    runtime().advance(0.02);
    EXPECT_TRUE(o.panel()->mask().contains(QPoint(200, 150)));

    o.hide();
    runtime().advance(1);
    o.show(screen(0));
    EXPECT_EQ(loggedEvents(QStringLiteral("overlay.opaque")), QStringList{"overlay.opaque"});

    // A compositor that comes along later makes the next showing translucent.
    o.hide();
    runtime().advance(1);
    floating.setComposited(true);
    o.show(screen(0));
    EXPECT_TRUE(o.translucent());
    EXPECT_TRUE(o.panel()->mask().isEmpty());
}

TEST_F(KeyboardOverlayTest, PicturesLightAndDarkWithHoles) {
    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        SCOPED_TRACE(scheme == Scheme::Dark ? "dark" : "light");
        appearance().force(scheme);
        KeyboardOverlay& o = shown();
        runtime().advance(0.2);
        o.punchHole(window(QStringLiteral("Doc")), {300, 600, 400, 200});
        runtime().advance(0.2);
        o.punchHole(window(QStringLiteral("Other")), {900, 650, 500, 180});
        runtime().advance(0.45); // the first hole partly shut
        // Over a backdrop, as the desktop shows it.
        QImage image(o.windowFrame().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(64, 120, 160));
        QPainter painter(&image);
        painter.drawImage(0, 0, picture());
        painter.end();
        EXPECT_TRUE(matchesGolden(image, scheme == Scheme::Dark
                                             ? QStringLiteral("overlay/panel-holes-dark")
                                             : QStringLiteral("overlay/panel-holes-light")));
        o.hide();
        runtime().advance(1);
    }
}

} // namespace
