#include "tilewick/engine/MultiWindow.h"
#include "support/SimPlatformTest.h"
#include "tilewick/engine/AppWindows.h"
#include "tilewick/engine/NewWindowMenu.h"

#include <QCoreApplication>

#include <limits>

using platform::AXElement;
using platform::sim::SimApp;
using platform::sim::SimCall;
using platform::sim::SimMenuItem;
using platform::sim::SimWindow;
using tilewick::MultiWindow;
using tilewick::SnapAction;
using tilewick::WindowMover;

namespace {

constexpr qint32 kEditor = 100;
// Where a window opened through the menu appears.
const QRectF kOpenedFrame{200, 200, 300, 200};

class MultiWindowTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        // 1000 × 900 with a 25-point menu bar, and one of 800 × 600 to its right.
        desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875});
        desktop().addScreen({1000, 0, 800, 600}, {1000, 0, 800, 600});
        desktop().addApp({.pid = kEditor,
                          .bundleIdentifier = QStringLiteral("org.example.editor"),
                          .name = QStringLiteral("Editor")});
        desktop().activate(kEditor);
        mover = std::make_shared<WindowMover>(platform());
        filler = std::make_shared<MultiWindow>(platform(), mover);
    }
    void TearDown() override {
        // A fill still running keeps its filler until the workers stop.
        runtime().stopWorkers();
        filler.reset();
        mover.reset();
        SimPlatformTest::TearDown();
    }

    AXElement open(const QString& title, const QRectF& frame = {100, 100, 400, 300}, qint32 pid = kEditor) {
        return desktop().addWindow(pid, {.title = title, .frame = frame});
    }
    QRectF frameOf(const AXElement& window) { return desktop().frame(window).value_or(QRectF()); }

    // A "File" menu after the application's own, holding `items`.
    void setFileMenu(const QList<SimMenuItem>& items, qint32 pid = kEditor) {
        desktop().setMenuBar(pid, {SimMenuItem::withMenu(QStringLiteral("Editor"), {}),
                                   SimMenuItem::withMenu(QStringLiteral("File"), items)});
    }
    // An enabled "New Window" whose press opens a window `after` seconds later, or never.
    SimMenuItem newWindowItem(std::optional<double> after = 0.3, qint32 pid = kEditor) {
        SimMenuItem item{QStringLiteral("New Window")};
        item.commandCharacter = QStringLiteral("N");
        item.onPress = [this, after, pid] {
            ++presses;
            if (after)
                runtime().after(*after, [this, pid] {
                    opened.append(open(QStringLiteral("Opened"), kOpenedFrame, pid));
                });
        };
        return item;
    }

    std::shared_ptr<WindowMover> mover;
    std::shared_ptr<MultiWindow> filler;
    std::atomic<int> presses{0};
    QList<AXElement> opened; // main thread
};

// --- The fill ---

TEST_F(MultiWindowTest, OneWindowAndANewWindowItemFillBothHalves) {
    const AXElement w = open(QStringLiteral("Doc"));
    setFileMenu({newWindowItem()});
    filler->snap(SnapAction::rightHalf);
    EXPECT_EQ(filler->inFlight(kEditor), 1);
    runtime().advance(1.0);

    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(frameOf(w), QRectF(500, 25, 500, 875)) << "the focused window takes the layout's own cell";
    EXPECT_EQ(frameOf(opened[0]), QRectF(0, 25, 500, 875));
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=right_half windows=2 opened=1 ok=true"});
    EXPECT_EQ(desktop().beeps(), 0);
    // Undo puts back the window that existed; the opened one had no frame before.
    const WindowMover::Placement before{w, kEditor, "org.example.editor", "Doc", {100, 100, 400, 300}};
    EXPECT_EQ(mover->undoStack(), QList<WindowMover::Group>{{before}});
    // The anchor ends in front.
    EXPECT_EQ(desktop().windows(kEditor), (platform::AXElementList{w, opened[0]}));
}

