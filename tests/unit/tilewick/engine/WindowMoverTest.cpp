#include "tilewick/engine/WindowMover.h"
#include "platform/Accessibility.h"
#include "support/SimPlatformTest.h"

#include <QSignalSpy>

using platform::AXElement;
using platform::sim::SimApp;
using platform::sim::SimCall;
using platform::sim::SimWindow;
using tilewick::SnapAction;
using tilewick::WindowMover;

namespace {

constexpr qint32 kEditor = 100;

// The floating keyboard, showing.
class VisibleOverlay : public tilewick::OverlayHoles {
public:
    bool isVisible() const override { return true; }
    void punchHole(const AXElement& window, const QRectF& frame) override { holes.append({window, frame}); }
    QList<std::pair<AXElement, QRectF>> holes;
};

class WindowMoverTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        // 1000 × 900 with a 25-point menu bar.
        desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875});
        desktop().addApp({.pid = kEditor,
                          .bundleIdentifier = QStringLiteral("org.example.editor"),
                          .name = QStringLiteral("Editor")});
        desktop().activate(kEditor);
        mover = std::make_unique<WindowMover>(platform());
    }

    AXElement open(const QString& title, const QRectF& frame = {100, 100, 400, 300}, qint32 pid = kEditor) {
        return desktop().addWindow(pid, {.title = title, .frame = frame});
    }
    QRectF frameOf(const AXElement& window) { return desktop().frame(window).value_or(QRectF()); }

    QStringList events() { return loggedEvents(); }

    std::unique_ptr<WindowMover> mover;
};

// --- The road of one layout ---

TEST_F(WindowMoverTest, MovesTheFocusedWindowIntoTheLayout) {
    open(QStringLiteral("Back"), {0, 0, 50, 50});
    const AXElement w = open(QStringLiteral("Doc"));
    mover->perform(SnapAction::centreThird);
    EXPECT_EQ(frameOf(w), QRectF(333, 25, 334, 875));
    EXPECT_EQ(events(), QStringList{"snap layout=centre_third displays=1 ok=true"});
    const WindowMover::Placement saved{w, kEditor, "org.example.editor", "Doc", {100, 100, 400, 300}};
    EXPECT_EQ(mover->undoStack(), QList<WindowMover::Group>{{saved}});
    EXPECT_EQ(desktop().beeps(), 0);
}

TEST_F(WindowMoverTest, WindowAlreadyInPlaceLogsOkWithoutUndo) {
    const AXElement w = open(QStringLiteral("Doc"), {0, 25, 500, 875});
    mover->perform(SnapAction::leftHalf);
    // Within two points also counts as in place.
    desktop().updateWindow(w, [](SimWindow& s) { s.frame = {1, 26, 499, 874}; });
    mover->perform(SnapAction::leftHalf);
    EXPECT_EQ(events(), QStringList(2, "snap layout=left_half displays=1 ok=true"));
    EXPECT_TRUE(mover->undoStack().isEmpty());
}

TEST_F(WindowMoverTest, RefusingApplicationsDecideByPositionAlone) {
    const AXElement w = open(QStringLiteral("Fixed"));
    desktop().updateWindow(w, [](SimWindow& s) { s.refusesMove = s.refusesSize = true; });
    mover->perform(SnapAction::maximize);
    EXPECT_EQ(frameOf(w), QRectF(100, 100, 400, 300));
    EXPECT_EQ(events().last(), "snap layout=maximize displays=1 ok=false");
    EXPECT_TRUE(mover->undoStack().isEmpty()) << "nothing moved, nothing to undo";

    // Takes the position but not the size: still ok, and undoable.
    desktop().updateWindow(w, [](SimWindow& s) { s.refusesMove = false; });
    mover->perform(SnapAction::rightHalf);
    EXPECT_EQ(frameOf(w), QRectF(500, 25, 400, 300));
    EXPECT_EQ(events().last(), "snap layout=right_half displays=1 ok=true");
    EXPECT_EQ(mover->undoStack().size(), 1);

    // A terminal takes only whole cells; its position still decides.
    const AXElement term = open(QStringLiteral("Term"));
    desktop().updateWindow(term, [](SimWindow& s) { s.sizeIncrement = {7, 16}; });
    mover->perform(SnapAction::leftHalf);
    EXPECT_EQ(frameOf(term), QRectF(0, 25, 497, 864));
    EXPECT_EQ(events().last(), "snap layout=left_half displays=1 ok=true");

    // Takes the new x but keeps its y: not in place.
    const AXElement pinned = open(QStringLiteral("Pinned"));
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Read && call.element == pinned)
            desktop().updateWindow(pinned, [](SimWindow& s) { s.frame.moveTop(100); });
    });
    mover->perform(SnapAction::rightHalf);
    EXPECT_EQ(frameOf(pinned).topLeft(), QPointF(500, 100));
    EXPECT_EQ(events().last(), "snap layout=right_half displays=1 ok=false");
}

