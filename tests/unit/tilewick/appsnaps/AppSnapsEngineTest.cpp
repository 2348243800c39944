#include "support/StoreTest.h"

#include "tilewick/appsnaps/AppSnapsEngine.h"
#include "tilewick/engine/MultiWindow.h"

namespace {

using namespace tilewick;
using platform::AXElement;
using platform::sim::SimApp;
using platform::sim::SimWindow;

constexpr qint32 kAtlas = 40;
const QString kAtlasID = QStringLiteral("org.atlas");
// Where Atlas's windows open: on the left display.
const QRectF kOpenFrame{100, 100, 400, 300};
// The left half of each display's visible frame.
const QRectF kLeftHalfOfLeft{0, 25, 500, 875};
const QRectF kRightHalfOfLeft{500, 25, 500, 875};
const QRectF kLeftHalfOfRight{1000, 0, 400, 600};

// The engine over a store, a mover and a filler of the simulated desktop: "Left" (1000 × 900 with
// a 25-point menu bar) and "Right" (800 × 600) beside it.
class AppSnapsEngineTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875}, QStringLiteral("Left"));
        desktop().addScreen({1000, 0, 800, 600}, {1000, 0, 800, 600}, QStringLiteral("Right"));
        makeStore();
        filler = std::make_shared<MultiWindow>(platform(), mover);
        engine = std::make_shared<AppSnapsEngine>(platform(), store(), mover, filler);
        store().setAppSnapsEngine(engine);
    }
    void TearDown() override {
        runtime().stopWorkers();
        engine.reset();
        filler.reset();
        StoreTest::TearDown();
    }

    QString uuid(int index) { return desktop().screens().at(index).uuid; }
    void snap(SnapAction action, std::optional<QString> display = std::nullopt, bool multi = false) {
        store().setAppSnaps(
            {AppSnap{kAtlasID, "Atlas", action, multi, display, display ? "Right" : QString()}});
    }
    void launchAtlas(std::optional<qint64> launchMillis = std::nullopt) {
        desktop().addApp(
            {.pid = kAtlas, .bundleIdentifier = kAtlasID, .name = "Atlas", .launchMillis = launchMillis});
    }
    AXElement open(const SimWindow& window = {.title = "Doc", .frame = kOpenFrame}) {
        return desktop().addWindow(kAtlas, window);
    }
    QRectF frameOf(const AXElement& window) { return desktop().frame(window).value_or(QRectF()); }
    // Atlas launched and its first window placed; the launch's quiet period over.
    AXElement launchedAndPlaced(SnapAction action = SnapAction::leftHalf) {
        snap(action);
        engine->start();
        launchAtlas();
        const AXElement window = open();
        runtime().advance(0.5);
        return window;
    }

    std::shared_ptr<MultiWindow> filler;
    std::shared_ptr<AppSnapsEngine> engine;
};

// --- Launches ---

TEST_F(AppSnapsEngineTest, AWindowThatShowsThreeSecondsAfterTheLaunchIsPlaced) {
    snap(SnapAction::leftHalf, uuid(1));
    engine->start();
    launchAtlas();
    EXPECT_TRUE(engine->launchingPids().contains(kAtlas));
    runtime().advance(3.0);
    const AXElement window = open();
    // Found at the next poll, then given 0.5 s to settle.
    runtime().advance(0.2);
    EXPECT_EQ(frameOf(window), kOpenFrame);
    runtime().advance(0.5);
    EXPECT_EQ(frameOf(window), kLeftHalfOfRight);
    EXPECT_EQ(loggedEvents("appsnap"), QStringList{"appsnap layout=left_half multi=false new=false ok=true"});
    // Undo puts it back where it opened.
    ASSERT_EQ(mover->undoStack().size(), 1);
    EXPECT_EQ(mover->undoStack().last().first().frame, kOpenFrame);
    // Its own windows are left to it for 1.5 s more.
    EXPECT_TRUE(engine->launchingPids().contains(kAtlas));
    runtime().advance(1.5);
    EXPECT_FALSE(engine->launchingPids().contains(kAtlas));
    EXPECT_EQ(desktop().beeps(), 0);
}