TEST_F(MultiWindowTest, OutcomesOfShortAndFailedFills) {
    const struct {
        const char* name;
        int windows;                               // standard windows of the application
        std::optional<std::optional<double>> item; // none: no item; else when its window comes
        bool appSnaps;
        QStringList events;
        int beeps;
    } cases[] = {
        {"three windows, no item",
         3,
         std::nullopt,
         false,
         {"snap.multi layout=top_left_quarter windows=3 opened=0 ok=false"},
         0},
        {"three windows, an item that opens nothing",
         3,
         std::optional<double>(),
         false,
         {"snap.multi layout=top_left_quarter windows=3 opened=0 ok=false"},
         1},
        {"three windows, an item that opens too late",
         3,
         std::optional<double>(3.5),
         false,
         {"snap.multi layout=top_left_quarter windows=3 opened=0 ok=false"},
         1},
        {"for Default App Snaps, silently",
         3,
         std::optional<double>(),
         true,
         {"snap.multi layout=top_left_quarter windows=3 opened=0 ok=false"},
         0},
        {"no window, no item", 0, std::nullopt, false, {"snap.failed layout=top_left_quarter code=2"}, 1},
        {"no window for Default App Snaps",
         0,
         std::nullopt,
         true,
         {"snap.failed layout=top_left_quarter code=2"},
         0},
    };
    qint32 pid = kEditor;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case with an application of its own.
        desktop().addApp({.pid = ++pid, .name = QString::fromLatin1(c.name)});
        const qsizetype logged = loggedEvents().size();
        const int beeps = desktop().beeps();
        presses = 0;
        QList<AXElement> windows;
        for (int i = 0; i < c.windows; ++i)
            windows.append(open(QStringLiteral("Doc %1").arg(i), {double(10 * i), 100, 300, 200}, pid));
        if (c.item)
            setFileMenu({newWindowItem(*c.item, pid)}, pid);
        const auto cells =
            tilewick::cellFrames(SnapAction::topLeftQuarter, desktop().screens()[0], desktop().screens());
        filler->fill({SnapAction::topLeftQuarter,
                      platform().service<platform::Accessibility>().application(pid), pid, windows.value(0),
                      *cells.cells, cells.screenFrame, c.appSnaps});
        runtime().advance(10.0);
        EXPECT_EQ(loggedEvents().mid(logged), c.events);
        EXPECT_EQ(desktop().beeps() - beeps, c.beeps);
        EXPECT_EQ(presses.load(), c.item ? 1 : 0) << "opening stops at the first press without a window";
        EXPECT_EQ(filler->inFlight(pid), 0);
    }
}

TEST_F(MultiWindowTest, InFlightLastsUntilOneSecondAfterTheResult) {
    open(QStringLiteral("Doc"));
    setFileMenu({newWindowItem(0.3)});
    filler->snap(SnapAction::leftHalf);
    filler->snap(SnapAction::leftHalf);
    EXPECT_EQ(filler->inFlight(kEditor), 2);
    // The first fill: its window comes at 0.3 s, the check 0.25 s later.
    runtime().advance(0.55);
    EXPECT_EQ(loggedEvents("snap.multi").size(), 1);
    // The second finds two windows and opens none.
    runtime().advance(0.25);
    EXPECT_EQ(loggedEvents("snap.multi").size(), 2);
    runtime().advance(0.74);
    EXPECT_EQ(filler->inFlight(kEditor), 2);
    runtime().advance(0.02);
    EXPECT_EQ(filler->inFlight(kEditor), 1);
    runtime().advance(0.25);
    EXPECT_EQ(filler->inFlight(kEditor), 0);
    EXPECT_TRUE(filler->inFlight().isEmpty());
}

TEST_F(MultiWindowTest, OnlyWindowsMostlyOnTheScreenArePicked) {
    const AXElement focused = open(QStringLiteral("Focused"));
    // The first screen spans x 0–1000: exactly half of this one lies on it.
    const AXElement half = open(QStringLiteral("Half"), {900, 100, 200, 100});
    const AXElement less = open(QStringLiteral("Less"), {901, 100, 200, 100});
    // Focus the first window again: it is the anchor.
    platform().service<platform::Accessibility>().performAction(focused, QStringLiteral("AXRaise"));
    filler->snap(SnapAction::leftThird);
    runtime().advance(1.0);
    EXPECT_EQ(frameOf(focused), QRectF(0, 25, 333, 875));
    EXPECT_EQ(frameOf(half), QRectF(333, 25, 334, 875));
    EXPECT_EQ(frameOf(less), QRectF(901, 100, 200, 100));
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_third windows=2 opened=0 ok=false"});
}