TEST_F(WindowMoverTest, EnhancedUserInterfaceIsOffDuringTheWritesOnly) {
    desktop().updateApp(kEditor, [](SimApp& a) { a.enhancedUserInterface = true; });
    const AXElement w = open(QStringLiteral("Doc"));
    QList<bool> duringWrites;
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Write && call.element == w)
            duringWrites.append(*desktop().app(kEditor)->enhancedUserInterface);
    });
    mover->perform(SnapAction::topHalf);
    EXPECT_EQ(duringWrites, (QList<bool>{false, false, false}));
    EXPECT_EQ(desktop().app(kEditor)->enhancedUserInterface, true);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 1000, 438));
}

TEST_F(WindowMoverTest, FailuresLogTheirCodeAndBeepOnce) {
    desktop().setTrusted(false);
    mover->perform(SnapAction::leftHalf);
    mover->perform(SnapAction::undo);
    desktop().setTrusted(true);

    // The application has no window.
    mover->perform(SnapAction::rightHalf);

    // The window's size cannot be read.
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().updateWindow(w, [](SimWindow& s) { s.failingReads = {QStringLiteral("AXSize")}; });
    mover->perform(SnapAction::topHalf);

    // One screen only.
    desktop().updateWindow(w, [](SimWindow& s) { s.failingReads.clear(); });
    mover->perform(SnapAction::nextDisplay);

    // No application in front at all.
    desktop().clearFrontmost();
    mover->perform(SnapAction::bottomHalf);

    EXPECT_EQ(
        events(),
        (QStringList{"snap.failed layout=left_half code=1", "snap.failed layout=undo code=1",
                     "snap.failed layout=right_half code=2", "snap.failed layout=top_half code=3",
                     "snap.failed layout=next_display code=4", "snap.failed layout=bottom_half code=2"}));
    EXPECT_EQ(desktop().beeps(), 6);
    EXPECT_EQ(frameOf(w), QRectF(100, 100, 400, 300));
    EXPECT_TRUE(mover->undoStack().isEmpty());
}

TEST_F(WindowMoverTest, FocusedWindowFallsBackToMainThenFirstWindow) {
    const AXElement back = open(QStringLiteral("Back"));
    const AXElement front = open(QStringLiteral("Front"));
    desktop().updateApp(kEditor, [](SimApp& a) { a.failingReads = {QStringLiteral("AXFocusedWindow")}; });
    auto found = mover->focusedWindow();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->window, front);
    EXPECT_EQ(found->app, platform().service<platform::Accessibility>().application(kEditor));

    desktop().updateWindow(front, [](SimWindow& s) { s.minimized = true; });
    desktop().updateApp(kEditor, [](SimApp& a) {
        a.failingReads = {QStringLiteral("AXFocusedWindow"), QStringLiteral("AXMainWindow")};
    });
    // Only the first of "AXWindows" is left, minimised or not.
    EXPECT_EQ(mover->focusedWindow()->window, front);
    desktop().updateWindow(front, [](SimWindow& s) { s.minimized = false; });
    desktop().updateApp(kEditor, [](SimApp& a) { a.failingReads << QStringLiteral("AXWindows"); });
    EXPECT_FALSE(mover->focusedWindow());
    (void)back;
}

