#include "X11Accessibility.h"

#include "X11MenuBar.h"

#include "X11Screens.h"
#include "X11Workspace.h"
#include "platform/Runtime.h"

#include <QAbstractEventDispatcher>
#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <iterator>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace platform::x11 {

namespace {

enum class Kind : quint8 { SystemWide = 0, App = 2, Window = 3, Menu = X11MenuBar::kKind, Unknown = 0xff };

Kind kindOf(quint64 id) {
    if (id == AXElement::kSystemWideId)
        return Kind::SystemWide;
    switch (id >> 56) {
    case quint64(Kind::App):
        return Kind::App;
    case quint64(Kind::Window):
        return Kind::Window;
    case quint64(Kind::Menu):
        return Kind::Menu;
    default:
        return Kind::Unknown;
    }
}

// ICCCM IconicState, and EWMH's north-west gravity and "pager" source of requests made for the user.
constexpr quint32 kIconicState = 3;
constexpr quint32 kNorthWestGravity = 1;
constexpr quint32 kSourcePager = 2;

QString subroleOf(WindowKind kind) {
    switch (kind) {
    case WindowKind::Normal:
        return AXRole::StandardWindow;
    case WindowKind::Dialog:
        return AXRole::Dialog;
    case WindowKind::Floating:
        return AXRole::FloatingWindow;
    default:
        return AXRole::Unknown;
    }
}

} // namespace

struct X11Accessibility::WindowInfo : WindowState {
    WindowKind kind = WindowKind::Normal;
    qint32 pid = 0;
};

struct X11Accessibility::Observers {
    struct Entry {
        quint64 token;
        qint32 pid;
        AXObserverCallback callback;
    };
    std::mutex mutex;
    std::vector<Entry> entries;
    quint64 nextToken = 1;
    QSet<quint32> knownWindows; // main thread only
};

// A request to the window manager about one window that it has not answered yet.
struct X11Accessibility::Unanswered {
    quint64 generation = 0;
    quint32 sent = 0; // the request's sequence
    // A synthetic ConfigureNotify after the request answers it: the window manager keeps the
    // window as it is (ICCCM 4.1.5). So do real ones of the client and of its frame after the
    // request: the window manager carried it out, though perhaps not as asked.
    bool configureAnswers = false;
    // The client rectangle a move asked for; the window manager may keep the client elsewhere.
    std::optional<QRect> askedClient;
    // Whether the window shows the result.
    std::function<bool(const WindowInfo&)> done;
    std::chrono::steady_clock::time_point deadline;
    double limit = 0;
    // The outer size asked for, and the same size written again meanwhile: sent once the request
    // is answered, should the window manager have given another.
    std::optional<QSize> size;
    std::optional<QSize> sizeAgain;
    std::vector<std::function<void()>> then;
};

// A size held back for the position that usually follows, and the requests not answered yet.
struct X11Accessibility::Writes {
    struct PendingSize {
        xcb_window_t window;
        QSize size;
        double limit;
        Qt::HANDLE thread; // whose sequence of writes it belongs to
    };
    std::mutex mutex;
    std::optional<PendingSize> pendingSize;
    // A held-back size that went out before its thread's position came (another thread's write or
    // the main thread's fallback sent it): that position still goes with it, by thread.
    QHash<Qt::HANDLE, PendingSize> sentEarly;
    QHash<xcb_window_t, Unanswered> unanswered;
    quint64 generations = 0;
};

namespace {

// Keeps one observer registered until dropped.
class X11Observer : public AXObserver {
public:
    explicit X11Observer(std::function<void()> remove) : m_remove(std::move(remove)) {}
    ~X11Observer() override { m_remove(); }

private:
    std::function<void()> m_remove;
};

std::chrono::steady_clock::time_point deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                  std::chrono::duration<double>(seconds));
}

const QStringList kWindowAttributes{AXAttribute::Role,       AXAttribute::Subrole, AXAttribute::Title,
                                    AXAttribute::Position,   AXAttribute::Size,    AXAttribute::Minimized,
                                    AXAttribute::FullScreen, AXAttribute::Main,    AXAttribute::Focused};
const QStringList kApplicationAttributes{
    AXAttribute::Role,       AXAttribute::Title,     AXAttribute::Windows, AXAttribute::FocusedWindow,
    AXAttribute::MainWindow, AXAttribute::Frontmost, AXAttribute::Hidden,  AXAttribute::MenuBar};

} // namespace