TEST_F(MultiWindowTest, AWindowMostlyOnAnotherScreenMakesRoomForANewOne) {
    const AXElement other = open(QStringLiteral("Elsewhere"), {1100, 100, 300, 200});
    const AXElement focused = open(QStringLiteral("Focused"));
    setFileMenu({newWindowItem()});
    filler->snap(SnapAction::leftHalf);
    runtime().advance(1.0);
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=2 opened=1 ok=true"});
    EXPECT_EQ(frameOf(focused), QRectF(0, 25, 500, 875));
    EXPECT_EQ(frameOf(other), QRectF(1100, 100, 300, 200));
}

TEST_F(MultiWindowTest, TheFocusedWindowTakesTheLayoutsOwnCellWhereverItLies) {
    QList<AXElement> windows;
    for (int i = 0; i < 4; ++i)
        windows.append(open(QStringLiteral("Doc %1").arg(i), {double(10 * i), 100, 300, 200}));
    // "AXWindows" is front to back: Doc 3 is focused.
    filler->snap(SnapAction::bottomRightQuarter);
    runtime().advance(1.0);
    // The rows meet at 462.5 → 463; the bottom one ends on the visible frame's edge.
    EXPECT_EQ(frameOf(windows[3]), QRectF(500, 463, 500, 437));
    EXPECT_EQ(frameOf(windows[2]), QRectF(0, 25, 500, 438));
    EXPECT_EQ(frameOf(windows[1]), QRectF(500, 25, 500, 438));
    EXPECT_EQ(frameOf(windows[0]), QRectF(0, 463, 500, 437));
    EXPECT_EQ(loggedEvents(),
              QStringList{"snap.multi layout=bottom_right_quarter windows=4 opened=0 ok=true"});
    ASSERT_EQ(mover->undoStack().size(), 1);
    EXPECT_EQ(mover->undoStack()[0].size(), 4);
    EXPECT_EQ(desktop().windows(kEditor),
              (platform::AXElementList{windows[3], windows[2], windows[1], windows[0]}));
}

TEST_F(MultiWindowTest, WithoutAStandardWindowTheScreenUnderThePointerIsFilled) {
    const AXElement minimised = open(QStringLiteral("Small"));
    desktop().updateWindow(minimised, [](SimWindow& s) { s.minimized = true; });
    const AXElement full = open(QStringLiteral("Full"), {0, 0, 1000, 900});
    desktop().updateWindow(full, [](SimWindow& s) { s.fullScreen = true; });
    setFileMenu({newWindowItem(0.1)});
    desktop().movePointer(QPointF(1500, 300));
    filler->snap(SnapAction::leftHalf);
    runtime().advance(2.0);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(frameOf(opened[0]), QRectF(1000, 0, 400, 600));
    EXPECT_EQ(frameOf(opened[1]), QRectF(1400, 0, 400, 600));
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=2 opened=2 ok=true"});
    EXPECT_TRUE(mover->undoStack().isEmpty()) << "no window that existed moved";

    // Without a pointer position: the main screen.
    desktop().movePointer(std::nullopt);
    desktop().updateWindow(opened[0], [](SimWindow& s) { s.minimized = true; });
    desktop().updateWindow(opened[1], [](SimWindow& s) { s.minimized = true; });
    opened.clear();
    filler->snap(SnapAction::leftHalf);
    runtime().advance(2.0);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(frameOf(opened[0]), QRectF(0, 25, 500, 875));
}