TEST_F(WindowMoverTest, NoScreensOrNoVisibleAreaStopSilently) {
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().removeScreen(0);
    mover->perform(SnapAction::leftHalf);
    EXPECT_FALSE(mover->screen(QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(mover->visibleFrame(std::nullopt));

    desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 0});
    mover->perform(SnapAction::leftHalf);
    mover->perform(SnapAction::centre);
    EXPECT_FALSE(mover->visibleFrame(mover->screen(QRectF(0, 0, 10, 10))));

    EXPECT_TRUE(events().isEmpty());
    EXPECT_EQ(desktop().beeps(), 0);
    EXPECT_EQ(frameOf(w), QRectF(100, 100, 400, 300));
    EXPECT_TRUE(mover->undoStack().isEmpty());
}

TEST_F(WindowMoverTest, EqualOverlapGoesToTheScreenListedFirst) {
    desktop().addScreen({1000, 0, 1000, 900}, {1000, 0, 1000, 900});
    const AXElement w = open(QStringLiteral("Doc"), {900, 100, 200, 200});
    EXPECT_EQ(mover->screen(frameOf(w))->displayID, desktop().screens()[0].displayID);
    mover->perform(SnapAction::rightHalf);
    EXPECT_EQ(frameOf(w), QRectF(500, 25, 500, 875));
    EXPECT_EQ(events().last(), "snap layout=right_half displays=2 ok=true");
}

TEST_F(WindowMoverTest, WindowClosedMidMoveLogsNotOkAndKeepsNoUndo) {
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Write && call.name == QLatin1String("AXPosition"))
            desktop().closeWindow(w);
    });
    mover->perform(SnapAction::leftHalf);
    EXPECT_EQ(events(), QStringList{"snap layout=left_half displays=1 ok=false"});
    EXPECT_TRUE(mover->undoStack().isEmpty());
    EXPECT_EQ(desktop().beeps(), 0);
}

TEST_F(WindowMoverTest, ScreenListChangingMidMoveUsesTheListFromTheStart) {
    desktop().addScreen({1000, 0, 1440, 900}, {1000, 0, 1440, 900});
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().setCallHook([&](const SimCall& call) {
        if (call.kind == SimCall::Kind::Write && call.name == QLatin1String("AXSize")) {
            desktop().setCallHook({});
            desktop().setScreens({});
        }
    });
    mover->perform(SnapAction::nextDisplay);
    EXPECT_EQ(frameOf(w), QRectF(1144, 77, 576, 309));
    EXPECT_EQ(events(), QStringList{"snap layout=next_display displays=2 ok=true"});
    EXPECT_EQ(mover->undoStack().size(), 1);
}

TEST_F(WindowMoverTest, UnansweringApplicationFailsWithinItsTimeouts) {
    open(QStringLiteral("Doc"));
    desktop().updateApp(kEditor, [](SimApp& a) { a.responsive = false; });
    mover->perform(SnapAction::leftHalf);
    EXPECT_EQ(events(), QStringList{"snap.failed layout=left_half code=2"});
    EXPECT_EQ(desktop().beeps(), 1);
    const auto stalls = desktop().stalls();
    EXPECT_EQ(stalls.size(), 3);
    for (double s : stalls)
        EXPECT_LE(s, platform::Accessibility::kDefaultMessagingTimeout);
}

TEST_F(WindowMoverTest, VisibleOverlayGetsAHoleWhereTheWindowLanded) {
    auto overlay = std::make_shared<VisibleOverlay>();
    mover->setOverlayHoles(overlay);
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().updateWindow(w, [](SimWindow& s) { s.maximumSize = {300, 2000}; });
    mover->perform(SnapAction::leftHalf);
    ASSERT_EQ(overlay->holes.size(), 1);
    EXPECT_EQ(overlay->holes[0].first, w);
    EXPECT_EQ(overlay->holes[0].second, QRectF(0, 25, 300, 875)) << "the frame the window really took";

    mover->setOverlayHoles(nullptr);
    mover->perform(SnapAction::rightHalf);
    EXPECT_EQ(overlay->holes.size(), 1);
}