X11Accessibility::X11Accessibility(std::shared_ptr<X11Connection> connection,
                                   std::shared_ptr<X11Screens> screens,
                                   std::shared_ptr<X11Workspace> workspace, std::shared_ptr<Runtime> runtime)
    : m_x(std::move(connection)), m_screens(std::move(screens)), m_workspace(std::move(workspace)),
      m_runtime(std::move(runtime)), m_observers(std::make_shared<Observers>()),
      m_writes(std::make_shared<Writes>()) {
    // Answers arrive as events, taken in on the main thread's turns.
    QObject::connect(m_x.get(), &X11Connection::eventsTaken, &m_context, [this] { advance(); });
    m_deadline.setSingleShot(true);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_context, [this] { advance(); });
    // A size held back with nothing after it goes out before the main thread sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(m_context.thread()))
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &m_context,
                         [this] { flushPendingSize(); });
    for (const auto& c : m_x->clients().clients)
        m_observers->knownWindows.insert(c.window);
    QObject::connect(m_x.get(), &X11Connection::rootPropertiesChanged, &m_context,
                     [this](const QList<quint32>& atoms) {
                         if (atoms.contains(m_x->ewmh()->_NET_CLIENT_LIST))
                             clientListChanged();
                     });
}

X11Accessibility::~X11Accessibility() = default;

quint64 X11Accessibility::applicationId(qint32 pid) {
    return (quint64(Kind::App) << 56) | quint32(pid);
}

quint64 X11Accessibility::windowId(xcb_window_t window) {
    return (quint64(Kind::Window) << 56) | window;
}

bool X11Accessibility::isProcessTrusted() const {
    return m_x->hasEwmhWindowManager();
}

// --- Reading ---

AXResult<AXValue> X11Accessibility::copyAttributeValue(const AXElement& element, const QString& attribute) {
    flushPendingSize();
    AXResult<AXValue> r;
    r.error = read(element, attribute, r.value);
    if (!r.ok())
        r.value = std::monostate{};
    return r;
}

AXError X11Accessibility::read(const AXElement& element, const QString& a, AXValue& out) {
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    switch (kindOf(element.id())) {
    case Kind::SystemWide: {
        if (a == AXAttribute::Role) {
            out = AXRole::SystemWide;
            return AXError::Success;
        }
        if (a != AXAttribute::FocusedApplication)
            return AXError::AttributeUnsupported;
        // The active window's own process, whatever else runs.
        const auto active = m_x->client(m_x->activeWindow());
        const qint32 pid = active ? m_workspace->applicationPid(*active) : 0;
        if (pid <= 0)
            return AXError::NoValue;
        out = application(pid);
        return AXError::Success;
    }
    case Kind::App:
        return readApplication(element.pid(), a, out);
    case Kind::Window:
        return readWindow(xcb_window_t(element.id()), a, out);
    case Kind::Menu: {
        if (!applicationExists(element.pid()))
            return AXError::InvalidUIElement;
        const auto app = m_workspace->runningApplication(element.pid());
        const auto entry = m_workspace->entryOf(element.pid());
        return X11MenuBar::read(element, app ? app->localizedName : QString(), entry && entry->newWindow, a,
                                out);
    }
    default:
        return AXError::InvalidUIElement;
    }
}

AXError X11Accessibility::readApplication(qint32 pid, const QString& a, AXValue& out) {
    if (!kApplicationAttributes.contains(a))
        return AXError::AttributeUnsupported;
    if (!applicationExists(pid))
        return AXError::InvalidUIElement;
    if (a == AXAttribute::Role) {
        out = AXRole::Application;
    } else if (a == AXAttribute::Title) {
        const auto app = m_workspace->runningApplication(pid);
        out = app ? app->localizedName : QString();
    } else if (a == AXAttribute::Windows) {
        AXElementList windows;
        for (const auto& c : windowsOf(pid))
            windows.append(windowElement(c));
        out = windows;
    } else if (a == AXAttribute::FocusedWindow || a == AXAttribute::MainWindow) {
        const auto focused = focusedWindowOf(pid);
        if (!focused)
            return AXError::NoValue;
        out = windowElement(*focused);
    } else if (a == AXAttribute::Frontmost) {
        const auto active = m_x->client(m_x->activeWindow());
        out = active && m_workspace->applicationPid(*active) == pid;
    } else if (a == AXAttribute::MenuBar) {
        out = X11MenuBar::element(pid, X11MenuBar::Node::Bar);
    } else {
        // X has no hidden applications, only minimised windows.
        out = false;
    }
    return AXError::Success;
}

