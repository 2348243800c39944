#include "support/StoreTest.h"

#include "tilewick/app/AppDelegate.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/ModifierPanel.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/SnapCard.h"
#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/store/SettingsKeys.h"

#include <QCoreApplication>
#include <QGraphicsItem>

using namespace tilewick;
using platform::KeyEvent;
using platform::sim::SimEventTap;

namespace {

constexpr quint16 kEscape = 53;
constexpr quint16 kLeft = 123;
constexpr quint16 kRight = 124;

// The frames a main view would report.
struct ReportedFrames final : ClickFrameSource {
    ClickFrames frames;
    ClickFrames clickFrames() const override { return frames; }
};

class AppDelegateTest : public StoreTest {
protected:
    AppDelegate& makeDelegate() {
        makeStore();
        services.startBetaKit = [this] { steps << "betaKit"; };
        services.startAppSnaps = [this] {
            // The login item request is applied between the kit and Default App Snaps.
            steps << (defaults().contains(keys::startAtLoginPending) ? "appSnaps" : "appSnaps after login");
        };
        services.startBetaActivityObservers = [this] { steps << "observers"; };
        const AppDelegate::Focus focus{[this] { return textFieldFocused; }, [this] { return modal; }};
        m_delegate = std::make_unique<AppDelegate>(store(), platform(), services, events, focus);
        m_delegate->setClickFrames(&reported);
        return *m_delegate;
    }
    AppDelegate& launch() {
        auto& delegate = makeDelegate();
        delegate.didFinishLaunching();
        delegate.startServices();
        eventTap().setApplicationActive(true);
        return delegate;
    }
    AppDelegate& delegate() { return *m_delegate; }
    SimEventTap::Destination lastDestination() { return eventTap().deliveries().last().destination; }

    AppServices services;
    ShellEvents events;
    QStringList steps;
    bool textFieldFocused = false;
    bool modal = false;
    ReportedFrames reported;

private:
    std::unique_ptr<AppDelegate> m_delegate;
};

TEST_F(AppDelegateTest, StartsInItsFixedOrderAndChecksConflictsAfterTheLaunch) {
    bundle().setBundlePath("/Applications/Tilewick.app");
    platform::sim::SimApp rectangle;
    rectangle.pid = 77;
    rectangle.bundleIdentifier = "com.knollsoft.Rectangle";
    rectangle.name = "Rectangle";
    // Running before the launch: the store's first scan lists it without a warning.
    desktop().addApp(rectangle);
    auto& delegate = makeDelegate();
    EXPECT_EQ(store().conflicts().size(), 1);
    EXPECT_EQ(eventTap().monitorCount(), 0);

    // The windows answer keys from the launch; the services wait for the first picture.
    delegate.didFinishLaunching();
    EXPECT_EQ(eventTap().monitorCount(), 1);
    EXPECT_TRUE(steps.isEmpty());
    runtime().advance(1.0);
    EXPECT_TRUE(alerts().shown().isEmpty());
    delegate.startServices();
    EXPECT_EQ(steps, (QStringList{"betaKit", "appSnaps after login", "observers"}));
    runtime().advance(0.59);
    EXPECT_TRUE(alerts().shown().isEmpty());
    runtime().advance(0.01);
    EXPECT_EQ(alerts().shown().size(), 1);
}

TEST_F(AppDelegateTest, WithoutTheDockSettingStartsAsAnAccessory) {
    defaults().set(keys::showInDock, false);
    makeDelegate().willFinishLaunching();
    ASSERT_FALSE(shell->policies.empty());
    EXPECT_EQ(shell->policies.back(), platform::ActivationPolicy::Accessory);
}

TEST_F(AppDelegateTest, ObserversKeepTheInterfaceStateCurrent) {
    auto& delegate = launch();

    runtime().advance(2.5);
    events.windowDidBecomeKey();
    EXPECT_DOUBLE_EQ(delegate.keySince(), runtime().clock().uptime());

    // Only the window "main" closes the main view or gets its size back.
    events.windowWillClose("");
    EXPECT_TRUE(store().windowOpen());
    events.windowWillClose("main");
    EXPECT_FALSE(store().windowOpen());
    shell->mainWindow = MainWindowState{QRectF(10, 10, 400, 300), false, QRectF(0, 0, 1600, 1000), false};
    events.windowDidDeminiaturize("");
    EXPECT_TRUE(shell->frames.empty());
    events.windowDidDeminiaturize("main");
    ASSERT_EQ(shell->frames.size(), 1u);
    EXPECT_EQ(shell->frames[0].first.size(), QSizeF(956, 891));

    // Becoming active hides the floating keyboard and reads the login item.
    overlay->visible = true;
    loginItems().registerApp();
    events.applicationDidBecomeActive();
    EXPECT_FALSE(overlay->visible);
    EXPECT_TRUE(store().launchAtLogin());

    // The other changes recompute `animating` after the current turn.
    shell->active = true;
    events.windowDidChangeOcclusionState();
    EXPECT_FALSE(store().animating());
    runtime().runUntilIdle();
    EXPECT_TRUE(store().animating());

    // Resigning forgets held keys and ends a modifier edit.
    eventTap().changeFlags(58, platform::kOptionFlag);
    store().beginEditingModifiers();
    ASSERT_FALSE(store().pressedKeys().isEmpty());
    events.applicationDidResignActive();
    EXPECT_TRUE(store().pressedKeys().isEmpty());
    EXPECT_FALSE(store().editingModifiers());

    const qint64 displays = store().displayCount();
    desktop().addScreen(QRectF(1600, 0, 1280, 1024), QRectF(1600, 0, 1280, 1000));
    EXPECT_EQ(store().displayCount(), displays + 1);
}

struct ArrowCase {
    const char* name;
    quint16 key;
    quint64 flags;
    bool textField;
    bool modal;
    bool recording;
    // The tab the key leads to from Halves; none: the key passes.
    std::optional<SnapTab> tab;
};

class ArrowKeyTest : public AppDelegateTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(ArrowKeyTest, StepsTabsOnlyWhenNothingElseWantsTheKey) {
    const ArrowCase& c = GetParam();
    launch();
    store().setTab(SnapTab::halves);
    textFieldFocused = c.textField;
    modal = c.modal;
    if (c.recording)
        store().setRecording(SnapAction::leftHalf);