// --- A desktop that answers moves later ---

TEST_F(WindowMoverTest, TheCheckTheLogAndUndoFollowTheDesktopsAnswer) {
    auto overlay = std::make_shared<VisibleOverlay>();
    mover->setOverlayHoles(overlay);
    desktop().holdAnswers(true);
    int settled = 0;
    QObject::connect(mover.get(), &WindowMover::settled, [&settled] { ++settled; });
    const AXElement w = open(QStringLiteral("Doc"));
    mover->perform(SnapAction::rightHalf);
    EXPECT_EQ(frameOf(w), QRectF(500, 25, 500, 875)) << "the write went out at once";
    EXPECT_TRUE(mover->isBusy());
    EXPECT_EQ(settled, 0);
    EXPECT_TRUE(events().isEmpty());
    EXPECT_TRUE(mover->undoStack().isEmpty());
    EXPECT_TRUE(overlay->holes.isEmpty());

    // The hole first (it waited first), then the check.
    EXPECT_EQ(desktop().answerWrites(), 2);
    EXPECT_FALSE(mover->isBusy());
    EXPECT_EQ(settled, 1);
    EXPECT_EQ(events(), QStringList{"snap layout=right_half displays=1 ok=true"});
    const WindowMover::Placement saved{w, kEditor, "org.example.editor", "Doc", {100, 100, 400, 300}};
    EXPECT_EQ(mover->undoStack(), QList<WindowMover::Group>{{saved}});
    ASSERT_EQ(overlay->holes.size(), 1);
    EXPECT_EQ(overlay->holes[0].second, QRectF(500, 25, 500, 875));
}

TEST_F(WindowMoverTest, ActionsPressedBeforeTheAnswerRunAfterItInOrder) {
    desktop().holdAnswers(true);
    const AXElement w = open(QStringLiteral("Doc"));
    mover->perform(SnapAction::leftHalf);
    // Centre keeps the size the half gives; undo takes back the centring.
    mover->perform(SnapAction::centre);
    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875)) << "only the first has begun";
    EXPECT_TRUE(events().isEmpty());

    EXPECT_EQ(desktop().answerWrites(), 2) << "the half, then the centring; undo waits for nothing";
    EXPECT_FALSE(mover->isBusy());
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875));
    EXPECT_EQ(events(),
              (QStringList{"snap layout=left_half displays=1 ok=true",
                           "snap layout=centre displays=1 ok=true", "snap layout=undo displays=1 ok=true"}));
    ASSERT_EQ(mover->undoStack().size(), 1);
    EXPECT_EQ(mover->undoStack()[0][0].frame, QRectF(100, 100, 400, 300));
    ASSERT_EQ(mover->redoStack().size(), 1);
    EXPECT_EQ(mover->redoStack()[0][0].frame, QRectF(250, 25, 500, 875));
}

TEST_F(WindowMoverTest, AFailureWaitsForNoAnswer) {
    desktop().holdAnswers(true);
    desktop().clearFrontmost();
    mover->perform(SnapAction::leftHalf);
    EXPECT_FALSE(mover->isBusy());
    EXPECT_EQ(events(), QStringList{"snap.failed layout=left_half code=2"});
    EXPECT_EQ(desktop().answerWrites(), 0);
}

// --- Display moves ---