AXError X11Accessibility::readWindow(xcb_window_t window, const QString& a, AXValue& out) {
    if (!kWindowAttributes.contains(a))
        return AXError::AttributeUnsupported;
    // A read straight after a write sees its result.
    awaitAnswer(window);
    const auto info = fetch(window);
    if (!info)
        return AXError::InvalidUIElement;
    const auto* e = m_x->ewmh();
    if (a == AXAttribute::Role) {
        out = AXRole::Window;
    } else if (a == AXAttribute::Subrole) {
        out = subroleOf(info->kind);
    } else if (a == AXAttribute::Title) {
        out = m_x->windowTitle(window).value_or(QString());
    } else if (a == AXAttribute::Position) {
        out = topLeftPoint(info->outer().topLeft(), m_screens->primaryOrigin());
    } else if (a == AXAttribute::Size) {
        out = QSizeF(info->outer().size());
    } else if (a == AXAttribute::Minimized) {
        out = info->has(e->_NET_WM_STATE_HIDDEN);
    } else if (a == AXAttribute::FullScreen) {
        out = info->has(e->_NET_WM_STATE_FULLSCREEN);
    } else if (a == AXAttribute::Main) {
        const auto focused = focusedWindowOf(info->pid);
        out = focused && focused->window == window;
    } else {
        out = m_x->activeWindow() == window;
    }
    return AXError::Success;
}

std::optional<X11Accessibility::WindowInfo> X11Accessibility::fetch(xcb_window_t window) {
    const auto client = m_x->client(window);
    if (!client)
        return std::nullopt;
    const auto state = m_x->windowState(window);
    if (!state)
        return std::nullopt;
    WindowInfo info;
    static_cast<WindowState&>(info) = *state;
    info.kind = client->kind;
    info.pid = client->pid;
    return info;
}

QList<Client> X11Accessibility::windowsOf(qint32 pid) {
    QList<Client> windows = m_workspace->clientsOf(pid);
    windows.removeIf([](const Client& c) { return !c.isAppWindow() || !c.onCurrentDesktop; });
    return windows;
}

std::optional<Client> X11Accessibility::focusedWindowOf(qint32 pid) {
    // The usual answer, the active window, without listing the application's windows: a hotkey
    // asks this first.
    const xcb_window_t active = m_x->activeWindow();
    if (auto c = m_x->client(active);
        c && c->isAppWindow() && c->onCurrentDesktop && m_workspace->applicationPid(*c) == pid)
        return c;
    const QList<Client> windows = windowsOf(pid);
    for (const auto& c : windows)
        if (c.window == active)
            return c;
    for (const auto& c : windows)
        if (!c.hidden)
            return c;
    return std::nullopt;
}

