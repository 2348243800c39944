// Run by window_mover.sh on a private X server (two monitors "L" and "R" of 1280×1080, openbox,
// two xterms): the desktop platform and the window mover move a real terminal, and every result
// is read back from the X server with the X tools, independently of the backend.

#include "E2eTools.h"

#include "betakit/LogStore.h"
#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"
#include "platform/desktop/DesktopPlatform.h"
#include "tilewick/engine/WindowMover.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <unistd.h>

using platform::AXElement;
using tilewick::SnapAction;
using tilewick::WindowMover;

namespace {

using namespace e2e;

QString wmState(quint32 window) {
    return run("xprop", {"-id", hex(window), "_NET_WM_STATE"});
}

QRect workareaOf() {
    const auto m = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)")
                       .match(run("xprop", {"-root", "_NET_WORKAREA"}));
    return m.hasMatch() ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                m.captured(4).toInt())
                        : QRect();
}

// Performs the action and runs the event loop until the mover has the window manager's answer,
// as the program's event loop would.
void perform(WindowMover& mover, SnapAction action) {
    mover.perform(action);
    EXPECT_TRUE(waitFor([&] { return !mover.isBusy(); })) << "the move never finished";
}

// Client messages to the window manager of one type, as a pager would see them.
class MessageCounter {
public:
    explicit MessageCounter(TestClient& x, const char* type) : m_type(x.atom(type)) {
        const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root,
                                     XCB_CW_EVENT_MASK, &mask);
        free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }
    ~MessageCounter() { xcb_disconnect(m_c); }
    // The messages sent since the counter began; waits for the server to deliver them.
    int count() {
        free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_c)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                reinterpret_cast<xcb_client_message_event_t*>(e)->type == m_type)
                ++m_count;
            free(e);
        }
        return m_count;
    }

private:
    xcb_connection_t* m_c = xcb_connect(nullptr, nullptr);
    xcb_atom_t m_type;
    int m_count = 0;
};

class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by window_mover.sh";
        m_platform = platform::makeDesktopPlatform("com.corvane.tilewick.e2e", "Tilewick");
        platform::Platform::install(m_platform);
        betakit::LogStore::resetSharedForTesting();
        betakit::LogStore::shared().start(m_logs.path());
        ASSERT_TRUE(m_platform->find<platform::Accessibility>()) << "no X11 services registered";
        focusTerminal();
    }
    void TearDown() override {
        betakit::LogStore::resetSharedForTesting();
        platform::Platform::uninstall();
    }

    // Brings the first terminal in front, as the user would by clicking it.
    void focusTerminal() { ASSERT_TRUE(bringToFront(*m_platform, envPid("E2E_TERM_PID"))); }

    QStringList events() {
        auto& store = betakit::LogStore::shared();
        store.flush();
        QStringList result;
        for (const QString& line : store.recentLines(1 << 20, m_platform->clock().wallMillis()))
            result.append(line.mid(25));
        return result;
    }

    // The focused terminal's window, in front and where xterm first put it.
    quint32 terminalWindow() {
        WindowMover mover(*m_platform);
        const auto target = mover.focusedWindow();
        return target ? quint32(target->window.id()) : 0;
    }

    // The focused terminal's window, moved onto the left monitor whatever came before.
    quint32 terminalOnTheLeftMonitor() {
        WindowMover mover(*m_platform);
        const auto target = mover.focusedWindow();
        if (!target)
            return 0;
        m_platform->service<platform::Accessibility>().setAttributeValue(target->window, "AXPosition",
                                                                         QPointF(300, 300));
        return quint32(target->window.id());
    }

    // Maximises the window, so that a half changes both its size and its place; the left edge
    // of its monitor.
    static int maximise(WindowMover& mover, quint32 window) {
        perform(mover, SnapAction::maximize);
        return outerFrameOf(window).x();
    }

    QRect moveInsideCellAtTheAnswer(WindowMover& mover, quint32 window, SnapAction action, const QRect& cell);
    void expectVisibleFramesOnTheirCells(qint32 pid,
                                         std::initializer_list<std::pair<SnapAction, QRect>> cells);

    QTemporaryDir m_logs;
    std::shared_ptr<platform::Platform> m_platform;
    TestClient m_x;
};

} // namespace