TEST_F(WindowMoverTest, DisplayMovesAcrossScreensOfDifferentSizes) {
    // A 2560 × 1440 screen to the right, its top 200 points above the primary's.
    desktop().addScreen({1000, -200, 2560, 1440}, {1000, -200, 2560, 1440});
    const AXElement w = open(QStringLiteral("Doc"), {0, 25, 500, 875});
    mover->perform(SnapAction::nextDisplay);
    EXPECT_EQ(frameOf(w), QRectF(1000, -200, 1280, 1440));
    mover->perform(SnapAction::nextDisplay); // wraps back to the left
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875));
    mover->perform(SnapAction::previousDisplay);
    EXPECT_EQ(frameOf(w), QRectF(1000, -200, 1280, 1440));
    EXPECT_EQ(events(), QStringList({"snap layout=next_display displays=2 ok=true",
                                     "snap layout=next_display displays=2 ok=true",
                                     "snap layout=previous_display displays=2 ok=true"}));
    EXPECT_EQ(mover->undoStack().size(), 3);
}

// --- Undo and redo ---

TEST_F(WindowMoverTest, UndoAndRedoWalkTheHistory) {
    QSignalSpy canRedo(mover.get(), &WindowMover::canRedoChanged);
    const AXElement w = open(QStringLiteral("Doc"));
    mover->perform(SnapAction::leftHalf);
    mover->perform(SnapAction::maximize);

    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875));
    EXPECT_TRUE(mover->canRedo());
    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(w), QRectF(100, 100, 400, 300));
    mover->perform(SnapAction::undo);
    mover->perform(SnapAction::redo);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 500, 875));
    mover->perform(SnapAction::redo);
    EXPECT_EQ(frameOf(w), QRectF(0, 25, 1000, 875));
    EXPECT_FALSE(mover->canRedo());

    EXPECT_EQ(events().mid(2),
              (QStringList{"snap layout=undo displays=1 ok=true", "snap layout=undo displays=1 ok=true",
                           "snap.failed layout=undo code=5", "snap layout=redo displays=1 ok=true",
                           "snap layout=redo displays=1 ok=true"}));
    EXPECT_EQ(desktop().beeps(), 1);
    ASSERT_EQ(canRedo.size(), 2);
    EXPECT_EQ(canRedo[0][0].toBool(), true);
    EXPECT_EQ(canRedo[1][0].toBool(), false);
    EXPECT_EQ(mover->undoStack().size(), 2);
}

TEST_F(WindowMoverTest, HistoryKeepsTenGroupsAndANewMoveEndsTheRedoChain) {
    QSignalSpy canRedo(mover.get(), &WindowMover::canRedoChanged);
    const AXElement w = open(QStringLiteral("Doc"), {0, 0, 10, 10});
    for (int i = 0; i < 11; ++i) {
        desktop().updateWindow(w, [i](SimWindow& s) { s.frame = {double(i * 20), 100, 200, 200}; });
        mover->perform(SnapAction::maximize);
    }
    EXPECT_EQ(mover->undoStack().size(), 10);
    for (int i = 0; i < 10; ++i)
        mover->perform(SnapAction::undo);
    // The oldest remembered frame is the second move's.
    EXPECT_EQ(frameOf(w), QRectF(20, 100, 200, 200));
    EXPECT_EQ(mover->redoStack().size(), 10);
    mover->perform(SnapAction::undo);
    EXPECT_EQ(events().last(), "snap.failed layout=undo code=5");

    mover->perform(SnapAction::redo);
    mover->perform(SnapAction::leftHalf);
    EXPECT_TRUE(mover->redoStack().isEmpty());
    EXPECT_FALSE(mover->canRedo());
    EXPECT_EQ(canRedo.size(), 2);
    mover->perform(SnapAction::redo);
    EXPECT_EQ(events().last(), "snap.failed layout=redo code=5");
}

TEST_F(WindowMoverTest, UndoFindsAReopenedWindowByTitle) {
    const AXElement w = open(QStringLiteral("Report.txt"));
    mover->perform(SnapAction::leftHalf);
    desktop().closeWindow(w);
    const AXElement reopened = open(QStringLiteral("Report.txt"), {600, 600, 300, 200});
    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(reopened), QRectF(100, 100, 400, 300));
    EXPECT_EQ(mover->redoStack()[0][0].window, reopened);
    EXPECT_EQ(mover->redoStack()[0][0].frame, QRectF(600, 600, 300, 200));

    // A relaunch of the application under another process; the redo remembered the frame
    // from before it.
    mover->perform(SnapAction::redo);
    desktop().quitApp(kEditor);
    desktop().addApp({.pid = 200, .bundleIdentifier = QStringLiteral("org.example.editor")});
    const AXElement relaunched = open(QStringLiteral("Report.txt"), {10, 10, 100, 100}, 200);
    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(relaunched), QRectF(100, 100, 400, 300));
    EXPECT_EQ(desktop().frontmostPid(), 200) << "the restored window's application comes to the front";
}