TEST_F(MultiWindowTest, APointerOnTheRightScreensLeftEdgeFillsTheRightScreen) {
    const AXElement minimised = open(QStringLiteral("Small"));
    desktop().updateWindow(minimised, [](SimWindow& s) { s.minimized = true; });
    setFileMenu({newWindowItem(0.1)});
    desktop().movePointer(QPointF(1000, 300));
    filler->snap(SnapAction::leftHalf);
    runtime().advance(2.0);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(frameOf(opened[0]), QRectF(1000, 0, 400, 600));
    EXPECT_EQ(frameOf(opened[1]), QRectF(1400, 0, 400, 600));
}

TEST_F(MultiWindowTest, MoreWindowsThanCellsRaiseOnlyThoseThatFillThem) {
    const AXElement a = open(QStringLiteral("A"), {10, 100, 300, 200});
    const AXElement b = open(QStringLiteral("B"), {20, 100, 300, 200});
    const AXElement c = open(QStringLiteral("C"), {30, 100, 300, 200}); // in front: the anchor
    QList<AXElement> raised;
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Action && call.name == QLatin1String("AXRaise"))
            raised.append(call.element);
    });
    filler->snap(SnapAction::leftHalf);
    runtime().advance(1.0);
    EXPECT_EQ(frameOf(c), QRectF(0, 25, 500, 875));
    EXPECT_EQ(frameOf(b), QRectF(500, 25, 500, 875));
    EXPECT_EQ(frameOf(a), QRectF(10, 100, 300, 200));
    EXPECT_EQ(raised, (QList<AXElement>{b, c}));
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=2 opened=0 ok=true"});
}

TEST_F(MultiWindowTest, AFillOfOneWindowPlacesIt) {
    const AXElement w = open(QStringLiteral("Doc"));
    filler->snap(SnapAction::leftHalf);
    runtime().advance(1.0);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875));
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=1 opened=0 ok=false"});
    EXPECT_EQ(desktop().beeps(), 0);
    EXPECT_EQ(mover->undoStack().size(), 1);
}

TEST_F(MultiWindowTest, WindowsThatDoNotLandAreTriedAgainButNotVerified) {
    const AXElement focused = open(QStringLiteral("Focused"));
    const AXElement stuck = open(QStringLiteral("Stuck"), {10, 100, 300, 200});
    desktop().updateWindow(stuck, [](SimWindow& s) { s.refusesMove = true; });
    platform().service<platform::Accessibility>().performAction(focused, QStringLiteral("AXRaise"));
    int positionWrites = 0;
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Write && call.element == stuck &&
            call.name == QLatin1String("AXPosition"))
            ++positionWrites;
    });
    filler->snap(SnapAction::leftHalf);
    runtime().advance(1.0);
    EXPECT_EQ(positionWrites, 2);
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=2 opened=0 ok=false"});
    EXPECT_EQ(desktop().beeps(), 0);
    // Its size changed: it moved in the sense of undo.
    EXPECT_EQ(mover->undoStack()[0].size(), 2);
}

TEST_F(MultiWindowTest, WhatTheFillLeavesToTheMoverOrToNobody) {
    const AXElement w = open(QStringLiteral("Doc"));
    setFileMenu({newWindowItem()});

    // Other kinds of action move the focused window alone.
    filler->snap(SnapAction::maximize);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 1000, 875));

    // This program's own window.
    const qint32 own = qint32(QCoreApplication::applicationPid());
    desktop().addApp({.pid = own, .name = QStringLiteral("Tilewick")});
    const AXElement ours =
        desktop().addWindow(own, {.title = QStringLiteral("main"), .frame = {100, 100, 400, 300}});
    desktop().activate(own);
    filler->snap(SnapAction::leftHalf);
    EXPECT_EQ(frameOf(ours), QRectF(0, 25, 500, 875));
    EXPECT_EQ(filler->inFlight(own), 0);

    // No access.
    desktop().activate(kEditor);
    desktop().setTrusted(false);
    filler->snap(SnapAction::leftHalf);
    desktop().setTrusted(true);

    // No screens: nothing at all.
    desktop().setScreens({});
    filler->snap(SnapAction::leftHalf);
    runtime().advance(5.0);

    EXPECT_EQ(loggedEvents(), (QStringList{"snap layout=maximize displays=2 ok=true",
                                           "snap layout=left_half displays=2 ok=true",
                                           "snap.failed layout=left_half code=1"}));
    EXPECT_EQ(desktop().beeps(), 1);
    EXPECT_EQ(presses.load(), 0);
}