TEST_F(X11DesktopTest, ScreensAndApplicationsOfTheDesktop) {
    auto& screens = m_platform->service<platform::Screens>();
    auto& workspace = m_platform->service<platform::Workspace>();
    auto& ax = m_platform->service<platform::Accessibility>();
    EXPECT_TRUE(ax.isProcessTrusted()) << "openbox is an EWMH window manager";

    // The left monitor holds the root origin, so it is the primary and comes first.
    auto list = screens.screens();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].name, "L");
    EXPECT_EQ(list[0].frame, QRectF(0, 0, 1280, 1080));
    EXPECT_EQ(list[1].name, "R");
    EXPECT_EQ(list[1].frame, QRectF(1280, 0, 1280, 1080));
    EXPECT_EQ(list[0].uuid.size(), 36);
    EXPECT_NE(list[0].uuid, list[1].uuid);
    EXPECT_NE(list[0].displayID, list[1].displayID);

    // A panel appears on the left monitor: its visible frame loses the top 30 pixels (the top
    // of a bottom-left frame is its far end), the right monitor is untouched.
    QSignalSpy changed(&screens, &platform::Screens::screensChanged);
    const xcb_window_t panel = m_x.mapPanel();
    ASSERT_TRUE(waitFor([&] { return changed.count() > 0; })) << "screensChanged when a panel appears";
    EXPECT_EQ(screens.screens()[0].visibleFrame, QRectF(0, 0, 1280, 1050));
    EXPECT_EQ(screens.screens()[1].visibleFrame, QRectF(1280, 0, 1280, 1080));
    m_x.destroy(panel);
    ASSERT_TRUE(waitFor([&] { return changed.count() > 1; })) << "and when it goes";
    EXPECT_EQ(screens.screens()[0].visibleFrame, QRectF(0, 0, 1280, 1080));

    // So does a dock the window manager does not manage, along the bottom of the right monitor.
    const xcb_window_t dock = m_x.createWindow({1280, 1040, 1280, 40}, true);
    m_x.setCardinals(dock, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL,
                     {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 1280, 2559});
    m_x.map(dock);
    ASSERT_TRUE(waitFor([&] { return changed.count() > 2; }))
        << "screensChanged when an unmanaged dock appears";
    EXPECT_EQ(screens.screens()[1].visibleFrame, QRectF(1280, 40, 1280, 1040));
    EXPECT_EQ(screens.screens()[0].visibleFrame, QRectF(0, 0, 1280, 1080));
    m_x.destroy(dock);
    ASSERT_TRUE(waitFor([&] { return changed.count() > 3; }));
    EXPECT_EQ(screens.screens()[1].visibleFrame, QRectF(1280, 0, 1280, 1080));

    // The terminals are applications named by the desktop entry that claims their class; this
    // process is one too; the focused terminal is in front.
    const qint32 term = envPid("E2E_TERM_PID"), other = envPid("E2E_OTHER_PID");
    const auto app = workspace.runningApplication(term);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, "org.example.Term");
    EXPECT_EQ(app->localizedName, "Example Terminal");
    EXPECT_EQ(app->activationPolicy, platform::ActivationPolicy::Regular);
    EXPECT_TRUE(app->launchMillis);
    EXPECT_TRUE(workspace.isRunning(other));
    EXPECT_TRUE(workspace.isRunning(qint32(getpid())));
    EXPECT_EQ(workspace.frontmostApplication()->pid, term);

    // Accessibility agrees, and names the focused window.
    const auto focusedApp = ax.elementAttribute(ax.systemWide(), "AXFocusedApplication");
    ASSERT_TRUE(focusedApp);
    EXPECT_EQ(focusedApp->pid(), term);
    const auto window = ax.elementAttribute(*focusedApp, "AXFocusedWindow");
    ASSERT_TRUE(window);
    EXPECT_EQ(ax.stringAttribute(*window, "AXTitle"), "Term One");
    EXPECT_EQ(ax.stringAttribute(*window, "AXSubrole"), "AXStandardWindow");
    EXPECT_EQ(ax.boolAttribute(*window, "AXMain"), true);
    EXPECT_EQ(ax.elementsAttribute(*focusedApp, "AXWindows")->size(), 1);
    EXPECT_EQ(ax.isAttributeSettable(*window, "AXPosition").value, true);
    // Its entry declares no new-window action: the menu bar holds the application's menu alone.
    const auto menuBar = ax.elementAttribute(*focusedApp, "AXMenuBar");
    ASSERT_TRUE(menuBar);
    EXPECT_EQ(ax.elementsAttribute(*menuBar, "AXChildren")->size(), 1);
    // The frame read through Accessibility is the one the X tools see.
    const QRectF frame(*ax.pointAttribute(*window, "AXPosition"), *ax.sizeAttribute(*window, "AXSize"));
    EXPECT_EQ(frame.toRect(), outerFrameOf(quint32(window->id())));

    // A new window of this process is announced to an observer of this application.
    QList<AXElement> created;
    auto observer = ax.addObserver(ax.application(qint32(getpid())), "AXWindowCreated",
                                   [&](const AXElement& w, const QString&) { created.append(w); });
    ASSERT_TRUE(observer);
    const xcb_window_t own = m_x.mapOwnWindow();
    ASSERT_TRUE(waitFor([&] { return !created.isEmpty(); }));
    EXPECT_EQ(quint32(created.first().id()), own);
    m_x.destroy(own);

    // Launch and quit of an application.
    QSignalSpy launched(&workspace, &platform::Workspace::applicationLaunched);
    QSignalSpy terminated(&workspace, &platform::Workspace::applicationTerminated);
    QProcess third;
    // Of its own class: an XTerm would join the first terminal's application.
    third.start("xterm", {"-name", "thirdterm", "-class", "ThirdTerm", "-T", "Term Three", "-geometry",
                          "40x5+700+700"});
    ASSERT_TRUE(third.waitForStarted());
    const qint32 thirdPid = qint32(third.processId());
    ASSERT_TRUE(waitFor([&] { return workspace.isRunning(thirdPid); }));
    ASSERT_TRUE(waitFor([&] { return !launched.isEmpty(); }));
    EXPECT_EQ(launched.last()[0].value<platform::RunningApplication>().pid, thirdPid);
    EXPECT_TRUE(workspace.terminate(thirdPid));
    EXPECT_TRUE(third.waitForFinished(5000)) << "xterm closes when its window is asked to";
    ASSERT_TRUE(waitFor([&] { return !terminated.isEmpty(); }));
    EXPECT_EQ(terminated.last()[0].value<platform::RunningApplication>().pid, thirdPid);
    EXPECT_FALSE(workspace.terminate(thirdPid));

    m_platform->service<platform::Sound>().beep();
}

