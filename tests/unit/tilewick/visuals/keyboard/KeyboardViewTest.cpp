#include "support/Golden.h"
#include "support/StoreTest.h"

#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/keyboard/KeyCapItem.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

using namespace tilewick;

constexpr quint16 kLeftArrow = 123, kRightArrow = 124, kGlobe = 63, kCommand = 55, kOption = 58,
                  kControl = 59;
constexpr quint16 kKeyQ = 12, kKeyC = 8, kKeyV = 9, kKeyZ = 6, kKeyX = 7, kKeyF = 3, kReturn = 36;

// A drawn keyboard 721 points wide (u = 50) in a scene of its own, with its own tip state.
class KeyboardViewTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
        tips.emplace(ViewServices::of(platform()));
    }
    void TearDown() override {
        m_scene.reset();
        tips.reset();
        StoreTest::TearDown();
    }

    KeyboardView& keyboard(KeyboardEnvironment env = {}, bool iso = false) {
        m_scene = std::make_unique<QGraphicsScene>();
        auto* view = new KeyboardView(
            store(), ViewServices::of(platform()), *tips, [iso] { return iso; }, 4, std::move(env));
        view->setWidth(721);
        m_scene->addItem(view);
        return *view;
    }
    KeyCapItem& cap(quint16 code) {
        auto* view = static_cast<KeyboardView*>(m_scene->items(Qt::AscendingOrder).first()->topLevelItem());
        KeyCapItem* item = view->keyCap(code);
        EXPECT_NE(item, nullptr) << code;
        return *item;
    }
    void hold(std::initializer_list<quint16> codes) {
        QHash<quint16, double> keys;
        for (quint16 code : codes)
            keys.insert(code, 0.0);
        store().setPressedKeys(keys);
        runtime().advance(KeyboardView::kHeldKeysDelay); // held keys are drawn a moment later
    }
    // The keyboard drawn at 2x on the page background.
    QImage render(KeyboardView& view, Scheme scheme) {
        appearance().force(scheme);
        runtime().advance(KeyboardView::kFade); // banners faded in
        const QRectF area = view.sceneBoundingRect().adjusted(0, 0, 0, 0);
        QImage image((area.size() * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Theme::background.resolve(scheme));
        view.setEnvironment(view.environment()); // the looks of the new scheme
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        m_scene->render(&painter, QRectF(QPointF(), area.size() * 2), area);
        return image;
    }

    std::optional<HoverTipState> tips;
    std::unique_ptr<QGraphicsScene> m_scene;
};

TEST_F(KeyboardViewTest, BindingsByKeyPreferTheCurrentTabThenDeclarationOrder) {
    Bindings bindings = store().bindings();
    // topLeftQuarter (quarters) and leftThird (thirds) both on Q, declared in that order.
    bindings[SnapAction::leftThird] = Hotkey{kKeyQ, kCommandFlag, "Q"};
    bindings[SnapAction::topLeftQuarter] = Hotkey{kKeyQ, kCommandFlag, "Q"};
    store().setBindings(bindings);
    struct Case {
        SnapTab tab;
        SnapAction drawn;
    };
    for (const Case& c :
         {Case{SnapTab::global, SnapAction::leftThird}, Case{SnapTab::thirds, SnapAction::leftThird},
          Case{SnapTab::quarters, SnapAction::topLeftQuarter}}) {
        store().setTab(c.tab);
        const auto map = KeyboardView::bindingsByKey(store());
        ASSERT_TRUE(map.contains(kKeyQ));
        EXPECT_EQ(map.at(kKeyQ).action, c.drawn) << rawValue(c.tab).toStdString();
        // Drawn with the store's modifiers, not the stored ones.
        EXPECT_EQ(map.at(kKeyQ).hotkey, (Hotkey{kKeyQ, store().modifiers(), "Q"}));
    }
    bindings.erase(SnapAction::leftHalf);
    store().setBindings(bindings);
    EXPECT_FALSE(KeyboardView::bindingsByKey(store()).contains(kLeftArrow));
}