TEST_F(AppSnapsEngineTest, AnApplicationThatNeverShowsAWindowGivesUpAfterTwentySeconds) {
    snap(SnapAction::rightHalf);
    engine->start();
    launchAtlas();
    open({.title = "Palette", .frame = kOpenFrame, .subrole = "AXFloatingWindow"});
    runtime().advance(19.9);
    EXPECT_TRUE(loggedEvents("appsnap.failed").isEmpty());
    runtime().advance(0.5);
    EXPECT_EQ(loggedEvents("appsnap.failed"), QStringList{"appsnap.failed layout=right_half"});
    EXPECT_FALSE(engine->launchingPids().contains(kAtlas));
    EXPECT_TRUE(loggedEvents("appsnap").isEmpty());
    EXPECT_EQ(desktop().beeps(), 0);
}

TEST_F(AppSnapsEngineTest, AnApplicationThatQuitsFirstGivesUpAtOnce) {
    snap(SnapAction::rightHalf);
    engine->start();
    launchAtlas();
    runtime().advance(1.0);
    desktop().quitApp(kAtlas);
    runtime().advance(0.2);
    EXPECT_EQ(loggedEvents("appsnap.failed"), QStringList{"appsnap.failed layout=right_half"});
}

TEST_F(AppSnapsEngineTest, OnlySnappedApplicationsAreWaitedForAndOnlyWithAccess) {
    engine->start();
    launchAtlas(); // no snap
    EXPECT_TRUE(engine->launchingPids().isEmpty());
    desktop().quitApp(kAtlas);

    snap(SnapAction::leftHalf);
    desktop().setTrusted(false);
    launchAtlas();
    const AXElement window = open();
    runtime().advance(25);
    EXPECT_TRUE(engine->launchingPids().isEmpty());
    EXPECT_TRUE(engine->observedPids().isEmpty());
    EXPECT_EQ(frameOf(window), kOpenFrame);
    EXPECT_TRUE(loggedEvents().filter("appsnap").isEmpty());
}

TEST_F(AppSnapsEngineTest, ApplicationsLaunchedJustBeforeTheStartArePlaced) {
    const struct {
        double secondsBefore;
        bool placed;
    } cases[] = {{10, true}, {29, true}, {40, false}};
    for (const auto& c : cases) {
        snap(SnapAction::leftHalf);
        const qint64 now = runtime().clock().wallMillis();
        launchAtlas(now - qint64(c.secondsBefore * 1000));
        const AXElement window = open();
        auto fresh = std::make_shared<AppSnapsEngine>(platform(), store(), mover, filler);
        fresh->start();
        runtime().advance(1.0);
        EXPECT_EQ(frameOf(window) == kLeftHalfOfLeft, c.placed) << c.secondsBefore;
        desktop().quitApp(kAtlas);
        runtime().advance(2.0);
    }
}

TEST_F(AppSnapsEngineTest, ASavedDisplayThatIsGoneLeavesTheWindowOnItsOwnScreen) {
    snap(SnapAction::leftHalf, QStringLiteral("5C1D0000-0000-4000-8000-00000000FFFF"));
    engine->start();
    launchAtlas();
    const AXElement window = open();
    runtime().advance(0.7);
    EXPECT_EQ(frameOf(window), kLeftHalfOfLeft);

    // The same snap's display unplugged between saving and the launch.
    desktop().quitApp(kAtlas);
    runtime().advance(2.0);
    snap(SnapAction::maximize, uuid(1));
    desktop().removeScreen(1);
    launchAtlas();
    const AXElement second = open();
    runtime().advance(0.7);
    EXPECT_EQ(frameOf(second), QRectF(0, 25, 1000, 875));
}

// --- Re-checks ---