TEST_F(X11DesktopTest, TheWindowMoverMovesARealTerminal) {
    WindowMover mover(*m_platform);
    const qint32 term = envPid("E2E_TERM_PID");
    auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    ASSERT_EQ(target->app.pid(), term);
    const quint32 window = quint32(target->window.id());
    const QRect initial = outerFrameOf(window);
    ASSERT_EQ(initial.topLeft(), QPoint(100, 100)) << "xterm -geometry +100+100 places the frame there";

    // Halves of the left monitor, then over to the right one, keeping the place relative to the
    // monitor, then the whole right monitor.
    perform(mover, SnapAction::leftHalf);
    expectSnapped(outerFrameOf(window), QRect(0, 0, 640, 1080), "leftHalf");
    perform(mover, SnapAction::rightHalf);
    const QRect right = outerFrameOf(window);
    expectSnapped(right, QRect(640, 0, 640, 1080), "rightHalf");
    perform(mover, SnapAction::nextDisplay);
    const QRect moved = outerFrameOf(window);
    expectSnapped(moved, QRect(right.x() + 1280, 0, right.width(), right.height()), "nextDisplay");
    perform(mover, SnapAction::maximize);
    expectSnapped(outerFrameOf(window), QRect(1280, 0, 1280, 1080), "maximize");
    EXPECT_EQ(events(), (QStringList{"snap layout=left_half displays=2 ok=true",
                                     "snap layout=right_half displays=2 ok=true",
                                     "snap layout=next_display displays=2 ok=true",
                                     "snap layout=maximize displays=2 ok=true"}));
    EXPECT_EQ(mover.undoStack().size(), 4);

    // Undo puts it back where the display move left it, and redo where maximise did.
    perform(mover, SnapAction::undo);
    EXPECT_EQ(outerFrameOf(window), moved);
    perform(mover, SnapAction::redo);
    expectSnapped(outerFrameOf(window), QRect(1280, 0, 1280, 1080), "redo");
    EXPECT_EQ(events().mid(4),
              (QStringList{"snap layout=undo displays=2 ok=true", "snap layout=redo displays=2 ok=true"}));

    // A window the window manager maximised leaves that state before it is moved.
    m_x.maximise(window);
    ASSERT_TRUE(waitFor([&] { return wmState(window).contains("_NET_WM_STATE_MAXIMIZED_HORZ"); }));
    perform(mover, SnapAction::leftHalf);
    EXPECT_FALSE(wmState(window).contains("MAXIMIZED"));
    expectSnapped(outerFrameOf(window), QRect(1280, 0, 640, 1080), "leftHalf after maximised");
}