TEST_F(WindowMoverTest, UntitledWindowsThatAreGoneAreSkipped) {
    const AXElement untitled = open(QString());
    mover->perform(SnapAction::leftHalf);
    const AXElement kept = open(QStringLiteral("Kept"));
    mover->perform(SnapAction::rightHalf);
    desktop().closeWindow(kept);
    open(QStringLiteral("Kept"), {1, 2, 30, 40});
    desktop().closeWindow(untitled);
    open(QString());

    // The newest group finds its window by title; the older one cannot, and is dropped.
    mover->perform(SnapAction::undo);
    mover->perform(SnapAction::undo);
    EXPECT_EQ(events().mid(2),
              (QStringList{"snap layout=undo displays=1 ok=true", "snap.failed layout=undo code=5"}));
    EXPECT_TRUE(mover->undoStack().isEmpty());
    EXPECT_EQ(mover->redoStack().size(), 1);
}

TEST_F(WindowMoverTest, UndoRestoresWhatItCanOfAGroupAndRaisesTheFirst) {
    const AXElement a = open(QStringLiteral("A"), {0, 0, 100, 100});
    const AXElement b = open(QStringLiteral("B"), {200, 0, 100, 100});
    const AXElement c = open(QStringLiteral("C"), {400, 0, 100, 100});
    mover->pushUndo({mover->placement(a, {10, 30, 100, 100}), mover->placement(b, {20, 30, 100, 100}),
                     mover->placement(c, {30, 30, 100, 100})});
    desktop().closeWindow(b);
    desktop().updateWindow(c, [](SimWindow& s) { s.minimized = true; });

    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(a), QRectF(10, 30, 100, 100));
    EXPECT_EQ(frameOf(c), QRectF(30, 30, 100, 100));
    EXPECT_FALSE(desktop().window(c)->minimized);
    EXPECT_EQ(desktop().windows(kEditor), (platform::AXElementList{a, c}));
    ASSERT_EQ(mover->redoStack().size(), 1);
    ASSERT_EQ(mover->redoStack()[0].size(), 2);
    EXPECT_EQ(mover->redoStack()[0][1].frame, QRectF(400, 0, 100, 100));
}

TEST_F(WindowMoverTest, UndoRaisesARestoredGroupInItsOwnOrder) {
    const AXElement a = open(QStringLiteral("A"), {0, 0, 100, 100});
    const AXElement b = open(QStringLiteral("B"), {200, 0, 100, 100});
    const AXElement c = open(QStringLiteral("C"), {400, 0, 100, 100});
    const AXElement other = open(QStringLiteral("Other"));
    mover->pushUndo({mover->placement(a, {10, 30, 100, 100}), mover->placement(b, {20, 30, 100, 100}),
                     mover->placement(c, {30, 30, 100, 100})});
    mover->perform(SnapAction::undo);
    EXPECT_EQ(desktop().windows(kEditor), (platform::AXElementList{a, b, c, other}));
}

TEST_F(WindowMoverTest, UndoOntoADisconnectedScreenLandsOnAVisibleOne) {
    desktop().addScreen({1000, 0, 1000, 900}, {1000, 0, 1000, 900});
    const AXElement w = open(QStringLiteral("Doc"), {1500, 100, 400, 300});
    mover->perform(SnapAction::leftHalf);
    desktop().removeScreen(1);
    mover->perform(SnapAction::undo);
    EXPECT_EQ(frameOf(w), QRectF(600, 100, 400, 300));
    EXPECT_EQ(events().last(), "snap layout=undo displays=1 ok=true");
}

