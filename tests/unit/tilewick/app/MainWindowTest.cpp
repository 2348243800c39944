#include "support/StoreTest.h"

#include "tilewick/app/MainWindow.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QWindow>

#include <optional>

using namespace tilewick;

namespace {

class MainWindowTest : public StoreTest {
protected:
    // Shown and drawn whole, as its first picture draws it.
    static void showDrawn(MainWindow& window) {
        window.show();
        QCoreApplication::processEvents();
        window.repaint();
    }
};

TEST_F(MainWindowTest, HoldsTheMainViewOnlyWhileOpen) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
    EXPECT_EQ(window.objectName(), "main");
    EXPECT_EQ(window.windowRole(), "main");
    EXPECT_EQ(window.windowTitle(), "Tilewick");
    EXPECT_EQ(window.size(), QSize(956, 891));
    ASSERT_NE(window.mainView(), nullptr);
    EXPECT_EQ(window.centralWidget(), window.mainView());

    // Closed, the window keeps an empty page, no smaller than 220 × 220; reopened, a fresh view.
    QPointer<MainView> first = window.mainView();
    store().setWindowOpen(false);
    EXPECT_EQ(window.mainView(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_GE(window.centralWidget()->minimumWidth(), 220);
    EXPECT_GE(window.centralWidget()->minimumHeight(), 220);
    store().setWindowOpen(true);
    ASSERT_NE(window.mainView(), nullptr);
    EXPECT_EQ(window.centralWidget(), window.mainView());

    QStringList menus;
    for (const QAction* action : window.menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, QStringList({"Tilewick", "Help"}));
}

// At the program's start the window is shown before its view is made; the view is there, shown
// and laid out at the window's size before the event loop turns again, so the first picture
// draws it whole.
TEST_F(MainWindowTest, ShownBeforeItsViewHoldsTheViewLaidOutBeforeTheNextTurn) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()), nullptr,
                      MainWindow::FirstView::AtFirstShow);
    EXPECT_EQ(window.mainView(), nullptr);
    window.showBuildingView();
    ASSERT_NE(window.mainView(), nullptr);
    EXPECT_EQ(window.centralWidget(), window.mainView());
    EXPECT_TRUE(window.mainView()->isVisible());
    const QRect laidOut = window.mainView()->geometry();
    EXPECT_EQ(laidOut.width(), window.width());
    EXPECT_GE(window.minimumHeight(), window.mainView()->minimumSizeHint().height());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.mainView()->geometry(), laidOut);
}

// Closed, the window keeps no pixels: its backing store is emptied once it is hidden, and it
// is drawn whole, at the window's size, when the window opens again.
TEST_F(MainWindowTest, AClosedWindowLetsGoOfItsPixels) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
    showDrawn(window);
    ASSERT_EQ(window.backingStore()->size(), window.size());
    store().setWindowOpen(false);
    window.hide();
    runtime().runUntilIdle();
    EXPECT_TRUE(window.backingStore()->size().isEmpty());

    store().setWindowOpen(true);
    showDrawn(window);
    EXPECT_EQ(window.backingStore()->size(), window.size());
}

// Closed from the desktop, Qt destroys the native window as it hides it: the pixels go while it
// is still there, and nothing makes a new one for the closed window.
TEST_F(MainWindowTest, AWindowClosedFromTheDesktopLetsGoOfItsPixelsAndMakesNoNativeWindow) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
    showDrawn(window);
    ASSERT_EQ(window.backingStore()->size(), window.size());
    window.windowHandle()->close();
    store().setWindowOpen(false);
    runtime().runUntilIdle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.backingStore()->size().isEmpty());
    EXPECT_EQ(window.windowHandle()->handle(), nullptr);
}

} // namespace

namespace {

// The checked state of the application menu's item `text`; nullopt when it has none.
std::optional<bool> applicationToggle(const MainWindow& window, const QString& text) {
    const QMenu* menu = window.menuBar()->actions().first()->menu();
    for (const QAction* action : menu->actions())
        if (action->text() == text)
            return action->isChecked();
    return std::nullopt;
}

// The menus follow a setting on the runtime's next turn, after the action that changed it has
// returned (its item goes with the rebuild).
TEST_F(MainWindowTest, MenusFollowSettingsOnTheRuntimesNextTurn) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
    const QString overlay = QStringLiteral("Show Keyboard While Holding Modifiers");
    const bool before = store().keyboardOverlay();
    ASSERT_EQ(applicationToggle(window, overlay), before);

    store().setKeyboardOverlay(!before);
    store().setShowInMenuBar(!store().showInMenuBar());
    EXPECT_EQ(applicationToggle(window, overlay), before);
    runtime().runUntilIdle();
    EXPECT_EQ(applicationToggle(window, overlay), !before);

    // Work queued for a window that has gone does nothing.
    {
        MainWindow gone(store(), {}, *shell, ViewServices::of(platform()));
        store().setKeyboardOverlay(before);
    }
    runtime().runUntilIdle();
    EXPECT_EQ(applicationToggle(window, overlay), before);
}