TEST_F(X11DesktopTest, FocusMinimisesTheOtherTerminalAndUnminimisingRestoresIt) {
    WindowMover mover(*m_platform);
    auto& ax = m_platform->service<platform::Accessibility>();
    const auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    const quint32 window = quint32(target->window.id());
    const auto otherWindows = ax.elementsAttribute(ax.application(envPid("E2E_OTHER_PID")), "AXWindows");
    ASSERT_TRUE(otherWindows && otherWindows->size() == 1);
    const quint32 other = quint32(otherWindows->first().id());

    // Centred on its monitor, keeping its size; the other terminal is minimised on a worker.
    const QRect before = outerFrameOf(window);
    perform(mover, SnapAction::focus);
    const QRect centred = outerFrameOf(window);
    EXPECT_EQ(centred.size(), before.size());
    EXPECT_LE(std::abs(centred.center().x() - 1920), 1);
    EXPECT_LE(std::abs(centred.center().y() - 540), 1);
    ASSERT_TRUE(waitFor([&] { return wmState(other).contains("_NET_WM_STATE_HIDDEN"); }));
    EXPECT_FALSE(wmState(window).contains("_NET_WM_STATE_HIDDEN"));

    // Un-minimising through Accessibility restores it.
    EXPECT_EQ(ax.boolAttribute(otherWindows->first(), "AXMinimized"), true);
    EXPECT_EQ(ax.setAttributeValue(otherWindows->first(), "AXMinimized", false), platform::AXError::Success);
    EXPECT_EQ(ax.boolAttribute(otherWindows->first(), "AXMinimized"), false);
    EXPECT_FALSE(wmState(other).contains("_NET_WM_STATE_HIDDEN"));
}

TEST_F(X11DesktopTest, AWindowThatDoesNotNameItsProcessIsFoundThroughTheServer) {
    auto& ax = m_platform->service<platform::Accessibility>();
    QProcess term;
    // Of a class no entry claims: the application of its own process.
    term.start("xterm",
               {"-name", "nopidterm", "-class", "NoPidTerm", "-T", "No Pid", "-geometry", "40x10+200+200"});
    ASSERT_TRUE(term.waitForStarted());
    const qint32 pid = qint32(term.processId());
    std::optional<platform::AXElementList> windows;
    ASSERT_TRUE(waitFor([&] {
        windows = ax.elementsAttribute(ax.application(pid), "AXWindows");
        return windows && !windows->isEmpty();
    }));
    const quint32 window = quint32(windows->first().id());

    // Older clients never set _NET_WM_PID; the X server still knows the process of a local one.
    run("xprop", {"-id", hex(window), "-remove", "_NET_WM_PID"});
    ASSERT_TRUE(run("xprop", {"-id", hex(window), "_NET_WM_PID"}).contains("not found"));
    ASSERT_TRUE(bringToFront(*m_platform, pid));
    EXPECT_TRUE(m_platform->service<platform::Workspace>().runningApplication(pid));

    WindowMover mover(*m_platform);
    const auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->app.pid(), pid);
    EXPECT_EQ(quint32(target->window.id()), window);
    perform(mover, SnapAction::leftHalf);
    expectSnapped(outerFrameOf(window), QRect(0, 0, 640, 1080), "leftHalf");

    term.kill();
    term.waitForFinished(5000);
}

