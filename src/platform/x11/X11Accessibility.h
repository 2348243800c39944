#pragma once

#include "X11Connection.h"
#include "platform/Accessibility.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace platform {
class Runtime;
}

namespace platform::x11 {

class X11Screens;
class X11Workspace;

// Accessibility over EWMH/ICCCM: the elements of other applications on an X desktop.
//
// Elements: the system-wide element ("AXRole", "AXFocusedApplication"); applications by process
// ("AXRole", "AXTitle", "AXWindows", "AXFocusedWindow", "AXMainWindow", "AXFrontmost", "AXHidden");
// windows by X window ("AXRole", "AXSubrole", "AXTitle", "AXPosition", "AXSize", "AXMinimized",
// "AXFullScreen", "AXMain", "AXFocused"; action "AXRaise"). Applications are the workspace's (the
// windows of one desktop entry, whatever their processes), and a window's process is its
// application's. An application's windows are its managed client windows on the current desktop,
// front to back, without panels and the desktop. "AXMenuBar" is the application's X11MenuBar
// (action "AXPress"); "AXEnhancedUserInterface" is not supported.
//
// Positions and sizes are the outer frame people see: the window manager's decorations
// (_NET_FRAME_EXTENTS) included, the shadows of client-side decorations (_GTK_FRAME_EXTENTS)
// left out unless they leave no client area. A window's state comes from what the connection
// keeps current from the window's events, so reading it needs no round trip.
//
// Writes go to the window manager, whose answer comes by events: the window reaching the
// asked-for state, or a synthetic ConfigureNotify (ICCCM 4.1.5), which is the answer of a window
// manager that keeps the window as it was; kSettleLimit is only for window managers that never
// answer. A move or resize returns once its request is sent; whenSettled() runs what waits for
// the answer on the main thread when it comes, and any other call about the window waits for it
// first, so a read straight after a write sees the result. Other writes return once answered. A
// size written just before a position of the same window goes out with it as one request (the
// size waits until the next call, or until the main thread would sleep); the same size written
// again while the request is unanswered goes out only if the answer shows another. Trust is a
// usable connection with an EWMH window manager. Every call may be made from any thread.
class X11Accessibility : public Accessibility {
public:
    X11Accessibility(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Screens> screens,
                     std::shared_ptr<X11Workspace> workspace, std::shared_ptr<Runtime> runtime);
    ~X11Accessibility() override;

    bool isProcessTrusted() const override;
    bool requestTrust() override { return isProcessTrusted(); }
    AXElement systemWide() const override { return AXElement(AXElement::kSystemWideId, 0); }
    AXElement application(qint32 pid) override { return AXElement(applicationId(pid), pid); }

    AXResult<AXValue> copyAttributeValue(const AXElement& element, const QString& attribute) override;
    AXError setAttributeValue(const AXElement& element, const QString& attribute,
                              const AXValue& value) override;
    AXResult<bool> isAttributeSettable(const AXElement& element, const QString& attribute) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    void whenSettled(const AXElement& element, std::function<void()> then) override;
    // "AXWindowCreated" when a new window of the application joins the client list.
    AXObserverRef addObserver(const AXElement& application, const QString& notification,
                              AXObserverCallback callback) override;

    // Element ids: the kind in the top byte, so applications and windows never collide.
    static quint64 applicationId(qint32 pid);
    static quint64 windowId(xcb_window_t window);

    // The longest a write waits for the window manager's answer.
    static constexpr double kSettleLimit = 1.0;

private:
    struct WindowInfo;
    struct Observers;
    struct Unanswered;
    struct Writes;

    AXError read(const AXElement& element, const QString& attribute, AXValue& out);
    AXError readApplication(qint32 pid, const QString& attribute, AXValue& out);
    AXError readWindow(xcb_window_t window, const QString& attribute, AXValue& out);
    AXError writeWindow(const AXElement& element, const QString& attribute, const AXValue& value);
    AXError settable(const AXElement& element, const QString& attribute, bool& out);
    AXError pressMenu(const AXElement& element, const QString& action);

    // The window's state as the connection keeps it; none when it is gone or no longer managed.
    std::optional<WindowInfo> fetch(xcb_window_t window);
    // The application's windows, front to back.
    QList<Client> windowsOf(qint32 pid);
    // The active window when it is the application's, else its frontmost window that is not
    // minimised; none when it has none.
    std::optional<Client> focusedWindowOf(qint32 pid);
    bool applicationExists(qint32 pid);
    AXElement windowElement(const Client& client) const;

    quint32 activate(xcb_window_t window);
    quint32 changeState(xcb_window_t window, bool add, xcb_atom_t first, xcb_atom_t second = XCB_ATOM_NONE);
    // Asks for a new client position and/or size; the request's sequence.
    quint32 moveResize(xcb_window_t window, const WindowInfo& info, std::optional<QPoint> position,
                       std::optional<QSize> size);
    // Moves and/or resizes the outer frame and waits for the answer.
    AXError commit(xcb_window_t window, std::optional<QPointF> position, std::optional<QSize> size,
                   double limit);
    // Sends a size held back for a position that did not follow.
    void flushPendingSize();
    // Leaves the maximised state (the window manager would otherwise keep or restore its frame);
    // the window's state afterwards.
    std::optional<WindowInfo> unmaximise(xcb_window_t window, const WindowInfo& info, double limit);
    bool onMainThread() const;
    // Notes a request the window manager is to answer.
    void expect(xcb_window_t window, Unanswered unanswered);
    // Whether the window shows the answer (or the window is gone, or the wait is over).
    bool isAnswered(xcb_window_t window, const Unanswered& unanswered);
    // Whether the window manager configured the window after the request `sent`: a synthetic
    // ConfigureNotify, or real ones of the client and of its frame.
    bool configuredSince(xcb_window_t window, const WindowInfo& info, quint32 sent);
    // Waits, by the window's events, until its requests are answered.
    void awaitAnswer(xcb_window_t window);
    // Done with the request of that generation (unless someone else was): sends a size written
    // again, then runs what waited for the answer, here or (`runHere` false) as main-thread work.
    void finish(xcb_window_t window, quint64 generation, bool runHere);
    // When the window manager kept the client of a move elsewhere (`u` is the move's request,
    // answered): asks for what is left of the asked client rectangle there, so the visible frame
    // stays inside the frame asked for; what waited for the move then waits for that answer.
    // Whether it asked.
    bool keepWithin(xcb_window_t window, Unanswered& u);
    // Tells the window manager again of the shadows a client without its decorations draws, before
    // that client is moved. Some window managers (marco) learn of shadows only when they change, and
    // GTK 4 sets them before its window is mapped: those took a GTK 4 window's shadows for part of
    // what people see, kept them on the screen and so kept its visible frame out of its cell.
    void announceShadows(xcb_window_t window, const WindowInfo& info);
    // The monitors' work areas in root coordinates.
    QList<QRect> workAreas() const;
    // Main thread, after each turn that took events in and at deadlines.
    void advance();
    void scheduleDeadline();
    double settleLimit(const AXElement& element) const;

    void clientListChanged();

    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<X11Screens> m_screens;
    std::shared_ptr<X11Workspace> m_workspace;
    std::shared_ptr<Runtime> m_runtime;
    std::shared_ptr<Observers> m_observers;
    std::shared_ptr<Writes> m_writes;
    // Receives the connection's signals on the main thread.
    QObject m_context;
    // The earliest deadline of an unanswered request (main thread).
    QTimer m_deadline;
};

} // namespace platform::x11