TEST_F(AppSnapsEngineTest, ADriftIsPutBackUnlessTheUserStepsIn) {
    const struct {
        const char* name;
        std::function<void()> atOneSecond;
        bool putBack;
    } cases[] = {
        {"nothing", [] {}, true},
        {"a click", [this] { desktop().click(); }, false},
        {"a right click", [this] { desktop().click(2); }, true},
        {"a button held", [this] { desktop().pressMouseButton(2); }, false},
        {"a hotkey", [this] { store().perform(SnapAction::undo, false); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AXElement window = launchedAndPlaced();
        ASSERT_EQ(frameOf(window), kLeftHalfOfLeft);
        runtime().advance(1.0);
        c.atOneSecond();
        runtime().advance(0.2);
        // The application moves its window back at 1.2 s.
        desktop().updateWindow(window, [](SimWindow& w) { w.frame = kOpenFrame; });
        runtime().advance(0.3);
        EXPECT_EQ(frameOf(window) == kLeftHalfOfLeft, c.putBack) << "at 1.5 s";
        desktop().releaseMouseButton(2);
        desktop().quitApp(kAtlas);
        runtime().advance(5.0);
    }
}

TEST_F(AppSnapsEngineTest, OnlyAMoveOfTwoPointsOrMoreCounts) {
    const struct {
        QPointF by;
        QSizeF grown;
        bool putBack;
    } cases[] = {{{1, 1}, {0, 0}, false},
                 {{2, 0}, {0, 0}, true},
                 {{0, -2}, {0, 0}, true},
                 {{0, 0}, {-50, -50}, false}};
    for (const auto& c : cases) {
        const AXElement window = launchedAndPlaced();
        desktop().updateWindow(window, [&](SimWindow& w) {
            w.frame.translate(c.by);
            w.frame.setSize(w.frame.size() + c.grown);
        });
        runtime().advance(1.5); // the first re-check
        EXPECT_EQ(frameOf(window) == kLeftHalfOfLeft, c.putBack) << c.by.x() << "," << c.by.y();
        desktop().quitApp(kAtlas);
        runtime().advance(5.0);
    }
}

TEST_F(AppSnapsEngineTest, TheSecondRecheckAtFourSecondsStillCatchesADrift) {
    const AXElement window = launchedAndPlaced();
    runtime().advance(2.0);
    desktop().updateWindow(window, [](SimWindow& w) { w.frame = kOpenFrame; });
    runtime().advance(1.9);
    EXPECT_EQ(frameOf(window), kOpenFrame);
    runtime().advance(0.2);
    EXPECT_EQ(frameOf(window), kLeftHalfOfLeft);
    // Nothing after that.
    desktop().updateWindow(window, [](SimWindow& w) { w.frame = kOpenFrame; });
    runtime().advance(10.0);
    EXPECT_EQ(frameOf(window), kOpenFrame);
}

// --- New windows ---

TEST_F(AppSnapsEngineTest, NewStandardWindowsOfARunningApplicationArePlaced) {
    launchedAndPlaced(SnapAction::rightHalf);
    runtime().advance(2.0);
    ASSERT_EQ(engine->observedPids(), QList<qint32>{kAtlas});

    const struct {
        const char* name;
        SimWindow window;
        std::function<void(const AXElement&)> meanwhile;
        bool placed;
    } cases[] = {
        {"standard", {.title = "Two", .frame = kOpenFrame}, nullptr, true},
        {"dialog", {.title = "Save", .frame = kOpenFrame, .subrole = "AXDialog"}, nullptr, false},
        {"minimised by then",
         {.title = "Three", .frame = kOpenFrame},
         [this](const AXElement& w) { desktop().updateWindow(w, [](SimWindow& s) { s.minimized = true; }); },
         false},
        {"full screen by then",
         {.title = "Four", .frame = kOpenFrame},
         [this](const AXElement& w) { desktop().updateWindow(w, [](SimWindow& s) { s.fullScreen = true; }); },
         false},
    };
    for (const auto& c : cases) {
        const AXElement window = open(c.window);
        runtime().advance(0.2);
        if (c.meanwhile)
            c.meanwhile(window);
        EXPECT_EQ(frameOf(window), kOpenFrame) << c.name << ": not before 0.3 s";
        runtime().advance(0.1);
        EXPECT_EQ(frameOf(window) == kRightHalfOfLeft, c.placed) << c.name;
        runtime().advance(5.0);
    }
    EXPECT_EQ(loggedEvents("appsnap").count("appsnap layout=right_half multi=false new=true ok=true"), 1);
}

TEST_F(AppSnapsEngineTest, WindowsOfTheLaunchAndOfFillsAreLeftAlone) {
    snap(SnapAction::leftHalf);
    engine->start();
    launchAtlas();
    open();
    runtime().advance(0.5); // placed
    const AXElement early = open({.title = "Early", .frame = kOpenFrame});
    runtime().advance(1.0);
    EXPECT_EQ(frameOf(early), kOpenFrame) << "within 1.5 s of the launch's placement";

    runtime().advance(1.0);
    // A multi-window fill of Atlas running: what it opens is its own.
    filler->fill({SnapAction::leftHalf,
                  platform().service<platform::Accessibility>().application(kAtlas),
                  kAtlas,
                  AXElement(),
                  {},
                  {},
                  true});
    const AXElement filled = open({.title = "Filled", .frame = kOpenFrame});
    runtime().advance(0.3);
    EXPECT_EQ(frameOf(filled), kOpenFrame);
}

TEST_F(AppSnapsEngineTest, AWindowThatAFillStartsRightAfterIsTheFillsAlone) {
    snap(SnapAction::leftHalf);
    engine->start();
    launchAtlas();
    open();
    runtime().advance(3.0); // placed, and long enough ago
    // The window shows, and a fill of Atlas starts before the snap's turn for it has come.
    const AXElement late = open({.title = "Late", .frame = kOpenFrame});
    filler->fill({SnapAction::leftHalf,
                  platform().service<platform::Accessibility>().application(kAtlas),
                  kAtlas,
                  AXElement(),
                  {},
                  {},
                  true});
    runtime().advance(0.5);
    EXPECT_EQ(frameOf(late), kOpenFrame);
}

TEST_F(AppSnapsEngineTest, RemovingTheLastSnapStopsWatchingTheApplication) {
    launchedAndPlaced();
    runtime().advance(2.0);
    store().removeAppSnap(kAtlasID, true);
    EXPECT_TRUE(engine->observedPids().isEmpty());
    const AXElement later = open({.title = "Later", .frame = kOpenFrame});
    runtime().advance(1.0);
    EXPECT_EQ(frameOf(later), kOpenFrame);

    // Saved again: watched again at once.
    snap(SnapAction::leftHalf);
    store().upsertAppSnap(store().appSnaps().first());
    EXPECT_EQ(engine->observedPids(), QList<qint32>{kAtlas});
    // And a quit stops it.
    desktop().quitApp(kAtlas);
    EXPECT_TRUE(engine->observedPids().isEmpty());
}

// --- Multi-window snaps ---

TEST_F(AppSnapsEngineTest, AMultiWindowSnapFillsItsLayoutAtLaunchWithoutABeep) {
    snap(SnapAction::leftHalf, std::nullopt, true);
    engine->start();
    launchAtlas();
    const AXElement first = open({.title = "One", .frame = kOpenFrame});
    const AXElement second = open({.title = "Two", .frame = {150, 150, 400, 300}});
    runtime().advance(0.7);
    EXPECT_EQ(loggedEvents("appsnap"), QStringList{"appsnap layout=left_half multi=true new=false"});
    runtime().advance(1.0);
    const QList<QRectF> frames{frameOf(first), frameOf(second)};
    EXPECT_TRUE(frames.contains(kLeftHalfOfLeft));
    EXPECT_TRUE(frames.contains(kRightHalfOfLeft));
    EXPECT_EQ(loggedEvents("snap.multi").size(), 1);
    EXPECT_EQ(desktop().beeps(), 0);
}

TEST_F(AppSnapsEngineTest, ANewWindowOfAMultiWindowSnapTakesAFreeCellIfThereIsOne) {
    snap(SnapAction::leftHalf, std::nullopt, true);
    engine->start();
    launchAtlas();
    const AXElement first = open();
    // The fill puts the launched window in the layout's own cell and finds no way to open
    // another; the right half stays free.
    runtime().advance(5.0);
    EXPECT_EQ(frameOf(first), kLeftHalfOfLeft);
    const AXElement second = open({.title = "Two", .frame = kOpenFrame});
    runtime().advance(0.3);
    EXPECT_EQ(frameOf(second), kRightHalfOfLeft);
    runtime().advance(5.0);
    const AXElement third = open({.title = "Three", .frame = kOpenFrame});
    runtime().advance(0.3);
    EXPECT_EQ(frameOf(third), kOpenFrame);
    EXPECT_EQ(loggedEvents("appsnap"),
              (QStringList{"appsnap layout=left_half multi=true new=false",
                           "appsnap layout=left_half multi=true new=true ok=true",
                           "appsnap layout=left_half multi=true new=true ok=false"}));
    EXPECT_EQ(desktop().beeps(), 0);
}

} // namespace