TEST_F(X11DesktopTest, SizeAndPositionGoToTheWindowManagerAsOneRequestAndItsAnswerEndsTheWait) {
    WindowMover mover(*m_platform);
    const quint32 window = terminalWindow();
    ASSERT_TRUE(window);
    const int left = maximise(mover, window);
    MessageCounter requests(m_x, "_NET_MOVERESIZE_WINDOW");
    perform(mover, SnapAction::leftHalf);
    expectSnapped(outerFrameOf(window), QRect(left, 0, 640, 1080), "leftHalf");
    EXPECT_EQ(requests.count(), 1);

    // A full-screen window stays where it is, and the move does not wait for an answer that
    // some window managers never give (it once took three polls of 0.1 s).
    m_x.changeState(window, true, "_NET_WM_STATE_FULLSCREEN");
    ASSERT_TRUE(waitFor([&] { return wmState(window).contains("FULLSCREEN"); }));
    const auto start = std::chrono::steady_clock::now();
    perform(mover, SnapAction::rightHalf);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    m_x.changeState(window, false, "_NET_WM_STATE_FULLSCREEN");
    ASSERT_TRUE(waitFor([&] { return !wmState(window).contains("FULLSCREEN"); }));
}

TEST_F(X11DesktopTest, AMoveThatLandsUnderASlowWindowManagerCountsAndIsRemembered) {
    WindowMover mover(*m_platform);
    const quint32 window = terminalWindow();
    ASSERT_TRUE(window);
    const int left = maximise(mover, window);
    // The window manager answers 0.3 s late, as one with a thousand windows might.
    const pid_t wm = envPid("E2E_WM_PID");
    ASSERT_GT(wm, 0);
    ASSERT_EQ(::kill(wm, SIGSTOP), 0);
    std::thread wake([wm] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(wm, SIGCONT);
    });
    perform(mover, SnapAction::leftHalf);
    wake.join();
    expectSnapped(outerFrameOf(window), QRect(left, 0, 640, 1080), "leftHalf");
    EXPECT_EQ(events().last(), "snap layout=left_half displays=2 ok=true");
    EXPECT_EQ(mover.undoStack().size(), 2);
}

TEST_F(X11DesktopTest, HostileShadowsAndAWindowManagerWithoutMoveResize) {
    WindowMover mover(*m_platform);
    auto& ax = m_platform->service<platform::Accessibility>();
    const auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    const quint32 window = quint32(target->window.id());
    const int height = workareaOf().height();
    // Client-side shadows larger than the window itself are not believed.
    ax.setAttributeValue(target->window, "AXSize", QSizeF(400, 300));
    ax.setAttributeValue(target->window, "AXPosition", QPointF(300, 300));
    m_x.setCardinals(window, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {500, 500, 500, 500});
    m_x.sync();
    perform(mover, SnapAction::leftHalf);
    expectSnapped(outerFrameOf(window), QRect(0, 0, 640, height), "leftHalf with hostile shadows");
    run("xprop", {"-id", hex(window), "-remove", "_GTK_FRAME_EXTENTS"});

    // Without _NET_MOVERESIZE_WINDOW the client is configured so that its frame lands in place.
    const auto supported = m_x.values(m_x.root(), "_NET_SUPPORTED");
    auto without = supported;
    std::erase(without, m_x.atom("_NET_MOVERESIZE_WINDOW"));
    ASSERT_LT(without.size(), supported.size());
    m_x.setCardinals(m_x.root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, without);
    m_x.sync();
    // The backend reads the change on its next turn, as the program's event loop would give it.
    QCoreApplication::processEvents();
    MessageCounter requests(m_x, "_NET_MOVERESIZE_WINDOW");
    perform(mover, SnapAction::rightHalf);
    expectSnapped(outerFrameOf(window), QRect(640, 0, 640, height), "rightHalf by configuring the client");
    perform(mover, SnapAction::nextDisplay);
    expectSnapped(outerFrameOf(window), QRect(1920, 0, 640, height), "nextDisplay by configuring the client");
    EXPECT_EQ(requests.count(), 0);
    m_x.setCardinals(m_x.root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, supported);
    m_x.sync();
    QCoreApplication::processEvents();
}