bool X11Accessibility::applicationExists(qint32 pid) {
    if (pid <= 0)
        return false;
    static const qint32 ownPid = qint32(getpid());
    if (pid == ownPid || m_workspace->hasClients(pid))
        return true;
    // A process without windows is still an application one can ask about.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

AXElement X11Accessibility::windowElement(const Client& client) const {
    // A window's process is its application's, which may be another of the application's processes.
    return AXElement(windowId(client.window), m_workspace->applicationPid(client));
}

// --- Writing ---

QList<QRect> X11Accessibility::workAreas() const {
    const QList<ScreenInfo> screens = m_screens->screens();
    QList<QRect> areas;
    if (screens.isEmpty())
        return areas;
    const QRect primary(m_screens->primaryOrigin(), screens.first().frame.size().toSize());
    for (const auto& screen : screens)
        areas.append(rootRect(screen.visibleFrame, primary));
    return areas;
}

double X11Accessibility::settleLimit(const AXElement& element) const {
    return std::min(kSettleLimit, effectiveMessagingTimeout(element));
}

bool X11Accessibility::onMainThread() const {
    return QThread::currentThread() == m_context.thread();
}

void X11Accessibility::expect(xcb_window_t window, Unanswered unanswered) {
    unanswered.deadline = deadlineAfter(unanswered.limit);
    {
        std::lock_guard lock(m_writes->mutex);
        unanswered.generation = ++m_writes->generations;
        m_writes->unanswered.insert(window, std::move(unanswered));
    }
    if (onMainThread())
        scheduleDeadline();
    else
        m_runtime->async([weak = std::weak_ptr<Writes>(m_writes), this] {
            if (weak.lock())
                scheduleDeadline();
        });
}

bool X11Accessibility::isAnswered(xcb_window_t window, const Unanswered& u) {
    if (std::chrono::steady_clock::now() >= u.deadline)
        return true;
    const auto info = fetch(window);
    if (!info || u.done(*info))
        return true;
    return u.configureAnswers && configuredSince(window, *info, u.sent);
}

bool X11Accessibility::configuredSince(xcb_window_t window, const WindowInfo& info, quint32 sent) {
    const auto since = [sent](quint32 configured) {
        return configured && sequenceAtOrAfter(configured, sent);
    };
    return since(m_x->windowEvents(window).syntheticConfigure) ||
           (info.configured && since(*info.configured));
}

void X11Accessibility::awaitAnswer(xcb_window_t window) {
    for (;;) {
        std::optional<Unanswered> u;
        {
            std::lock_guard lock(m_writes->mutex);
            if (const auto it = m_writes->unanswered.constFind(window); it != m_writes->unanswered.cend())
                u = *it;
        }
        if (!u)
            return;
        if (isAnswered(window, *u) || !m_x->waitForEvents(u->deadline))
            finish(window, u->generation, false);
    }
}

void X11Accessibility::finish(xcb_window_t window, quint64 generation, bool runHere) {
    Unanswered u;
    {
        std::lock_guard lock(m_writes->mutex);
        const auto it = m_writes->unanswered.find(window);
        if (it == m_writes->unanswered.end() || it->generation != generation)
            return; // someone else finished it
        u = std::move(*it);
        m_writes->unanswered.erase(it);
    }
    if (keepWithin(window, u))
        return;
    if (u.sizeAgain)
        commit(window, std::nullopt, u.sizeAgain, u.limit);
    {
        // Sent again: what waits, waits for that answer too.
        std::lock_guard lock(m_writes->mutex);
        if (const auto it = m_writes->unanswered.find(window); it != m_writes->unanswered.end()) {
            std::move(u.then.begin(), u.then.end(), std::back_inserter(it->then));
            return;
        }
    }
    for (auto& then : u.then) {
        // Never inside a caller that waited for the answer: they run as work of their own.
        if (runHere)
            then();
        else
            m_runtime->async(std::move(then));
    }
}

void X11Accessibility::announceShadows(xcb_window_t window, const WindowInfo& info) {
    if (info.shadows == Extents{} || info.decorations != Extents{})
        return;
    // The client's own value, written again: only the change is news to the window manager.
    const Extents& s = info.shadows;
    const quint32 values[] = {quint32(s.left), quint32(s.right), quint32(s.top), quint32(s.bottom)};
    xcb_change_property(m_x->xcb(), XCB_PROP_MODE_REPLACE, window, m_x->atoms().gtkFrameExtents,
                        XCB_ATOM_CARDINAL, 32, 4, values);
}

bool X11Accessibility::keepWithin(xcb_window_t window, Unanswered& u) {
    if (!u.askedClient)
        return false;
    // Only an answer tells where the window manager keeps the client: a window manager that
    // let the request go by without one left the window where it was.
    const auto info = fetch(window);
    if (!info || u.done(*info) || !configuredSince(window, *info, u.sent))
        return false;
    const auto kept = keptWithin(*u.askedClient, info->client);
    if (!kept)
        return false;
    const QRect client(kept->topLeft(), acceptedSize(kept->size(), info->hints));
    if (client == info->client)
        return false;
    Unanswered again;
    const std::optional<QPoint> position =
        client.topLeft() == info->client.topLeft() ? std::nullopt : std::optional(client.topLeft());
    again.sent = moveResize(window, *info, position, client.size());
    again.configureAnswers = true;
    again.done = [client](const WindowInfo& i) { return i.client == client; };
    again.limit = u.limit;
    // What waited for the move waits for this answer.
    again.then = std::move(u.then);
    expect(window, std::move(again));
    return true;
}

void X11Accessibility::advance() {
    QList<std::pair<xcb_window_t, Unanswered>> waiting;
    {
        std::lock_guard lock(m_writes->mutex);
        for (auto it = m_writes->unanswered.cbegin(); it != m_writes->unanswered.cend(); ++it)
            waiting.append({it.key(), *it});
    }
    for (const auto& [window, u] : waiting)
        if (isAnswered(window, u))
            finish(window, u.generation, true);
    scheduleDeadline();
}

void X11Accessibility::scheduleDeadline() {
    std::optional<std::chrono::steady_clock::time_point> earliest;
    {
        std::lock_guard lock(m_writes->mutex);
        for (const auto& u : std::as_const(m_writes->unanswered))
            if (!earliest || u.deadline < *earliest)
                earliest = u.deadline;
    }
    if (!earliest) {
        m_deadline.stop();
        return;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*earliest - std::chrono::steady_clock::now());
    m_deadline.start(int(std::max<qint64>(0, left.count())));
}

void X11Accessibility::whenSettled(const AXElement& element, std::function<void()> then) {
    flushPendingSize();
    if (kindOf(element.id()) == Kind::Window) {
        std::lock_guard lock(m_writes->mutex);
        if (const auto it = m_writes->unanswered.find(xcb_window_t(element.id()));
            it != m_writes->unanswered.end()) {
            it->then.push_back(std::move(then));
            return;
        }
    }
    then();
}

quint32 X11Accessibility::activate(xcb_window_t window) {
    return m_x->sendToWindowManager(window, m_x->ewmh()->_NET_ACTIVE_WINDOW,
                                    {kSourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
}

quint32 X11Accessibility::changeState(xcb_window_t window, bool add, xcb_atom_t first, xcb_atom_t second) {
    return m_x->sendToWindowManager(window, m_x->ewmh()->_NET_WM_STATE,
                                    {add ? 1u : 0u, first, second, kSourcePager, 0});
}

quint32 X11Accessibility::moveResize(xcb_window_t window, const WindowInfo& info,
                                     std::optional<QPoint> position, std::optional<QSize> size) {
    const auto* e = m_x->ewmh();
    if (m_x->supports(e->_NET_MOVERESIZE_WINDOW)) {
        // North-west gravity: the position is that of the window manager's frame, the one
        // reference point window managers agree on.
        const QPoint frame =
            position ? *position - QPoint(info.decorations.left, info.decorations.top) : QPoint();
        quint32 flags = kNorthWestGravity | (kSourcePager << 12);
        if (position)
            flags |= (1u << 8) | (1u << 9);
        if (size)
            flags |= (1u << 10) | (1u << 11);
        return m_x->sendToWindowManager(window, e->_NET_MOVERESIZE_WINDOW,
                                        {flags, quint32(frame.x()), quint32(frame.y()),
                                         quint32(size ? size->width() : 0),
                                         quint32(size ? size->height() : 0)});
    }
    // Without the request, configure the client as the client itself would: the window manager
    // places its frame by the client's gravity.
    quint16 mask = 0;
    std::vector<quint32> values;
    if (position) {
        const QPoint request = configurePosition(*position, info.decorations, info.hints.gravity);
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(quint32(request.x()));
        values.push_back(quint32(request.y()));
    }
    if (size) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(quint32(size->width()));
        values.push_back(quint32(size->height()));
    }
    const auto cookie = xcb_configure_window(m_x->xcb(), window, mask, values.data());
    m_x->flush();
    return cookie.sequence;
}

std::optional<X11Accessibility::WindowInfo>
X11Accessibility::unmaximise(xcb_window_t window, const WindowInfo& info, double limit) {
    const auto* e = m_x->ewmh();
    auto maximised = [e](const WindowInfo& i) {
        return i.has(e->_NET_WM_STATE_MAXIMIZED_VERT) || i.has(e->_NET_WM_STATE_MAXIMIZED_HORZ);
    };
    if (!maximised(info))
        return info;
    Unanswered u;
    u.sent = changeState(window, false, e->_NET_WM_STATE_MAXIMIZED_VERT, e->_NET_WM_STATE_MAXIMIZED_HORZ);
    u.done = [maximised](const WindowInfo& i) { return !maximised(i); };
    u.limit = limit;
    expect(window, std::move(u));
    awaitAnswer(window);
    return fetch(window);
}

AXError X11Accessibility::commit(xcb_window_t window, std::optional<QPointF> position,
                                 std::optional<QSize> size, double limit) {
    // Requests about one window are answered one after the other.
    awaitAnswer(window);
    auto info = fetch(window);
    if (!info)
        return AXError::InvalidUIElement;
    info = unmaximise(window, *info, limit);
    if (!info)
        return AXError::InvalidUIElement;
    std::optional<QSize> clientSize;
    std::optional<QPoint> clientPosition;
    // The window keeps its top-left corner: a terminal that takes whole character cells only
    // stays at the layout's leading edge and falls short at the trailing one.
    if (size)
        clientSize = acceptedSize(*size - outerGrowth(info->decorations, info->shadows), info->hints);
    if (position) {
        // A window that falls short of the size asked for keeps to the work area's far edges.
        const QSize outerSize =
            clientSize ? *clientSize + outerGrowth(info->decorations, info->shadows) : info->outer().size();
        const QRect asked(rootPoint(*position, m_screens->primaryOrigin()), size.value_or(outerSize));
        const QRect outer(anchoredPosition(asked, outerSize, workAreas()), outerSize);
        clientPosition = clientFrame(outer, info->decorations, info->shadows).topLeft();
    }
    // What already is needs no request, and gets no answer to wait for.
    if (clientPosition == info->client.topLeft())
        clientPosition.reset();
    // A size asked for goes with a new position even where the window has it already: a window
    // manager given the position alone may pick a size of its own (fluxbox does).
    if (clientSize == info->client.size() && !clientPosition)
        clientSize.reset();
    if (!clientSize && !clientPosition)
        return AXError::Success;
    if (clientPosition)
        announceShadows(window, *info);
    Unanswered u;
    u.sent = moveResize(window, *info, clientPosition, clientSize);
    // A full-screen window's frame is the window manager's: some say nothing when they keep it.
    if (info->has(m_x->ewmh()->_NET_WM_STATE_FULLSCREEN))
        return AXError::Success;
    u.configureAnswers = true;
    u.done = [clientPosition, clientSize](const WindowInfo& i) {
        return (!clientPosition || i.client.topLeft() == *clientPosition) &&
               (!clientSize || i.client.size() == *clientSize);
    };
    u.limit = limit;
    u.size = size;
    if (clientPosition)
        u.askedClient = QRect(*clientPosition, clientSize.value_or(info->client.size()));
    expect(window, std::move(u));
    return AXError::Success;
}

void X11Accessibility::flushPendingSize() {
    std::optional<Writes::PendingSize> pending;
    {
        std::lock_guard lock(m_writes->mutex);
        pending.swap(m_writes->pendingSize);
        if (pending)
            m_writes->sentEarly.insert(pending->thread, *pending);
    }
    if (pending)
        commit(pending->window, std::nullopt, pending->size, pending->limit);
}

AXError X11Accessibility::setAttributeValue(const AXElement& element, const QString& a,
                                            const AXValue& value) {
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    // A held-back size goes out with this call when it is the position of the same window.
    if (kindOf(element.id()) != Kind::Window || a != AXAttribute::Position)
        flushPendingSize();
    switch (kindOf(element.id())) {
    case Kind::Window:
        return writeWindow(element, a, value);
    case Kind::App: {
        if (a != AXAttribute::Frontmost)
            return AXError::AttributeUnsupported;
        const bool* front = std::get_if<bool>(&value);
        if (!front)
            return AXError::IllegalArgument;
        if (!applicationExists(element.pid()))
            return AXError::InvalidUIElement;
        if (!*front)
            return AXError::Success;
        auto target = focusedWindowOf(element.pid());
        if (!target) {
            const auto windows = windowsOf(element.pid());
            if (windows.isEmpty())
                return AXError::CannotComplete;
            target = windows.first();
        }
        activate(target->window);
        return AXError::Success;
    }
    case Kind::SystemWide:
        return AXError::AttributeUnsupported;
    default:
        return AXError::InvalidUIElement;
    }
}

AXError X11Accessibility::writeWindow(const AXElement& element, const QString& a, const AXValue& value) {
    const xcb_window_t window = xcb_window_t(element.id());
    const auto* e = m_x->ewmh();
    const double limit = settleLimit(element);
    if (!kWindowAttributes.contains(a))
        return AXError::AttributeUnsupported;

    if (a == AXAttribute::Position) {
        std::optional<QSize> size;
        {
            std::lock_guard lock(m_writes->mutex);
            const Qt::HANDLE thread = QThread::currentThreadId();
            const auto it = m_writes->sentEarly.constFind(thread);
            const std::optional<Writes::PendingSize> early =
                it == m_writes->sentEarly.cend() ? std::nullopt : std::optional(*it);
            m_writes->sentEarly.remove(thread);
            if (m_writes->pendingSize && m_writes->pendingSize->window == window &&
                m_writes->pendingSize->thread == thread) {
                size = m_writes->pendingSize->size;
                m_writes->pendingSize.reset();
            } else if (early && early->window == window) {
                // Its size went out alone: a window manager given a position alone may pick a
                // size of its own (fluxbox does), and the position is placed for the size asked.
                size = early->size;
            }
        }
        flushPendingSize(); // another window's
        const auto* p = std::get_if<QPointF>(&value);
        if (!p || !std::isfinite(p->x()) || !std::isfinite(p->y()) || std::abs(p->x()) > 1e6 ||
            std::abs(p->y()) > 1e6) {
            if (size)
                commit(window, std::nullopt, size, limit);
            return AXError::IllegalArgument;
        }
        return commit(window, *p, size, limit);
    }
    if (a == AXAttribute::Size) {
        const auto* s = std::get_if<QSizeF>(&value);
        const auto pixels = s ? pixelSize(*s) : std::nullopt;
        if (!pixels)
            return AXError::IllegalArgument;
        {
            // The size of a request not answered yet, again: sent once it is answered, if the
            // window manager gave another.
            std::lock_guard lock(m_writes->mutex);
            if (const auto it = m_writes->unanswered.find(window);
                it != m_writes->unanswered.end() && it->size == *pixels) {
                it->sizeAgain = *pixels;
                return AXError::Success;
            }
        }
        if (!fetch(window))
            return AXError::InvalidUIElement;
        // Held back for the position that usually follows; sent by the next call otherwise, or
        // before the main thread next sleeps.
        {
            std::lock_guard lock(m_writes->mutex);
            const Qt::HANDLE thread = QThread::currentThreadId();
            m_writes->sentEarly.remove(thread);
            m_writes->pendingSize = Writes::PendingSize{window, *pixels, limit, thread};
        }
        if (!onMainThread())
            m_runtime->async([weak = std::weak_ptr<Writes>(m_writes), this] {
                if (weak.lock())
                    flushPendingSize();
            });
        return AXError::Success;
    }

    awaitAnswer(window);
    auto info = fetch(window);
    if (!info)
        return AXError::InvalidUIElement;
    const bool* flag = std::get_if<bool>(&value);
    if (!flag)
        return AXError::IllegalArgument;
    // The window's state changes; the write returns once the window shows it.
    const auto changeTo = [&](quint32 sent, xcb_atom_t atom) {
        Unanswered u;
        u.sent = sent;
        u.done = [atom, on = *flag](const WindowInfo& i) { return i.has(atom) == on; };
        u.limit = limit;
        expect(window, std::move(u));
        awaitAnswer(window);
        return AXError::Success;
    };
    if (a == AXAttribute::Minimized) {
        if (info->has(e->_NET_WM_STATE_HIDDEN) == *flag)
            return AXError::Success;
        return changeTo(
            *flag ? m_x->sendToWindowManager(window, m_x->atoms().wmChangeState, {kIconicState, 0, 0, 0, 0})
                  : activate(window),
            e->_NET_WM_STATE_HIDDEN);
    }
    if (a == AXAttribute::FullScreen) {
        if (info->has(e->_NET_WM_STATE_FULLSCREEN) == *flag)
            return AXError::Success;
        return changeTo(changeState(window, *flag, e->_NET_WM_STATE_FULLSCREEN), e->_NET_WM_STATE_FULLSCREEN);
    }
    if (a == AXAttribute::Main || a == AXAttribute::Focused) {
        if (*flag)
            return performAction(element, AXAction::Raise);
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

// --- Settable attributes and actions ---

AXResult<bool> X11Accessibility::isAttributeSettable(const AXElement& element, const QString& attribute) {
    flushPendingSize();
    AXResult<bool> r;
    r.error = settable(element, attribute, r.value);
    if (!r.ok())
        r.value = false;
    return r;
}

AXError X11Accessibility::settable(const AXElement& element, const QString& a, bool& out) {
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    out = false;
    switch (kindOf(element.id())) {
    case Kind::SystemWide:
        return a == AXAttribute::Role || a == AXAttribute::FocusedApplication ? AXError::Success
                                                                              : AXError::AttributeUnsupported;
    case Kind::App: {
        if (!kApplicationAttributes.contains(a))
            return AXError::AttributeUnsupported;
        if (!applicationExists(element.pid()))
            return AXError::InvalidUIElement;
        out = a == AXAttribute::Frontmost;
        return AXError::Success;
    }
    case Kind::Window: {
        if (!kWindowAttributes.contains(a))
            return AXError::AttributeUnsupported;
        awaitAnswer(xcb_window_t(element.id()));
        const auto info = fetch(xcb_window_t(element.id()));
        if (!info)
            return AXError::InvalidUIElement;
        if (a == AXAttribute::Size)
            out = !info->hints.isFixedSize();
        else
            out = a != AXAttribute::Role && a != AXAttribute::Subrole && a != AXAttribute::Title;
        return AXError::Success;
    }
    default:
        return AXError::InvalidUIElement;
    }
}

AXError X11Accessibility::performAction(const AXElement& element, const QString& action) {
    flushPendingSize();
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    if (kindOf(element.id()) == Kind::Menu)
        return pressMenu(element, action);
    if (kindOf(element.id()) != Kind::Window || action != AXAction::Raise)
        return AXError::ActionUnsupported;
    const xcb_window_t window = xcb_window_t(element.id());
    awaitAnswer(window);
    if (!m_x->client(window))
        return AXError::InvalidUIElement;
    // Activation raises, focuses and, when minimised, restores the window.
    activate(window);
    const auto deadline = deadlineAfter(settleLimit(element));
    while (m_x->activeWindow() != window && m_x->waitForEvents(deadline)) {
    }
    return AXError::Success;
}

AXError X11Accessibility::pressMenu(const AXElement& element, const QString& action) {
    if (!X11MenuBar::nodeOf(element) || !applicationExists(element.pid()))
        return AXError::InvalidUIElement;
    const auto entry = m_workspace->entryOf(element.pid());
    const bool opensWindows = entry && entry->newWindow;
    if (X11MenuBar::nodeOf(element) >= X11MenuBar::Node::FileItem && !opensWindows)
        return AXError::InvalidUIElement;
    if (action != AXAction::Press || X11MenuBar::nodeOf(element) != X11MenuBar::Node::NewWindow)
        return AXError::ActionUnsupported;
    return X11MenuBar::pressNewWindow(*entry);
}

// --- Observers ---

AXObserverRef X11Accessibility::addObserver(const AXElement& application, const QString& notification,
                                            AXObserverCallback callback) {
    if (!callback || notification != AXNotification::WindowCreated || kindOf(application.id()) != Kind::App ||
        application.pid() <= 0 || !m_x->isUsable())
        return nullptr;
    std::lock_guard lock(m_observers->mutex);
    const quint64 token = m_observers->nextToken++;
    m_observers->entries.push_back({token, application.pid(), std::move(callback)});
    std::weak_ptr<Observers> weak = m_observers;
    return std::make_shared<X11Observer>([weak, token] {
        if (auto observers = weak.lock()) {
            std::lock_guard lock(observers->mutex);
            std::erase_if(observers->entries, [token](const auto& entry) { return entry.token == token; });
        }
    });
}

void X11Accessibility::clientListChanged() {
    const ClientList list = m_x->clients();
    if (!list.ok)
        return;
    QSet<quint32> now;
    QList<Client> created;
    for (const auto& c : list.clients) {
        now.insert(c.window);
        if (!m_observers->knownWindows.contains(c.window) && c.isAppWindow())
            created.append(c);
    }
    m_observers->knownWindows = now;

    for (const auto& c : created) {
        std::vector<AXObserverCallback> callbacks;
        {
            std::lock_guard lock(m_observers->mutex);
            for (const auto& entry : m_observers->entries)
                if (entry.pid == c.pid || entry.pid == m_workspace->applicationPid(c))
                    callbacks.push_back(entry.callback);
        }
        // Outside the lock: a callback may add or drop observers.
        for (const auto& callback : callbacks)
            callback(windowElement(c), AXNotification::WindowCreated);
    }
}

} // namespace platform::x11
