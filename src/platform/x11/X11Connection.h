#pragma once

#include "X11Geometry.h"
#include "X11Property.h"
#include "X11WindowStates.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QString>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace platform::x11 {

// What a client window is for, from _NET_WM_WINDOW_TYPE.
enum class WindowKind { Normal, Dialog, Floating, Dock, Desktop, Other };

// One managed client window with what every service asks of it.
struct Client {
    xcb_window_t window = XCB_WINDOW_NONE;
    qint32 pid = 0; // 0: the client does not say
    QString instance;
    QString className;
    WindowKind kind = WindowKind::Normal;
    // On the current virtual desktop, or on all of them.
    bool onCurrentDesktop = true;
    // Minimised (_NET_WM_STATE_HIDDEN).
    bool hidden = false;

    // A window of the application in the sense of Accessibility (not a panel or the desktop).
    bool isAppWindow() const { return kind != WindowKind::Dock && kind != WindowKind::Desktop; }
};

// The window manager's list of clients.
struct ClientList {
    // Bottom to top in stacking order.
    QList<Client> clients;
    xcb_window_t active = XCB_WINDOW_NONE;
    bool ok = false; // false: the server did not answer
};

// What the connection has seen happen to one client window since it became a client.
struct WindowEvents {
    quint64 count = 0; // structure and property events
    // The request sequence the last synthetic ConfigureNotify followed (the window manager's
    // answer to a configure request, ICCCM 4.1.5); 0: none yet.
    quint32 syntheticConfigure = 0;
};

// The one connection of the X11 backend to the X server: atoms interned once, property reads
// pipelined, and what the services ask of the desktop kept from events.
//
// The client list, each client's process, class, kind, desktop, state and struts, the window
// manager's supported list and check window, the work area and the non-client docks are read
// once and then again only for what root and window property, structure and RandR events say
// changed, batched into one round trip when next asked for. So a question about the desktop costs
// no round trip while nothing changed.
//
// Every call may be made from any thread (xcb is thread-safe). The thread that opened the
// connection reads it once per turn of its event loop (when the socket has something, or after a
// reply was waited for), so answers include everything the server said up to the start of that
// turn; a thread that waits for events reads them itself. Events for the handlers and the signals
// are delivered on the thread that opened the connection, in the order they arrived.
class X11Connection : public QObject {
    Q_OBJECT
public:
    // Opens the display named by `displayName` (empty: $DISPLAY) on the calling thread, which must
    // run a Qt event loop. Null when no X server answers.
    static std::shared_ptr<X11Connection> open(const QByteArray& displayName = {});
    ~X11Connection() override;

    xcb_connection_t* xcb() const { return m_xcb; }
    xcb_ewmh_connection_t* ewmh() { return &m_ewmh; }
    int screenNumber() const { return m_screenNumber; }
    xcb_window_t root() const { return m_root; }
    bool isUsable() const { return xcb_connection_has_error(m_xcb) == 0; }
    bool hasRandr() const { return m_randrEventBase != 0; }

    // Atoms the EWMH helper does not intern.
    struct Atoms {
        xcb_atom_t wmState = XCB_ATOM_NONE;
        xcb_atom_t wmChangeState = XCB_ATOM_NONE;
        xcb_atom_t gtkFrameExtents = XCB_ATOM_NONE;
        xcb_atom_t edid = XCB_ATOM_NONE;
        xcb_atom_t xkbRulesNames = XCB_ATOM_NONE;
    };
    const Atoms& atoms() const { return m_atoms; }

    struct PropertyRead {
        xcb_window_t window;
        xcb_atom_t atom;
    };
    // Reads the properties together, in one round trip. None where the window is gone.
    std::vector<std::optional<Property>> properties(const std::vector<PropertyRead>& reads);
    std::optional<Property> property(xcb_window_t window, xcb_atom_t atom);
    // The managed clients with their process, class and kind.
    ClientList clients();
    // One client; none when the window is not one.
    std::optional<Client> client(xcb_window_t window);
    // The clients of one process, front to back.
    QList<Client> clientsOf(qint32 pid);
    xcb_window_t activeWindow();
    // Whether the window manager lists `atom` in _NET_SUPPORTED.
    bool supports(xcb_atom_t atom);
    // The struts of the docks, managed or not, and the work area of the current desktop.
    struct Panels {
        QList<Strut> struts;
        std::optional<QRect> workarea;
    };
    Panels panels();
    // Changes whenever what clients() gives may have changed.
    quint64 clientsGeneration();
    // Changes whenever what panels() or the monitors give may have changed.
    quint64 panelsGeneration();
    quint64 monitorsGeneration();
    // How often the root window's property `atom` has changed, as far as the events the server
    // has sent tell (the socket is read first, without waiting): a value read at one count still
    // holds while the count stays.
    quint64 rootPropertyChanges(xcb_atom_t atom);
    // The same without reading the socket: the changes of the events taken in so far, for a
    // handler that must not read ahead of the event it handles.
    quint64 rootPropertyChangesTaken(xcb_atom_t atom);
    // Events of a client window (none for other windows).
    WindowEvents windowEvents(xcb_window_t window);
    // A client window's geometry, extents, state and hints, and its title: kept from its events,
    // read (in one round trip per frame not known yet) only when an event said it changed and the
    // main thread's turns have not read it again yet. None when the window is no client or gone.
    std::optional<WindowState> windowState(xcb_window_t window);
    std::optional<QString> windowTitle(xcb_window_t window);
    // Blocks until events arrive (or other threads took replies) or the deadline passes, and takes
    // them in; false when it passed. Callers look again.
    bool waitForEvents(std::chrono::steady_clock::time_point deadline);
    // The process of each window's client: `declared` (its _NET_WM_PID; 0 when it has none) when
    // set, else what the X server knows of a local client (X-Resource); 0 when neither says. The
    // windows that need the server are asked in one round trip.
    std::vector<qint32> pidsOf(const std::vector<xcb_window_t>& windows, const std::vector<qint32>& declared);
    qint32 pidOf(xcb_window_t window, qint32 declared) { return pidsOf({window}, {declared}).front(); }
    // Reads _NET_WM_PID itself.
    qint32 pidOf(xcb_window_t window);
    // The size of the root window; empty when the server does not answer.
    QSize rootSize();
    // Whether an EWMH window manager runs (_NET_SUPPORTING_WM_CHECK names a live check window
    // that names itself).
    bool hasEwmhWindowManager();
    // The kind of a window from its _NET_WM_WINDOW_TYPE atoms (in order of preference) and whether
    // it is transient for another window.
    WindowKind kindOf(const QList<quint32>& typeAtoms, bool transient) const;