// Run under window managers that draw their own panels (icewm's taskbar, fluxbox's toolbar).
TEST_F(X11DesktopTest, PanelsTheWindowManagerDrawsItselfAreNotCovered) {
    WindowMover mover(*m_platform);
    const quint32 window = terminalWindow();
    ASSERT_TRUE(window);
    const QRect workarea = workareaOf();
    ASSERT_LT(workarea.bottom(), 1079) << "the window manager shows a panel at the bottom";
    // The monitor the terminal is on: maximised, it fills that monitor down to the panel.
    const int left = outerFrameOf(window).center().x() < 1280 ? 0 : 1280;
    perform(mover, SnapAction::maximize);
    const QRect maximised = outerFrameOf(window);
    EXPECT_EQ(maximised.topLeft(), QPoint(left, 0));
    EXPECT_LE(maximised.bottom(), workarea.bottom());
    EXPECT_GT(maximised.bottom(), workarea.bottom() - kCell.height());
    perform(mover, SnapAction::rightHalf);
    expectSnapped(outerFrameOf(window), QRect(left + 640, 0, 640, workarea.height()), "rightHalf");
}

namespace {

// The frame people see of a client window, as the X tools give it: the client's rectangle with
// the window manager's _NET_FRAME_EXTENTS added and the client's own shadows
// (_GTK_FRAME_EXTENTS) taken away.
QRect visibleFrameOf(quint32 window) {
    const auto shadows = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)")
                             .match(run("xprop", {"-id", hex(window), "_GTK_FRAME_EXTENTS"}));
    const QRect outer = outerFrameOf(window);
    if (!shadows.hasMatch())
        return outer;
    return outer.adjusted(shadows.captured(1).toInt(), shadows.captured(3).toInt(),
                          -shadows.captured(2).toInt(), -shadows.captured(4).toInt());
}

// A panel of odd height across the top of the left monitor, so that its halves meet at half a
// pixel; gone at the end of the scope.
class OddPanel {
public:
    OddPanel(TestClient& x, const platform::Platform& platform) : m_x(x), m_panel(x.mapPanel(31)) {
        EXPECT_TRUE(waitFor([&] { return visibleArea(platform, 0) == kArea; }))
            << "the panel's strut is seen";
    }
    ~OddPanel() { m_x.destroy(m_panel); }
    // The work area it leaves on the left monitor.
    static constexpr QRect kArea{0, 31, 1280, 1049};

private:
    TestClient& m_x;
    xcb_window_t m_panel;
};

QString snapLine(SnapAction action, bool ok) {
    return QString("snap layout=%1 displays=2 ok=%2")
        .arg(QString::fromLatin1(tilewick::betaLogName(action)), ok ? "true" : "false");
}

// Moves the window into `cell` and expects the move to end at the window manager's answer (well
// before the settle limit, so a hotkey after it is not held up), the visible frame inside the
// cell, and the log to say whether it is in place; the visible frame.
QRect X11DesktopTest::moveInsideCellAtTheAnswer(WindowMover& mover, quint32 window, SnapAction action,
                                                const QRect& cell) {
    const std::string name = tilewick::rawValue(action).toStdString();
    const auto start = std::chrono::steady_clock::now();
    perform(mover, action);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700))
        << name << ": the move waited for more than the window manager's answer";
    const QRect visible = visibleFrameOf(window);
    EXPECT_TRUE(cell.contains(visible)) << name << " " << testing::PrintToString(visible);
    EXPECT_EQ(events().last(), snapLine(action, WindowMover::landedAt(visible, cell)))
        << name << " " << testing::PrintToString(visible);
    return visible;
}

} // namespace