// --- Putting the windows back for Default App Snaps ---

TEST_F(MultiWindowTest, AppSnapsFillsPutWindowsBackUntilAHotkey) {
    double lastSnapAt = -std::numeric_limits<double>::infinity();
    filler->setLastSnapAt([&] { return lastSnapAt; });
    const AXElement a = open(QStringLiteral("A"));
    const AXElement b = open(QStringLiteral("B"));
    const auto cells =
        tilewick::cellFrames(SnapAction::leftHalf, desktop().screens()[0], desktop().screens());
    filler->fill({SnapAction::leftHalf, platform().service<platform::Accessibility>().application(kEditor),
                  kEditor, a, *cells.cells, cells.screenFrame, true});
    runtime().advance(1.0); // done at 0.25 s
    EXPECT_EQ(frameOf(a), QRectF(0, 25, 500, 875));
    EXPECT_EQ(frameOf(b), QRectF(500, 25, 500, 875));

    // The application moves one window by 2 points and resizes the other: only the move counts.
    desktop().updateWindow(a, [](SimWindow& s) { s.frame.moveLeft(2); });
    desktop().updateWindow(b, [](SimWindow& s) { s.frame.setWidth(300); });
    runtime().advance(0.75); // 1.75 s
    EXPECT_EQ(frameOf(a), QRectF(0, 25, 500, 875));
    EXPECT_EQ(frameOf(b), QRectF(500, 25, 300, 875));

    // A hotkey after the fill: the second pass leaves things alone.
    desktop().updateWindow(a, [](SimWindow& s) { s.frame.moveLeft(40); });
    lastSnapAt = runtime().clock().uptime();
    runtime().advance(3.0);
    EXPECT_EQ(frameOf(a).x(), 40);
    EXPECT_EQ(loggedEvents(), QStringList{"snap.multi layout=left_half windows=2 opened=0 ok=true"});
}

// --- A new window of a multi-window Default App Snap ---

TEST_F(MultiWindowTest, ANewWindowTakesTheFirstFreeCell) {
    const auto screen = desktop().screens()[0];
    const auto app = platform().service<platform::Accessibility>().application(kEditor);
    open(QStringLiteral("In the right cell, a point off"), {501, 26, 300, 300});
    const AXElement minimised = open(QStringLiteral("Minimised in the left cell"), {0, 25, 300, 300});
    desktop().updateWindow(minimised, [](SimWindow& s) { s.minimized = true; });
    const AXElement fresh = open(QStringLiteral("New"));
    EXPECT_EQ(filler->placeInFreeCell(fresh, app, SnapAction::rightHalf, screen), QRectF(0, 25, 500, 875));
    EXPECT_EQ(frameOf(fresh), QRectF(0, 25, 500, 875));
    ASSERT_EQ(mover->undoStack().size(), 1);
    EXPECT_EQ(mover->undoStack()[0][0].frame, QRectF(100, 100, 400, 300));

    const AXElement another = open(QStringLiteral("Another"));
    EXPECT_FALSE(filler->placeInFreeCell(another, app, SnapAction::rightHalf, screen))
        << "every cell is taken";
    EXPECT_FALSE(filler->placeInFreeCell(another, app, SnapAction::centre, screen));
    EXPECT_FALSE(filler->placeInFreeCell(another, app, SnapAction::rightHalf, std::nullopt));
    EXPECT_EQ(frameOf(another), QRectF(100, 100, 400, 300));
    EXPECT_EQ(mover->undoStack().size(), 1);
}

// --- Support ---