TEST_F(WindowMoverTest, RefusedRestoreLogsNotOk) {
    const AXElement w = open(QStringLiteral("Doc"));
    mover->perform(SnapAction::leftHalf);
    desktop().updateWindow(w, [](SimWindow& s) { s.refusesMove = true; });
    mover->perform(SnapAction::undo);
    EXPECT_EQ(events().last(), "snap layout=undo displays=1 ok=false");
}

// --- Focus mode ---

TEST_F(WindowMoverTest, FocusCentresAndMinimisesEveryOtherStandardWindow) {
    const AXElement sibling = open(QStringLiteral("Sibling"));
    const AXElement dialog = desktop().addWindow(
        kEditor,
        {.title = QStringLiteral("Find"), .frame = {0, 0, 200, 100}, .subrole = QStringLiteral("AXDialog")});
    const AXElement w = open(QStringLiteral("Doc"), {0, 0, 400, 300});

    desktop().addApp({.pid = 2, .name = QStringLiteral("Mail")});
    const AXElement mail = open(QStringLiteral("Inbox"), {0, 0, 100, 100}, 2);
    const AXElement minimised = open(QStringLiteral("Old"), {0, 0, 100, 100}, 2);
    desktop().updateWindow(minimised, [](SimWindow& s) { s.minimized = true; });
    desktop().addApp({.pid = 3, .name = QStringLiteral("Hidden"), .hidden = true});
    const AXElement hidden = open(QStringLiteral("H"), {0, 0, 100, 100}, 3);
    desktop().addApp({.pid = 4,
                      .name = QStringLiteral("Utility"),
                      .activationPolicy = platform::ActivationPolicy::Accessory});
    const AXElement utility = open(QStringLiteral("U"), {0, 0, 100, 100}, 4);
    desktop().addApp({.pid = 5, .name = QStringLiteral("Hung"), .responsive = false});
    const AXElement hung = open(QStringLiteral("Busy"), {0, 0, 100, 100}, 5);
    desktop().addApp({.pid = 6, .name = QStringLiteral("Late")});
    const AXElement late = open(QStringLiteral("Late"), {0, 0, 100, 100}, 6);

    mover->perform(SnapAction::focus);
    EXPECT_EQ(frameOf(w), QRectF(300, 313, 400, 300));
    // Nothing is minimised on the main thread; the worker waits for the hung application.
    EXPECT_FALSE(desktop().window(sibling)->minimized);
    runtime().runUntilIdle();
    EXPECT_EQ(events(), QStringList{"snap layout=focus displays=1 ok=true"});
    EXPECT_TRUE(desktop().window(sibling)->minimized);
    EXPECT_TRUE(desktop().window(mail)->minimized);
    EXPECT_FALSE(desktop().window(late)->minimized);
    runtime().advance(0.5);
    EXPECT_TRUE(desktop().window(late)->minimized);

    EXPECT_FALSE(desktop().window(w)->minimized);
    EXPECT_FALSE(desktop().window(dialog)->minimized);
    EXPECT_FALSE(desktop().window(hidden)->minimized);
    EXPECT_FALSE(desktop().window(utility)->minimized);
    EXPECT_FALSE(desktop().window(hung)->minimized);
    EXPECT_EQ(desktop().stalls(), QList<double>{0.5});
}

TEST_F(WindowMoverTest, FocusMinimisesEvenWhenTheWindowCannotBeCentred) {
    const AXElement sibling = open(QStringLiteral("Sibling"));
    const AXElement w = open(QStringLiteral("Doc"));
    desktop().updateWindow(w, [](SimWindow& s) { s.refusesMove = true; });
    mover->perform(SnapAction::focus);
    runtime().runUntilIdle();
    EXPECT_EQ(events(), QStringList{"snap layout=focus displays=1 ok=false"});
    EXPECT_TRUE(desktop().window(sibling)->minimized);
}

} // namespace