    eventTap().inject(KeyEvent::keyDown(c.key, c.flags));
    EXPECT_EQ(store().tab(), c.tab.value_or(SnapTab::halves));
    EXPECT_EQ(lastDestination(),
              c.tab ? SimEventTap::Destination::LocalMonitor : SimEventTap::Destination::OwnWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Monitor, ArrowKeyTest,
    ::testing::Values(ArrowCase{"Right", kRight, 0, false, false, false, SnapTab::twoThirds},
                      ArrowCase{"Left", kLeft, 0, false, false, false, SnapTab::global},
                      ArrowCase{"WithOption", kRight, platform::kOptionFlag, false, false, false, {}},
                      ArrowCase{"InATextField", kRight, 0, true, false, false, {}},
                      ArrowCase{"UnderAModalWindow", kLeft, 0, false, true, false, {}},
                      ArrowCase{"WhileRecording", kRight, 0, false, false, true, {}},
                      ArrowCase{"OtherKey", 0, 0, false, false, false, {}}),
    [](const ::testing::TestParamInfo<ArrowCase>& info) { return std::string(info.param.name); });

TEST_F(AppDelegateTest, EscapeEndsAModifierEditAndGoesNoFurther) {
    launch();
    eventTap().inject(KeyEvent::keyDown(kEscape));
    EXPECT_EQ(lastDestination(), SimEventTap::Destination::OwnWindow);

    store().beginEditingModifiers();
    eventTap().inject(KeyEvent::keyDown(kEscape));
    EXPECT_FALSE(store().editingModifiers());
    EXPECT_EQ(lastDestination(), SimEventTap::Destination::LocalMonitor);
}

TEST_F(AppDelegateTest, ClicksOutsideThePanelPickerAndCardEndWhatTheyHold) {
    auto& delegate = launch();
    const QSizeF content(900, 800);
    const QPointF inside(50, 50);
    const QPointF outside(500, 500);
    reported.frames.modifierPanel = QRectF(0, 0, 100, 100);
    reported.frames.appPicker = QRectF(0, 0, 100, 100);
    reported.frames.appPickerList = QRectF(0, 100, 100, 100);

    store().beginEditingModifiers();
    store().setAppPickerOpen(true);
    store().setAppPickerQuery("te");
    store().beginRecording(SnapAction::leftHalf);
    reported.frames.recordingCard = QRectF(0, 0, 100, 100);
    delegate.handleLocalMouseDown({"main", inside, content});
    EXPECT_TRUE(store().editingModifiers());
    EXPECT_TRUE(store().appPickerOpen());
    EXPECT_TRUE(store().recording());

    events.leftMouseDown({"main", outside, content});
    EXPECT_FALSE(store().editingModifiers());
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerQuery(), "");
    EXPECT_FALSE(store().recording());