TEST_F(KeyboardViewTest, BannerTextForEachHeldSet) {
    const QString multi = QStringLiteral("Multi-window primed \u2013 press a layout key");
    const QString primed = QStringLiteral("Modifiers primed \u2013 press a key");
    struct Case {
        std::initializer_list<quint16> held;
        bool multiWindow, branded, picking;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {{kOption, kCommand}, false, false, false, primed},
        {{kOption, kCommand}, true, true, false, multi},
        {{kOption, kCommand, kGlobe}, false, false, false, multi},
        {{kOption, kCommand, kGlobe}, false, false, true, multi},
        {{kOption, kCommand, kGlobe}, false, true, false, primed},
        {{kGlobe}, false, false, false, QStringLiteral("Also press \u2325\u2318 for multi-mode")},
        {{kGlobe}, false, true, false, std::nullopt},
        {{kGlobe}, false, false, true, std::nullopt},
        {{kOption}, false, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        hold(c.held);
        store().setMultiWindow(c.multiWindow);
        EXPECT_EQ(KeyboardView::bannerText(store(), c.branded, c.picking), c.text)
            << c.held.size() << c.multiWindow << c.branded << c.picking;
    }
}

TEST_F(KeyboardViewTest, HeldKeysAreDrawnAMomentLaterOnceForAChord) {
    keyboard();
    // A hotkey's move, queued between the modifiers of its chord: it runs before the keyboard is
    // drawn again for them, which happens once, a moment after the first.
    std::optional<bool> heldWhenMoving;
    store().setPressedKeys({{kOption, 0.0}});
    runtime().advance(KeyboardView::kHeldKeysDelay / 2);
    runtime().async([&] { heldWhenMoving = cap(kOption).look().held; });
    store().setPressedKeys({{kOption, 0.0}, {kCommand, 0.0}});
    runtime().runUntilIdle();
    EXPECT_EQ(heldWhenMoving, false);
    EXPECT_FALSE(cap(kCommand).look().held);
    runtime().advance(KeyboardView::kHeldKeysDelay / 2);
    EXPECT_TRUE(cap(kCommand).look().held);
    EXPECT_TRUE(cap(kOption).look().held);
}

TEST_F(KeyboardViewTest, ARedrawRepaintsOnlyWhatChanged) {
    KeyboardView& view = keyboard();
    QCoreApplication::processEvents();
    QRectF repainted;
    QObject::connect(m_scene.get(), &QGraphicsScene::changed, [&](const QList<QRectF>& rects) {
        for (const QRectF& r : rects)
            repainted |= r;
    });
    // One modifier held: its cap, not the layers over the whole keyboard.
    hold({kOption});
    QCoreApplication::processEvents();
    EXPECT_TRUE(repainted.contains(cap(kOption).sceneBoundingRect().center()));
    EXPECT_LT(repainted.width(), view.sceneBoundingRect().width() / 4);
    // A refresh that changes nothing repaints nothing; the banner of both modifiers is drawn.
    repainted = {};
    view.setEnvironment(view.environment());
    QCoreApplication::processEvents();
    EXPECT_TRUE(repainted.isEmpty());
    hold({kOption, kCommand});
    QCoreApplication::processEvents();
    EXPECT_EQ(repainted, view.sceneBoundingRect());
}

TEST_F(KeyboardViewTest, MultiModeBannerShowsOnTheRightKeyboards) {
    hold({kOption, kCommand, kGlobe});
    EXPECT_TRUE(KeyboardView::showsMultiMode(store(), {}));
    EXPECT_FALSE(KeyboardView::showsMultiMode(store(), {.pickingAppSnap = true}));
    EXPECT_FALSE(KeyboardView::showsMultiMode(store(), {.brandedSpaceBar = true}));
    store().setMultiWindow(true);
    EXPECT_TRUE(KeyboardView::showsMultiMode(store(), {.brandedSpaceBar = true}));
}

TEST_F(KeyboardViewTest, TipsNameEveryKindOfKeyWordForWord) {
    keyboard();
    EXPECT_EQ(cap(kLeftArrow).look().tip, "Halves: Left. Click to change its key");
    EXPECT_EQ(cap(kLeftArrow).look().accessibilityLabel, "Halves: Left, \u2190");
    EXPECT_EQ(cap(kKeyC).look().tip, "Centre. Click to change its key");
    EXPECT_EQ(cap(kKeyC).look().accessibilityLabel, "Centre, C");
    EXPECT_EQ(cap(kCommand).look().tip, "One of your Tilewick modifier keys. Hold down this plus option then "
                                        "another key to snap the window. Click to edit.");
    EXPECT_EQ(
        cap(kGlobe).look().tip,
        "The multi-window modifier. Hold it with \u2325\u2318, then press a layout key: if the focused app "
        "supports multiple windows, it fills the layout with them, opening new ones as needed");
    EXPECT_EQ(cap(kKeyV).look().tip, "");
    EXPECT_EQ(cap(kKeyV).look().accessibilityLabel, "V");
    store().setModifiers(kControlFlag | kOptionFlag | kCommandFlag);
    EXPECT_EQ(cap(kControl).look().tip, "One of your Tilewick modifier keys. Hold down this plus option and "
                                        "command then another key to snap the window. Click to edit.");
    EXPECT_EQ(KeyCap::otherModifierNames(kControlFlag | kOptionFlag | kShiftFlag | kCommandFlag, kShiftFlag),
              "control, option and command");
}

TEST_F(KeyboardViewTest, TapsRecordSelectTheTabOrEditTheModifiers) {
    keyboard();
    cap(kKeyV).tap();  // unbound, no modifier: nothing
    cap(kGlobe).tap(); // lifts on hover, but a tap does nothing
    EXPECT_EQ(store().tab(), SnapTab::global);
    EXPECT_FALSE(store().recording());
    EXPECT_FALSE(store().editingModifiers());
    EXPECT_TRUE(cap(kGlobe).look().liftEnabled);
    EXPECT_FALSE(cap(kGlobe).look().pencil);
    EXPECT_FALSE(cap(kKeyV).look().liftEnabled);

    cap(kKeyQ).tap();
    EXPECT_EQ(store().tab(), SnapTab::quarters);
    EXPECT_EQ(store().recording(), SnapAction::topLeftQuarter);
    EXPECT_TRUE(cap(kKeyQ).look().editing);
    store().stopRecording();
    store().setRecording(std::nullopt);

    cap(kOption).tap();
    EXPECT_EQ(store().tab(), SnapTab::global);
    EXPECT_TRUE(store().editingModifiers());
    EXPECT_TRUE(cap(kOption).look().editing);
    EXPECT_TRUE(cap(kCommand).look().editing);
    EXPECT_FALSE(cap(kControl).look().editing);
}

TEST_F(KeyboardViewTest, HoverShowsTheKeysTabUnlessBusy) {
    keyboard();
    cap(kKeyQ).setHovered(true, {10, 10});
    EXPECT_EQ(store().hoveredKeyAction(), SnapAction::topLeftQuarter);
    EXPECT_EQ(store().tab(), SnapTab::quarters);
    cap(kKeyQ).setHovered(false);
    EXPECT_EQ(store().hoveredKeyAction(), std::nullopt);

    cap(kKeyV).setHovered(true, {});
    EXPECT_EQ(store().tab(), SnapTab::quarters); // an unbound key changes nothing
    cap(kGlobe).setHovered(true, {});
    EXPECT_TRUE(store().hoveredGlobeKey());
    EXPECT_EQ(store().tab(), SnapTab::global);
    cap(kGlobe).setHovered(false);
    EXPECT_FALSE(store().hoveredGlobeKey());

    store().setTab(SnapTab::halves);
    cap(kCommand).setHovered(true, {});
    EXPECT_TRUE(store().hoveredModifierKey());
    EXPECT_EQ(store().tab(), SnapTab::global);
    cap(kCommand).setHovered(false);

    store().beginRecording(SnapAction::leftHalf);
    cap(kKeyQ).setHovered(true, {});
    EXPECT_EQ(store().hoveredKeyAction(), SnapAction::topLeftQuarter);
    EXPECT_EQ(store().tab(), SnapTab::global); // busy: the tab stays
}

TEST_F(KeyboardViewTest, HoverTipShowsAfterOneSecondAndHidesOnLeave) {
    keyboard();
    cap(kKeyQ).setHovered(true, {100, 40});
    runtime().advance(0.9);
    EXPECT_FALSE(tips->visible());
    runtime().advance(0.1);
    EXPECT_TRUE(tips->visible());
    EXPECT_EQ(tips->text(), "Quarters: Top left. Click to change its key");
    EXPECT_EQ(tips->point(), QPointF(100, 40));
    cap(kKeyQ).setHovered(false);
    EXPECT_FALSE(tips->visible());
}

TEST_F(KeyboardViewTest, PickingAllowsLayoutsOnlyAndAssignsThem) {
    std::vector<SnapAction> assigned;
    keyboard({.pickingAppSnap = true, .assignAppSnapKey = [&](SnapAction a) { assigned.push_back(a); }});
    struct Case {
        quint16 code;
        bool pickable;
    };
    // Q quarter, C centre, ↩ maximise, F focus, Z undo, X redo, < previous display.
    for (const Case& c : {Case{kKeyQ, true}, Case{kKeyC, true}, Case{kReturn, true}, Case{kKeyF, false},
                          Case{kKeyZ, false}, Case{kKeyX, false}, Case{43, false}}) {
        EXPECT_EQ(cap(c.code).look().liftEnabled, c.pickable) << c.code;
        EXPECT_EQ(cap(c.code).look().accessible, c.pickable) << c.code;
        EXPECT_EQ(cap(c.code).look().glyphOpacity == 0.22, !c.pickable) << c.code;
        cap(c.code).tap();
    }
    EXPECT_EQ(assigned, (std::vector{SnapAction::topLeftQuarter, SnapAction::centre, SnapAction::maximize}));
    EXPECT_EQ(cap(kKeyQ).look().tip, "Choose an app first");
    EXPECT_EQ(cap(kKeyF).look().tip, "");

    store().setAppSnapApp(InstalledApp{"org.atlas", "Atlas", {}});
    EXPECT_EQ(cap(kKeyQ).look().tip, "Open Atlas " + multiPhrase(SnapAction::topLeftQuarter, false));
    store().setAppSnapMulti(true);
    EXPECT_FALSE(cap(kKeyC).look().liftEnabled); // centre needs one window
    EXPECT_EQ(cap(kKeyQ).look().tip,
              "Open Atlas " + multiPhrase(store().multiWindowAction(SnapAction::topLeftQuarter), true));

    // The saved snap's key is emphasised and stops pulsing.
    store().setAppSnapMulti(false);
    store().setAppSnaps({AppSnap{"org.atlas", "Atlas", SnapAction::leftHalf}});
    EXPECT_TRUE(cap(kLeftArrow).look().emphasised);
    EXPECT_FALSE(cap(kLeftArrow).look().pulseIndex);
}

TEST_F(KeyboardViewTest, MultiWindowModeKeepsOnlyTheAnchorGlyphs) {
    keyboard();
    store().setMultiWindow(true);
    const auto anchor = store().anchorAction(SnapTab::quarters);
    ASSERT_TRUE(anchor);
    int glyphs = 0;
    for (quint16 code : {quint16(12), quint16(13), quint16(0), quint16(1)}) {
        const KeyCap::Look& look = cap(code).look();
        if (look.content == KeyCap::Content::glyphAndHotkey) {
            ++glyphs;
            EXPECT_EQ(cap(code).cap().binding->action, *anchor);
        } else {
            EXPECT_EQ(look.content, KeyCap::Content::mutedHotkey);
            EXPECT_FALSE(look.pulseIndex);
        }
    }
    EXPECT_EQ(glyphs, 1);
    // Commands are never muted.
    EXPECT_EQ(cap(kKeyC).look().content, KeyCap::Content::glyphAndHotkey);
}

// A cap's face is cached: what its glyph shows must reach the screen when only that changes.
TEST_F(KeyboardViewTest, AGlyphThatChangesIsDrawnAfreshOnScreen) {
    const KeyboardView& view = keyboard();
    QGraphicsView window(m_scene.get());
    window.setSceneRect(view.sceneBoundingRect());
    window.resize(800, 400);
    const auto onScreen = [&](quint16 code) {
        // Grabbed first: the view lays itself out on its first paint.
        const QImage screen = window.grab().toImage();
        return screen.copy(window.mapFromScene(cap(code).sceneBoundingRect()).boundingRect());
    };
    const auto anchor = store().anchorAction(SnapTab::quarters);
    ASSERT_TRUE(anchor);
    const quint16 anchorKey = store().bindings().at(*anchor).keyCode;
    const QImage redo = onScreen(kKeyX), anchorFace = onScreen(anchorKey);

    EXPECT_EQ(onScreen(kKeyX), redo);
    store().setCanRedo(true);
    EXPECT_NE(onScreen(kKeyX), redo);
    store().setMultiWindow(true);
    EXPECT_NE(onScreen(anchorKey), anchorFace);
}

// The desktop switching between light and dark: every cached key face is drawn again in the new
// scheme, on screen, without anything else changing.
TEST_F(KeyboardViewTest, ADesktopSchemeSwitchDrawsTheCachedFacesAgain) {
    const KeyboardView& view = keyboard();
    QGraphicsView window(m_scene.get());
    window.setSceneRect(view.sceneBoundingRect());
    window.resize(800, 400);
    // The mean lightness of the key on screen, its face and label together.
    const auto lightness = [&](quint16 code) {
        const QImage screen = window.grab().toImage();
        const QRect face = window.mapFromScene(cap(code).sceneBoundingRect()).boundingRect() & screen.rect();
        double sum = 0;
        for (int y = face.top(); y <= face.bottom(); ++y)
            for (int x = face.left(); x <= face.right(); ++x)
                sum += screen.pixelColor(x, y).lightnessF();
        return sum / std::max(1, face.width() * face.height());
    };
    const double light = lightness(kKeyQ);
    EXPECT_EQ(cap(kKeyQ).look().scheme, Scheme::Light);

    appearance().setSystemScheme(Scheme::Dark);
    EXPECT_EQ(cap(kKeyQ).look().scheme, Scheme::Dark);
    EXPECT_LT(lightness(kKeyQ), light - 0.3);

    appearance().setSystemScheme(Scheme::Light);
    EXPECT_DOUBLE_EQ(lightness(kKeyQ), light);
}

TEST_F(KeyboardViewTest, PulseIndexFollowsTheTabsCardOrder) {
    keyboard();
    store().setTab(SnapTab::quarters);
    EXPECT_EQ(cap(kKeyQ).look().pulseIndex, 0);
    EXPECT_EQ(cap(1).look().pulseIndex, 3);          // S: bottom right, the fourth card
    EXPECT_FALSE(cap(kLeftArrow).look().pulseIndex); // another tab
    hold({kLeftArrow});
    EXPECT_EQ(cap(kLeftArrow).look().pulseIndex, 0); // held keys lead the wave
    store().setFlash(SnapAction::topLeftQuarter);
    EXPECT_FALSE(cap(kKeyQ).look().pulseIndex);
    EXPECT_TRUE(cap(kKeyQ).look().emphasised);
}

// Every animation of a keyboard runs on one timer: pulses alone wake the program 10/3 times a
// second, the multi-mode banner 30, and a keyboard nobody sees not at all.
TEST_F(KeyboardViewTest, AnimationsWakeOnlyAtTheirCappedRates) {
    keyboard({.brandedSpaceBar = true});
    store().setTab(SnapTab::quarters);
    const auto wakeUpsOver10s = [this] {
        runtime().advance(1); // fades and lifts come to rest
        const int before = runtime().timersFired();
        runtime().advance(10);
        return runtime().timersFired() - before;
    };
    const int idle = wakeUpsOver10s(); // the store's own polls, 1.5 s apart
    store().setAnimating(true);
    EXPECT_NEAR(wakeUpsOver10s() - idle, 33, 1);
    store().setMultiWindow(true);
    EXPECT_NEAR(wakeUpsOver10s() - idle, 300, 1);
    store().setMultiWindow(false);
    EXPECT_NEAR(wakeUpsOver10s() - idle, 33, 1);
    store().setAnimating(false);
    EXPECT_NEAR(wakeUpsOver10s(), idle, 1); // the polls' phase may bring one in
}

// A pulse redraws at every tick of its own slow timer; while the keyboard ticks 30 times a
// second for something else (the modifiers' cursor blinking), it follows at 10 a second, its cap.
TEST_F(KeyboardViewTest, PulsesRedrawAtTheirOwnRateAndNeverOverTheirCap) {
    keyboard();
    store().setTab(SnapTab::quarters);
    store().setAnimating(true);
    ASSERT_TRUE(cap(kKeyQ).look().pulseIndex);
    const QRectF pulse = cap(kKeyQ).sceneBoundingRect();
    int redraws = 0;
    QObject::connect(m_scene.get(), &QGraphicsScene::changed, [&](const QList<QRectF>& areas) {
        redraws += std::ranges::any_of(areas, [&](const QRectF& area) { return area.intersects(pulse); });
    });
    const auto redrawsOver3s = [&] {
        runtime().advance(1); // what the last change set going comes to rest
        QCoreApplication::processEvents();
        redraws = 0;
        for (int step = 0; step < 180; ++step) {
            runtime().advance(1.0 / 60);
            QCoreApplication::processEvents();
        }
        return redraws;
    };
    EXPECT_NEAR(redrawsOver3s(), 10, 1);
    store().setEditingModifiers(true);
    ASSERT_TRUE(cap(kKeyQ).look().pulseIndex);
    const int whileBlinking = redrawsOver3s();
    EXPECT_GE(whileBlinking, 20);
    EXPECT_LE(whileBlinking, 30);
}

TEST_F(KeyboardViewTest, FloatingKeyboardKeysAreOnlyAGuide) {
    keyboard(
        {.brandedSpaceBar = true, .allHotkeysSelected = true, .keyFaceOpacity = 0.94, .keysAreGuide = true});
    cap(kKeyQ).tap();
    cap(kKeyQ).setHovered(true, {});
    EXPECT_FALSE(store().recording());
    EXPECT_EQ(store().hoveredKeyAction(), std::nullopt);
    EXPECT_EQ(cap(kKeyQ).acceptedMouseButtons(), Qt::NoButton);
    EXPECT_FALSE(cap(kKeyQ).acceptHoverEvents());
    EXPECT_EQ(cap(kKeyQ).look().tip, "");
    // Every bound key is selected; its wave follows its own tab.
    EXPECT_EQ(cap(kKeyQ).look().pulseIndex, 0);
    EXPECT_EQ(cap(kRightArrow).look().pulseIndex, 1);
}

TEST_F(KeyboardViewTest, AccessibilityReadsTheSameTextsAndPresses) {
    keyboard();
    QAccessibleInterface* key = QAccessible::queryAccessibleInterface(&cap(kKeyQ));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->role(), QAccessible::Button);
    EXPECT_EQ(key->text(QAccessible::Name), "Quarters: Top left, Q");
    EXPECT_EQ(key->text(QAccessible::Description), "Quarters: Top left. Click to change its key");
    ASSERT_NE(key->actionInterface(), nullptr);
    EXPECT_EQ(key->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(store().tab(), SnapTab::quarters);
    EXPECT_EQ(store().recording(), SnapAction::topLeftQuarter);

    // A modifier key has a hint but no label or action of its own.
    QAccessibleInterface* option = QAccessible::queryAccessibleInterface(&cap(kOption));
    EXPECT_EQ(option->role(), QAccessible::StaticText);
    EXPECT_EQ(option->text(QAccessible::Name), "option");
    EXPECT_TRUE(option->actionInterface()->actionNames().isEmpty());
    EXPECT_EQ(option->parent()->childCount(),
              int(static_cast<KeyboardView*>(cap(kOption).parentObject())->keyCaps().size()));
}

TEST_F(KeyboardViewTest, GoldenKeyboardsInLightAndDark) {
    store().setTab(SnapTab::halves);
    store().setMultiWindowUnsupported(std::nullopt);
    KeyboardView& main = keyboard();
    hold({kGlobe});
    EXPECT_TRUE(matchesGolden(render(main, Scheme::Light), "keyboard/main-light"));
    EXPECT_TRUE(matchesGolden(render(main, Scheme::Dark), "keyboard/main-dark"));

    hold({kOption, kCommand, kGlobe});
    store().setMultiWindow(true);
    KeyboardView& floating = keyboard({.renderTime = 0.6,
                                       .brandedSpaceBar = true,
                                       .allHotkeysSelected = true,
                                       .keyFaceOpacity = 0.94,
                                       .keysAreGuide = true},
                                      true);
    EXPECT_TRUE(matchesGolden(render(floating, Scheme::Dark), "keyboard/floating-iso-multi-dark"));
    store().setMultiWindow(false);
    hold({kOption, kCommand});
    EXPECT_TRUE(matchesGolden(render(floating, Scheme::Light), "keyboard/floating-iso-light"));
}

} // namespace