TEST_F(MainWindowTest, LaterWorkWaitsForTheFirstPictureOrItsPatience) {
    makeStore();
    int ran = 0;
    {
        MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
        window.whenFirstDrawn([&ran] { ++ran; }, 1.0);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        // Whether showing alone draws depends on when Qt's update request is handled; a
        // repaint surely draws, and the work runs on a later turn, not inside the paint.
        window.repaint();
        EXPECT_LE(ran, 1);
        runtime().runUntilIdle();
        EXPECT_EQ(ran, 1);
        window.repaint();
        runtime().advance(2);
        EXPECT_EQ(ran, 1); // once
    }
    // A window that never draws lets the work run after its patience.
    MainWindow hidden(store(), {}, *shell, ViewServices::of(platform()));
    hidden.whenFirstDrawn([&ran] { ++ran; }, 1.0);
    runtime().advance(0.9);
    EXPECT_EQ(ran, 1);
    runtime().advance(0.2);
    EXPECT_EQ(ran, 2);
}

// What goes to the X server as the first picture begins is sent inside that paint, once: not
// before the window draws, and not again at its next picture.
TEST_F(MainWindowTest, WorkAtTheFirstPictureRunsAsItBeginsAndOnce) {
    makeStore();
    MainWindow window(store(), {}, *shell, ViewServices::of(platform()));
    int ran = 0;
    window.whenDrawingBegins([&ran] { ++ran; });
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    runtime().runUntilIdle();
    EXPECT_LE(ran, 1);
    window.repaint();
    EXPECT_EQ(ran, 1);
    window.repaint();
    EXPECT_EQ(ran, 1);
}

TEST_F(MainWindowTest, ARepaintWaitsForAMoveOnItsWay) {
    desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875});
    desktop().addApp({.pid = 7, .bundleIdentifier = QStringLiteral("org.example.editor")});
    desktop().activate(7);
    const auto window =
        desktop().addWindow(7, {.title = QStringLiteral("Doc"), .frame = {100, 100, 400, 300}});
    makeStore();
    MainWindow main(store(), {}, *shell, ViewServices::of(platform()));
    main.holdPaintWhileMoving(*mover);
    main.setAttribute(Qt::WA_DontShowOnScreen);
    main.show();
    QCoreApplication::processEvents();
    int paints = 0;
    struct Counter : QObject {
        int& paints;
        explicit Counter(int& p) : paints(p) {}
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter(paints);
    main.installEventFilter(&counter);

    desktop().holdAnswers(true);
    mover->perform(SnapAction::leftHalf);
    ASSERT_EQ(desktop().frame(window), QRectF(0, 25, 500, 875)); // the request went out
    main.update();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 0);
    desktop().answerWrites();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 1);

    // A desktop that never answers holds the window's picture back for a moment only.
    mover->perform(SnapAction::rightHalf);
    main.update();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 1);
    runtime().advance(MainWindow::kPaintHold);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 2);
    main.update(); // then it draws as usual until the answer
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 3);
    desktop().answerWrites();
    QCoreApplication::processEvents();

    // A part the move uncovers waits for the answer too, though nothing asked for a repaint: its
    // picture would reach the server ahead of the window manager's answer.
    int exposes = 0;
    struct ExposeCounter : QObject {
        int& exposes;
        explicit ExposeCounter(int& e) : exposes(e) {}
        bool eventFilter(QObject*, QEvent* e) override {
            exposes += e->type() == QEvent::Expose;
            return false;
        }
    } exposeCounter(exposes);
    main.windowHandle()->installEventFilter(&exposeCounter);
    mover->perform(SnapAction::leftHalf);
    QPaintEvent uncovered(QRect(0, 0, 50, 40));
    QCoreApplication::sendEvent(main.windowHandle(), &uncovered);
    EXPECT_TRUE(uncovered.isAccepted());
    QCoreApplication::processEvents();
    EXPECT_EQ(exposes, 0);
    desktop().answerWrites();
    QCoreApplication::processEvents();
    EXPECT_EQ(exposes, 1);
}

TEST_F(MainWindowTest, ARepaintWaitsForAHotkeyOnItsWayAndTheUncoveredPartsWithIt) {
    makeStore();
    MainWindow main(store(), {}, *shell, ViewServices::of(platform()));
    bool queued = false;
    main.holdPaintWhileMoving(*mover, [&queued] { return queued; });
    main.setAttribute(Qt::WA_DontShowOnScreen);
    main.show();
    QCoreApplication::processEvents();
    ASSERT_NE(main.windowHandle(), nullptr);
    int paints = 0, exposes = 0;
    struct Counter : QObject {
        int& count;
        QEvent::Type type;
        Counter(int& c, QEvent::Type t) : count(c), type(t) {}
        bool eventFilter(QObject*, QEvent* e) override {
            count += e->type() == type;
            return false;
        }
    } paintCounter(paints, QEvent::Paint), exposeCounter(exposes, QEvent::Expose);
    main.installEventFilter(&paintCounter);
    main.windowHandle()->installEventFilter(&exposeCounter);

    // A hotkey's action waits on the main queue: the repaint asked for before it waits for it,
    // and so does a part the desktop uncovers meanwhile.
    queued = true;
    main.update();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 0);
    QPaintEvent uncovered(QRect(0, 0, 50, 40));
    QCoreApplication::sendEvent(main.windowHandle(), &uncovered);
    EXPECT_TRUE(uncovered.isAccepted()); // taken: no expose follows now
    // The action ran and moved nothing: both are drawn.
    queued = false;
    runtime().runUntilIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(exposes, 1);

    // Nothing held, an uncovered part goes on to the window as usual.
    QPaintEvent again(QRect(0, 0, 50, 40));
    QCoreApplication::sendEvent(main.windowHandle(), &again);
    EXPECT_FALSE(again.isAccepted());
}

} // namespace