    // A recording card that reported no frame keeps its recording; a click beyond the content
    // leaves the picker open.
    store().beginRecording(SnapAction::rightHalf);
    reported.frames.recordingCard = QRectF();
    store().setAppPickerOpen(true);
    delegate.handleLocalMouseDown({"main", QPointF(950, 50), content});
    EXPECT_TRUE(store().recording());
    EXPECT_TRUE(store().appPickerOpen());
}

// The main view's own parts and the delegate together: the panel and the card say where they
// are, and the clicks the delegate sees are judged against that.
class AppDelegateWithView : public AppDelegateTest {
protected:
    void TearDown() override {
        view.reset();
        AppDelegateTest::TearDown();
    }
    MainView& makeView() {
        view = std::make_unique<MainView>(store(), ViewServices::of(platform()));
        view->resize(956, 891);
        view->show();
        QCoreApplication::sendPostedEvents();
        return *view;
    }
    template <typename T> T* part(const std::function<bool(T&)>& wanted = {}) {
        QList<QGraphicsItem*> pending = view->pageColumn()->page()->childItems();
        while (!pending.isEmpty()) {
            QGraphicsItem* item = pending.takeFirst();
            if (auto* typed = dynamic_cast<T*>(item); typed && (!wanted || wanted(*typed)))
                return typed;
            pending.append(item->childItems());
        }
        return nullptr;
    }
    void click(QPointF point) { events.leftMouseDown({"main", point, QSizeF(view->size())}); }

    std::unique_ptr<MainView> view;
};

TEST_F(AppDelegateWithView, TheModifierPanelsEditEndsWithEscapeOrAClickOutside) {
    launch();
    delegate().setClickFrames(&makeView());
    ModifierPanel* panel = part<ModifierPanel>();
    ASSERT_TRUE(panel);
    const QRectF frame = panel->rootFrame();

    panel->activate();
    ASSERT_TRUE(store().editingModifiers());
    click(frame.center()); // on the panel: still editing
    EXPECT_TRUE(store().editingModifiers());
    // Held in our own window: Control, then Shift with it, make the new set.
    eventTap().inject(KeyEvent::flagsChanged(platform::kControlKeyCode, kControlFlag));
    eventTap().inject(KeyEvent::flagsChanged(platform::kShiftKeyCode, kControlFlag | kShiftFlag));
    EXPECT_EQ(store().modifiers(), kControlFlag | kShiftFlag);
    eventTap().inject(KeyEvent::flagsChanged(platform::kShiftKeyCode, 0));
    eventTap().inject(KeyEvent::keyDown(kEscape));
    EXPECT_FALSE(store().editingModifiers());
    EXPECT_EQ(store().note(), "Tilewick modifiers are now \u2303\u21E7.");

    // Again, ended by a click beside the panel; a click on the panel afterwards starts nothing.
    panel->activate();
    click(frame.bottomRight() + QPointF(5, 5));
    EXPECT_FALSE(store().editingModifiers());
    EXPECT_EQ(view->clickFrames().modifierPanel, QRectF());
    panel->activate();
    click(frame.center());
    EXPECT_TRUE(store().editingModifiers());
}

TEST_F(AppDelegateWithView, ClickingTheRecordingCardAgainKeepsAClickOutsideWorking) {
    launch();
    delegate().setClickFrames(&makeView());
    SnapCard* centre = part<SnapCard>([](SnapCard& card) { return card.action() == SnapAction::centre; });
    ASSERT_TRUE(centre);
    const QRectF frame = centre->rootFrame();

    centre->activate();
    EXPECT_EQ(view->clickFrames().recordingCard, frame);
    click(frame.center());
    centre->activate(); // the click lands on the card that records
    EXPECT_EQ(store().recording(), SnapAction::centre);
    EXPECT_EQ(view->clickFrames().recordingCard, frame);
    click(frame.topLeft() - QPointF(5, 5));
    EXPECT_EQ(store().recording(), std::nullopt);
}

} // namespace