// A window that takes whole character cells only keeps to the edges of its cell that lie on the
// work area's far edges, and no cell reaches past the work area.
// Multi-window fills set frames from a worker thread, while the main thread sends on any size a
// worker held back for its position. When that happens first, the position that follows still
// goes with the size: alone, it was placed for the window's old size (so a terminal lost its
// anchoring to the far edges) and fluxbox picked a size of its own for it.
TEST_F(X11DesktopTest, AFrameSetFromAWorkerKeepsItsSizeWithItsPositionWhateverTheMainThreadSends) {
    WindowMover mover(*m_platform);
    const auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    const quint32 window = quint32(target->window.id());
    const auto before = mover.readFrame(target->window);
    ASSERT_TRUE(before);
    const auto visible = mover.visibleFrame(mover.screen(*before));
    ASSERT_TRUE(visible);
    const auto cell =
        WindowMover::targetFrame(tilewick::kind(SnapAction::bottomRightQuarter), *before, *visible);
    ASSERT_TRUE(cell);

    auto& ax = m_platform->service<platform::Accessibility>();
    std::atomic<int> step = 0;
    std::thread worker([&] {
        ax.setAttributeValue(target->window, "AXSize", cell->size());
        step = 1;
        // The main thread takes its turn now, as a busy one may between two writes.
        while (step != 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ax.setAttributeValue(target->window, "AXPosition", cell->topLeft());
        ax.setAttributeValue(target->window, "AXSize", cell->size());
        step = 3;
    });
    EXPECT_TRUE(waitFor([&] { return step == 1; }));
    waitFor([] { return false; }, 0.3); // the main thread's turns, the held-back size sent among them
    step = 2;
    EXPECT_TRUE(waitFor([&] { return step == 3; }, 10.0));
    worker.join();
    const QRect cellPixels = cell->toRect(), area = visible->toRect();
    EXPECT_TRUE(waitFor([&]() -> bool { return isSnapped(outerFrameOf(window), cellPixels, area); }, 3.0))
        << testing::PrintToString(outerFrameOf(window)) << " for " << testing::PrintToString(cellPixels);
}

TEST_F(X11DesktopTest, TerminalsKeepToTheWorkAreasEdges) {
    WindowMover mover(*m_platform);
    OddPanel panel(m_x, *m_platform);
    const quint32 window = terminalOnTheLeftMonitor();
    ASSERT_TRUE(window);
    const QRect area = OddPanel::kArea;
    const std::pair<SnapAction, QRect> cells[] = {
        {SnapAction::rightHalf, {640, 31, 640, 1049}},          {SnapAction::bottomHalf, {0, 556, 1280, 524}},
        {SnapAction::bottomRightQuarter, {640, 556, 640, 524}}, {SnapAction::topHalf, {0, 31, 1280, 525}},
        {SnapAction::rightThird, {853, 31, 427, 1049}},
    };
    for (const auto& [action, cell] : cells) {
        perform(mover, action);
        const QRect frame = outerFrameOf(window);
        const std::string name = tilewick::rawValue(action).toStdString();
        EXPECT_TRUE(area.contains(frame)) << name << " " << testing::PrintToString(frame);
        expectSnapped(frame, cell, name.c_str(), area);
        EXPECT_EQ(events().last(), snapLine(action, true));
    }
}

// Brings the window of `pid` (a GTK application with client-side decorations) in front, on the left
// monitor, and moves it into each cell: its visible frame lands on the cell, and the move ends at the
// window manager's answer, so the hotkey after it is not held up.
void X11DesktopTest::expectVisibleFramesOnTheirCells(
    qint32 pid, std::initializer_list<std::pair<SnapAction, QRect>> cells) {
    ASSERT_GT(pid, 0) << "run by window_mover_desktops.sh";
    ASSERT_TRUE(bringToFront(*m_platform, pid));
    WindowMover mover(*m_platform);
    const auto target = mover.focusedWindow();
    ASSERT_TRUE(target);
    ASSERT_EQ(target->app.pid(), pid);
    const quint32 window = quint32(target->window.id());
    ASSERT_TRUE(waitFor([&] { return visibleFrameOf(window) != outerFrameOf(window); }))
        << "GTK draws shadows around its window under a compositor";
    m_platform->service<platform::Accessibility>().setAttributeValue(target->window, "AXPosition",
                                                                     QPointF(300, 300));
    ASSERT_TRUE(waitFor([&] { return visibleFrameOf(window).right() < 1280; }))
        << "on the left monitor: " << testing::PrintToString(visibleFrameOf(window));
    OddPanel panel(m_x, *m_platform);
    for (const auto& [action, cell] : cells) {
        const QRect visible = moveInsideCellAtTheAnswer(mover, window, action, cell);
        EXPECT_EQ(visible, cell) << tilewick::rawValue(action).toStdString();
    }
}

// Run under xfwm4 and marco with a GTK 3 window of client-side decorations (E2E_CSD_PID).
TEST_F(X11DesktopTest, ClientSideDecorationsLandInTheirCellsAtTheAnswer) {
    expectVisibleFramesOnTheirCells(envPid("E2E_CSD_PID"),
                                    {
                                        {SnapAction::leftHalf, {0, 31, 640, 1049}},
                                        {SnapAction::rightHalf, {640, 31, 640, 1049}},
                                        {SnapAction::bottomLeftQuarter, {0, 556, 640, 524}},
                                        {SnapAction::topRightQuarter, {640, 31, 640, 525}},
                                        {SnapAction::maximize, OddPanel::kArea},
                                    });
}

// GTK 4 sets its shadows before its window is mapped, where GTK 3 sets them after; marco learns of
// shadows only when they change, so it took a GTK 4 window's shadows for part of what people see.
// Run with gnome-calculator (E2E_GTK4_PID): every half and quarter.
TEST_F(X11DesktopTest, Gtk4WindowsLandInTheirCellsToo) {
    expectVisibleFramesOnTheirCells(envPid("E2E_GTK4_PID"),
                                    {
                                        {SnapAction::leftHalf, {0, 31, 640, 1049}},
                                        {SnapAction::rightHalf, {640, 31, 640, 1049}},
                                        {SnapAction::topHalf, {0, 31, 1280, 525}},
                                        {SnapAction::bottomHalf, {0, 556, 1280, 524}},
                                        {SnapAction::topLeftQuarter, {0, 31, 640, 525}},
                                        {SnapAction::topRightQuarter, {640, 31, 640, 525}},
                                        {SnapAction::bottomLeftQuarter, {0, 556, 640, 524}},
                                        {SnapAction::bottomRightQuarter, {640, 556, 640, 524}},
                                    });
}

// A window whose client window holds an invisible shadow around what people see, under a window
// manager that keeps the whole client window on the screen (marco keeps a frame it draws there,
// whatever the client says of its shadows): the visible frame stays inside its cell, and the move
// ends at the window manager's answer.
TEST_F(X11DesktopTest, AWindowKeptOnTheScreenWithItsShadowStaysInsideItsCell) {
    WindowMover mover(*m_platform);
    OddPanel panel(m_x, *m_platform);
    const quint32 window = terminalOnTheLeftMonitor();
    ASSERT_TRUE(window);
    m_x.setCardinals(window, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {20, 20, 20, 20});
    m_x.sync();
    const std::pair<SnapAction, QRect> cells[] = {
        {SnapAction::leftHalf, {0, 31, 640, 1049}},
        {SnapAction::bottomRightQuarter, {640, 556, 640, 524}},
        {SnapAction::topLeftQuarter, {0, 31, 640, 525}},
    };
    for (const auto& [action, cell] : cells)
        moveInsideCellAtTheAnswer(mover, window, action, cell);
    run("xprop", {"-id", hex(window), "-remove", "_GTK_FRAME_EXTENTS"});
}