    // Sends a client message to the root window for the window manager; the request's sequence.
    quint32 sendToWindowManager(xcb_window_t window, xcb_atom_t type, const std::array<quint32, 5>& data);
    void flush();
    // Waits until the server has answered every request sent so far, for a batch whose answers
    // are read next and are in no hurry. A local X server writes each answer the moment it has
    // it, and a thread waiting on the socket would be woken for every one of them; this one
    // sleeps in growing slices instead, looking in between, and wakes about once. Past the last
    // slice the answers are left to be waited for as usual.
    void awaitAnswersInOneGo();

    // Events the connection does not handle itself (keys, XKB, XInput) go to the handlers, in the
    // order they arrive, on the thread that opened the connection. Dropping the returned token
    // removes the handler.
    using EventHandler = std::function<void(const xcb_generic_event_t*)>;
    [[nodiscard]] std::shared_ptr<void> addEventHandler(EventHandler handler);

    // Runs `task` once the batch of events being handed to the handlers has been handed out whole
    // (at once outside a batch): a handler's urgent follow-up comes before the event loop's next
    // turn without overtaking the batch's other events.
    void afterEvents(std::function<void()> task);

    // After waiting for replies: lets the events queued meanwhile be read.
    void repliesTaken();

signals:
    // Properties of the root window changed (_NET_CLIENT_LIST, _NET_ACTIVE_WINDOW, _NET_WORKAREA …);
    // each atom once per batch of events.
    void rootPropertiesChanged(const QList<quint32>& atoms);
    // RandR: monitors, outputs or the screen size changed.
    void monitorsChanged();
    // A dock's struts, the docks or the work area may have changed.
    void panelsChanged();
    // A turn took events or answers in: what is kept of the windows may have changed.
    void eventsTaken();

private:
    struct Cached;
    X11Connection(xcb_connection_t* xcb, int screenNumber);
    bool initialise();
    // On the thread that opened the connection, once per turn of its event loop with something to
    // do: takes the events in (reading the socket once when `readSocket`) and the answers that came,
    // asks again for what events made stale, and hands the events to the handlers.
    void readEvents(bool readSocket);
    // Has readEvents run on the next turn.
    void postRead();
    // Takes the events in, for a thread that waits.
    void drain(bool readSocket);
    // Under m_mutex.
    bool pumpLocked(bool readSocket);
    void applyLocked(const xcb_generic_event_t* event);
    // Sends the reads of the client windows' states; whether there were any.
    bool sendReadsLocked(const std::vector<X11WindowStates::Read>& reads);
    // Hands the answers that came to the states, in order; with `wait`, all of them. Whether any
    // came.
    bool takeReadsLocked(bool wait);
    // `answer()` once the window's state is read as far as `titles` says.
    template <typename Answer>
    auto readWindowLocked(xcb_window_t window, bool titles, Answer answer) -> decltype(answer());
    void refreshLocked();
    void readRootLocked(const QSet<xcb_atom_t>& atoms);
    void readWindowsLocked();
    void readDocksLocked();
    Client clientLocked(xcb_window_t window) const;
    void indexLocked();
    QSize rootSizeLocked();

    xcb_connection_t* m_xcb;
    int m_screenNumber;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_ewmh_connection_t m_ewmh{};
    bool m_ewmhReady = false;
    Atoms m_atoms;
    quint8 m_randrEventBase = 0;
    bool m_hasClientIds = false; // X-Resource 1.2
    // Pids the server gave for windows without _NET_WM_PID; kept while the window is a client.
    std::mutex m_serverPidsMutex;
    QHash<xcb_window_t, qint32> m_serverPids;
    QSocketNotifier* m_notifier = nullptr;
    std::atomic<bool> m_readPosted{false};
    std::vector<std::weak_ptr<EventHandler>> m_handlers;
    int m_handingOut = 0; // batches being handed out, nested ones included
    std::vector<std::function<void()>> m_afterEvents;
    // What is kept of the desktop and the events waiting for the main thread.
    std::mutex m_mutex;
    std::unique_ptr<Cached> m_cached;
    int m_wakeFd = -1; // an eventfd that ends waitForEvents
    std::atomic<int> m_waiters{0};
    quint64 m_announcedPanels = 1;
};

} // namespace platform::x11