TEST_F(MultiWindowTest, SupportAnswersAreKeptForThirtySeconds) {
    setFileMenu({newWindowItem()});
    QList<bool> answers;
    auto check = [&] {
        filler->checkSupport(kEditor, [&](bool supported) { answers.append(supported); });
        runtime().runUntilIdle();
    };
    check();
    setFileMenu({});
    runtime().advance(10.0);
    check();
    runtime().advance(21.0);
    check();
    EXPECT_EQ(answers, (QList<bool>{true, true, false}));

    filler->checkSupport(4242, [&](bool supported) { answers.append(supported); });
    runtime().runUntilIdle();
    EXPECT_EQ(answers.last(), false) << "no such application";
}

} // namespace

// --- The pure helpers ---

TEST(MultiWindowCells, CellFramesOfALayoutOnAScreen) {
    // Bottom-left frames: a 1001 × 900 primary with a 25-point menu bar, and a second screen
    // whose top lies 100 points higher.
    platform::ScreenInfo primary{{0, 0, 1001, 900}, {0, 0, 1001, 875}};
    platform::ScreenInfo second{{1001, 0, 800, 1000}, {1001, 0, 800, 1000}};
    platform::ScreenInfo covered{{0, 0, 1001, 900}, {0, 0, 1001, 0}};
    const QList<platform::ScreenInfo> screens{primary, second};
    using Cells = std::optional<QList<QRectF>>;
    const struct {
        SnapAction action;
        std::optional<platform::ScreenInfo> screen;
        QRectF screenFrame;
        Cells cells;
    } cases[] = {
        // Halves of 1001 points meet at 500.5, which rounds away from zero; the right one ends
        // on the visible frame's edge.
        {SnapAction::rightHalf, primary, {0, 0, 1001, 900}, Cells{{{501, 25, 500, 875}, {0, 25, 501, 875}}}},
        {SnapAction::topThird,
         second,
         {1001, -100, 800, 1000},
         Cells{{{1001, -100, 800, 333}, {1001, 233, 800, 334}, {1001, 567, 800, 333}}}},
        {SnapAction::maximize, primary, {0, 0, 1001, 900}, std::nullopt},
        {SnapAction::leftHalf, std::nullopt, {}, std::nullopt},
        {SnapAction::leftHalf, covered, {0, 0, 1001, 900}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto frames = tilewick::cellFrames(c.action, c.screen, screens);
        EXPECT_EQ(frames.screenFrame, c.screenFrame) << int(c.action);
        EXPECT_EQ(frames.cells, c.cells) << int(c.action);
    }
    EXPECT_FALSE(tilewick::cellFrames(SnapAction::leftHalf, primary, {}).cells) << "no screens at all";
}

class AppWindowsTest : public SimPlatformTest {};

TEST_F(AppWindowsTest, StandardWindowsAreUnminimisedNonFullScreenStandardOnes) {
    desktop().addApp({.pid = kEditor, .name = QStringLiteral("Editor")});
    auto& ax = platform().service<platform::Accessibility>();
    const struct {
        const char* name;
        SimWindow window;
        bool standard;
    } cases[] = {
        {"plain", {.title = "a"}, true},
        {"dialog", {.title = "b", .subrole = "AXDialog"}, false},
        {"no subrole", {.title = "c", .subrole = ""}, false},
        {"unreadable subrole", {.title = "d", .failingReads = {"AXSubrole"}}, false},
        {"minimised", {.title = "e", .minimized = true}, false},
        {"full screen", {.title = "f", .fullScreen = true}, false},
        {"unreadable states", {.title = "g", .failingReads = {"AXMinimized", "AXFullScreen"}}, true},
    };
    platform::AXElementList expected;
    for (const auto& c : cases) {
        const AXElement w = desktop().addWindow(kEditor, c.window);
        EXPECT_EQ(tilewick::isStandardWindow(ax, w), c.standard) << c.name;
        if (c.standard)
            expected.prepend(w);
    }
    EXPECT_EQ(tilewick::appWindows(ax, ax.application(kEditor)), expected);
    desktop().updateApp(kEditor, [](SimApp& a) { a.failingReads = {"AXWindows"}; });
    EXPECT_TRUE(tilewick::appWindows(ax, ax.application(kEditor)).isEmpty());
}
