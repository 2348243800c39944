#include "X11Accessibility.h"

#include "X11Screens.h"
#include "X11Workspace.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform::x11 {

namespace {

enum class Kind : quint8 { SystemWide = 0, App = 2, Window = 3, Unknown = 0xff };

Kind kindOf(quint64 id) {
    if (id == AXElement::kSystemWideId)
        return Kind::SystemWide;
    switch (id >> 56) {
    case quint64(Kind::App):
        return Kind::App;
    case quint64(Kind::Window):
        return Kind::Window;
    default:
        return Kind::Unknown;
    }
}

const QString kRole = QStringLiteral("AXRole");
const QString kSubrole = QStringLiteral("AXSubrole");
const QString kTitle = QStringLiteral("AXTitle");
const QString kFocusedApplication = QStringLiteral("AXFocusedApplication");
const QString kWindows = QStringLiteral("AXWindows");
const QString kFocusedWindow = QStringLiteral("AXFocusedWindow");
const QString kMainWindow = QStringLiteral("AXMainWindow");
const QString kFrontmost = QStringLiteral("AXFrontmost");
const QString kHidden = QStringLiteral("AXHidden");
const QString kPosition = QStringLiteral("AXPosition");
const QString kSize = QStringLiteral("AXSize");
const QString kMinimized = QStringLiteral("AXMinimized");
const QString kFullScreen = QStringLiteral("AXFullScreen");
const QString kMain = QStringLiteral("AXMain");
const QString kFocused = QStringLiteral("AXFocused");
const QString kRaise = QStringLiteral("AXRaise");
const QString kWindowCreated = QStringLiteral("AXWindowCreated");

// ICCCM IconicState, and EWMH's north-west gravity and "pager" source of requests made for the user.
constexpr quint32 kIconicState = 3;
constexpr quint32 kNorthWestGravity = 1;
constexpr quint32 kSourcePager = 2;

QString subroleOf(WindowKind kind) {
    switch (kind) {
    case WindowKind::Normal:
        return QStringLiteral("AXStandardWindow");
    case WindowKind::Dialog:
        return QStringLiteral("AXDialog");
    case WindowKind::Floating:
        return QStringLiteral("AXFloatingWindow");
    default:
        return QStringLiteral("AXUnknown");
    }
}

} // namespace

struct X11Accessibility::WindowInfo {
    QRect client; // root coordinates
    Extents decorations;
    Extents shadows;
    QList<quint32> state;
    SizeHints hints;
    QString title;
    WindowKind kind = WindowKind::Normal;
    qint32 pid = 0;

    QRect outer() const { return outerFrame(client, decorations, shadows); }
    bool has(xcb_atom_t atom) const { return state.contains(atom); }
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

namespace {

// Keeps one observer registered until dropped.
class X11Observer : public AXObserver {
public:
    explicit X11Observer(std::function<void()> remove) : m_remove(std::move(remove)) {}
    ~X11Observer() override { m_remove(); }

private:
    std::function<void()> m_remove;
};

// Polls until `done` returns true or `limit` seconds passed. Window managers carry out requests
// asynchronously; each poll is a round trip, and a short pause between them lets them work.
template <typename Done> void waitUntil(double limit, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace

X11Accessibility::X11Accessibility(std::shared_ptr<X11Connection> connection,
                                   std::shared_ptr<X11Screens> screens,
                                   std::shared_ptr<X11Workspace> workspace)
    : m_x(std::move(connection)), m_screens(std::move(screens)), m_workspace(std::move(workspace)),
      m_observers(std::make_shared<Observers>()) {
    if (const auto list = m_x->property(m_x->root(), m_x->ewmh()->_NET_CLIENT_LIST))
        for (quint32 w : list->values())
            m_observers->knownWindows.insert(w);
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
        if (a == kRole) {
            out = QStringLiteral("AXSystemWide");
            return AXError::Success;
        }
        if (a != kFocusedApplication)
            return AXError::AttributeUnsupported;
        const ClientList list = m_x->clients();
        for (const auto& c : list.clients)
            if (c.window == list.active && c.pid > 0) {
                out = application(c.pid);
                return AXError::Success;
            }
        return AXError::NoValue;
    }
    case Kind::App:
        return readApplication(element.pid(), a, out);
    case Kind::Window:
        return readWindow(xcb_window_t(element.id()), a, out);
    default:
        return AXError::InvalidUIElement;
    }
}

AXError X11Accessibility::readApplication(qint32 pid, const QString& a, AXValue& out) {
    const ClientList list = m_x->clients();
    if (!list.ok)
        return AXError::CannotComplete;
    if (!applicationExists(pid, list))
        return AXError::InvalidUIElement;
    if (a == kRole) {
        out = QStringLiteral("AXApplication");
    } else if (a == kTitle) {
        const auto app = m_workspace->runningApplication(pid);
        out = app ? app->localizedName : QString();
    } else if (a == kWindows) {
        AXElementList windows;
        for (const auto& c : windowsOf(pid, list))
            windows.append(windowElement(c));
        out = windows;
    } else if (a == kFocusedWindow || a == kMainWindow) {
        const auto focused = focusedWindowOf(pid, list);
        if (!focused)
            return AXError::NoValue;
        out = windowElement(*focused);
    } else if (a == kFrontmost) {
        bool front = false;
        for (const auto& c : list.clients)
            front = front || (c.window == list.active && c.pid == pid);
        out = front;
    } else if (a == kHidden) {
        // X has no hidden applications, only minimised windows.
        out = false;
    } else {
        return AXError::AttributeUnsupported;
    }
    return AXError::Success;
}

AXError X11Accessibility::readWindow(xcb_window_t window, const QString& a, AXValue& out) {
    const auto info = fetch(window);
    if (!info)
        return AXError::InvalidUIElement;
    const auto* e = m_x->ewmh();
    if (a == kRole) {
        out = QStringLiteral("AXWindow");
    } else if (a == kSubrole) {
        out = subroleOf(info->kind);
    } else if (a == kTitle) {
        out = info->title;
    } else if (a == kPosition) {
        out = topLeftPoint(info->outer().topLeft(), m_screens->primaryOrigin());
    } else if (a == kSize) {
        out = QSizeF(info->outer().size());
    } else if (a == kMinimized) {
        out = info->has(e->_NET_WM_STATE_HIDDEN);
    } else if (a == kFullScreen) {
        out = info->has(e->_NET_WM_STATE_FULLSCREEN);
    } else if (a == kMain) {
        const auto focused = focusedWindowOf(info->pid, m_x->clients());
        out = focused && focused->window == window;
    } else if (a == kFocused) {
        const auto active = m_x->property(m_x->root(), e->_NET_ACTIVE_WINDOW);
        out = active && active->value() == window;
    } else {
        return AXError::AttributeUnsupported;
    }
    return AXError::Success;
}

std::optional<X11Accessibility::WindowInfo> X11Accessibility::fetch(xcb_window_t window) {
    xcb_connection_t* c = m_x->xcb();
    const auto* e = m_x->ewmh();
    // Everything in one round trip: geometry requests go out first, the properties join them.
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto originCookie = xcb_translate_coordinates(c, window, m_x->root(), 0, 0);
    const auto props = m_x->properties({{m_x->root(), e->_NET_CLIENT_LIST},
                                        {window, e->_NET_FRAME_EXTENTS},
                                        {window, m_x->atoms().gtkFrameExtents},
                                        {window, e->_NET_WM_STATE},
                                        {window, XCB_ATOM_WM_NORMAL_HINTS},
                                        {window, e->_NET_WM_NAME},
                                        {window, XCB_ATOM_WM_NAME},
                                        {window, e->_NET_WM_WINDOW_TYPE},
                                        {window, XCB_ATOM_WM_TRANSIENT_FOR},
                                        {window, e->_NET_WM_PID}});
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, &error));
    std::free(error);
    error = nullptr;
    XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, originCookie, &error));
    std::free(error);
    m_x->repliesTaken();

    if (!geometry || !origin || !props[0] || !props[0]->values().contains(window))
        return std::nullopt;
    auto values = [&](size_t i) { return props[i] ? props[i]->values() : QList<quint32>{}; };
    WindowInfo info;
    info.client = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    info.decorations = Extents::fromCardinals(values(1));
    info.shadows = Extents::fromCardinals(values(2));
    info.state = values(3);
    info.hints = SizeHints::fromCardinals(values(4));
    info.title = props[5] ? props[5]->text() : QString();
    if (info.title.isEmpty() && props[6])
        info.title = props[6]->text();
    const bool transient = props[8] && props[8]->value().value_or(XCB_WINDOW_NONE) != XCB_WINDOW_NONE;
    info.kind = m_x->kindOf(values(7), transient);
    info.pid = m_x->pidOf(window, qint32(props[9] ? props[9]->value().value_or(0) : 0));
    return info;
}

QList<Client> X11Accessibility::windowsOf(qint32 pid, const ClientList& list) {
    QList<Client> windows;
    for (auto it = list.clients.crbegin(); it != list.clients.crend(); ++it)
        if (it->pid == pid && it->isAppWindow() && it->onCurrentDesktop)
            windows.append(*it);
    return windows;
}

std::optional<Client> X11Accessibility::focusedWindowOf(qint32 pid, const ClientList& list) {
    const QList<Client> windows = windowsOf(pid, list);
    for (const auto& c : windows)
        if (c.window == list.active)
            return c;
    std::vector<X11Connection::PropertyRead> reads;
    for (const auto& c : windows)
        reads.push_back({c.window, m_x->ewmh()->_NET_WM_STATE});
    const auto states = m_x->properties(reads);
    for (qsizetype i = 0; i < windows.size(); ++i)
        if (states[size_t(i)] && !states[size_t(i)]->values().contains(m_x->ewmh()->_NET_WM_STATE_HIDDEN))
            return windows[i];
    return std::nullopt;
}

bool X11Accessibility::applicationExists(qint32 pid, const ClientList& list) const {
    if (pid <= 0)
        return false;
    if (pid == qint32(getpid()))
        return true;
    for (const auto& c : list.clients)
        if (c.pid == pid)
            return true;
    // A process without windows is still an application one can ask about.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

AXElement X11Accessibility::windowElement(const Client& client) const {
    return AXElement(windowId(client.window), client.pid);
}

// --- Writing ---

double X11Accessibility::settleLimit(const AXElement& element) const {
    return std::min(kSettleLimit, effectiveMessagingTimeout(element));
}

template <typename Done>
std::optional<X11Accessibility::WindowInfo> X11Accessibility::settle(xcb_window_t window, double limit,
                                                                     Done done) {
    std::optional<WindowInfo> last;
    waitUntil(limit, [&] {
        last = fetch(window);
        return !last || done(*last);
    });
    return last;
}

void X11Accessibility::activate(xcb_window_t window) {
    m_x->sendToWindowManager(window, m_x->ewmh()->_NET_ACTIVE_WINDOW,
                             {kSourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
}

void X11Accessibility::changeState(xcb_window_t window, bool add, xcb_atom_t first, xcb_atom_t second) {
    m_x->sendToWindowManager(window, m_x->ewmh()->_NET_WM_STATE,
                             {add ? 1u : 0u, first, second, kSourcePager, 0});
}

void X11Accessibility::moveResize(xcb_window_t window, const WindowInfo& info, std::optional<QPoint> position,
                                  std::optional<QSize> size) {
    const auto* e = m_x->ewmh();
    const auto supported = m_x->property(m_x->root(), e->_NET_SUPPORTED);
    if (supported && supported->values().contains(e->_NET_MOVERESIZE_WINDOW)) {
        // North-west gravity: the position is that of the window manager's frame, the one
        // reference point window managers agree on.
        const QPoint frame =
            position ? *position - QPoint(info.decorations.left, info.decorations.top) : QPoint();
        quint32 flags = kNorthWestGravity | (kSourcePager << 12);
        if (position)
            flags |= (1u << 8) | (1u << 9);
        if (size)
            flags |= (1u << 10) | (1u << 11);
        m_x->sendToWindowManager(window, e->_NET_MOVERESIZE_WINDOW,
                                 {flags, quint32(frame.x()), quint32(frame.y()),
                                  quint32(size ? size->width() : 0), quint32(size ? size->height() : 0)});
        return;
    }
    // Without the request, configure the client; a window manager sees it as the client's own.
    quint16 mask = 0;
    std::vector<quint32> values;
    if (position) {
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(quint32(position->x()));
        values.push_back(quint32(position->y()));
    }
    if (size) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(quint32(size->width()));
        values.push_back(quint32(size->height()));
    }
    xcb_configure_window(m_x->xcb(), window, mask, values.data());
    m_x->flush();
}

std::optional<X11Accessibility::WindowInfo>
X11Accessibility::unmaximise(xcb_window_t window, const WindowInfo& info, double limit) {
    const auto* e = m_x->ewmh();
    auto maximised = [e](const WindowInfo& i) {
        return i.has(e->_NET_WM_STATE_MAXIMIZED_VERT) || i.has(e->_NET_WM_STATE_MAXIMIZED_HORZ);
    };
    if (!maximised(info))
        return info;
    changeState(window, false, e->_NET_WM_STATE_MAXIMIZED_VERT, e->_NET_WM_STATE_MAXIMIZED_HORZ);
    return settle(window, limit, [&](const WindowInfo& i) { return !maximised(i); });
}

AXError X11Accessibility::setAttributeValue(const AXElement& element, const QString& a,
                                            const AXValue& value) {
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    switch (kindOf(element.id())) {
    case Kind::Window:
        return writeWindow(element, a, value);
    case Kind::App: {
        if (a != kFrontmost)
            return AXError::AttributeUnsupported;
        const bool* front = std::get_if<bool>(&value);
        if (!front)
            return AXError::IllegalArgument;
        const ClientList list = m_x->clients();
        if (!applicationExists(element.pid(), list))
            return AXError::InvalidUIElement;
        if (!*front)
            return AXError::Success;
        auto target = focusedWindowOf(element.pid(), list);
        if (!target) {
            const auto windows = windowsOf(element.pid(), list);
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
    auto info = fetch(window);
    if (!info)
        return AXError::InvalidUIElement;

    if (a == kPosition) {
        const auto* p = std::get_if<QPointF>(&value);
        if (!p || !std::isfinite(p->x()) || !std::isfinite(p->y()) || std::abs(p->x()) > 1e6 ||
            std::abs(p->y()) > 1e6)
            return AXError::IllegalArgument;
        info = unmaximise(window, *info, limit);
        if (!info)
            return AXError::InvalidUIElement;
        const QRect outer(rootPoint(*p, m_screens->primaryOrigin()), info->outer().size());
        const QPoint target = clientFrame(outer, info->decorations, info->shadows).topLeft();
        moveResize(window, *info, target, std::nullopt);
        settle(window, limit, [&](const WindowInfo& i) { return i.client.topLeft() == target; });
        return AXError::Success;
    }
    if (a == kSize) {
        const auto* s = std::get_if<QSizeF>(&value);
        const auto pixels = s ? pixelSize(*s) : std::nullopt;
        if (!pixels)
            return AXError::IllegalArgument;
        info = unmaximise(window, *info, limit);
        if (!info)
            return AXError::InvalidUIElement;
        // The window keeps its top-left corner: a terminal that takes whole character cells only
        // stays at the layout's leading edge and falls short at the trailing one.
        const QSize target =
            acceptedSize(*pixels - outerGrowth(info->decorations, info->shadows), info->hints);
        moveResize(window, *info, std::nullopt, target);
        settle(window, limit, [&](const WindowInfo& i) { return i.client.size() == target; });
        return AXError::Success;
    }

    const bool* flag = std::get_if<bool>(&value);
    if (a == kMinimized) {
        if (!flag)
            return AXError::IllegalArgument;
        if (info->has(e->_NET_WM_STATE_HIDDEN) == *flag)
            return AXError::Success;
        if (*flag)
            m_x->sendToWindowManager(window, m_x->atoms().wmChangeState, {kIconicState, 0, 0, 0, 0});
        else
            activate(window);
        settle(window, limit, [&](const WindowInfo& i) { return i.has(e->_NET_WM_STATE_HIDDEN) == *flag; });
        return AXError::Success;
    }
    if (a == kFullScreen) {
        if (!flag)
            return AXError::IllegalArgument;
        if (info->has(e->_NET_WM_STATE_FULLSCREEN) == *flag)
            return AXError::Success;
        changeState(window, *flag, e->_NET_WM_STATE_FULLSCREEN);
        settle(window, limit,
               [&](const WindowInfo& i) { return i.has(e->_NET_WM_STATE_FULLSCREEN) == *flag; });
        return AXError::Success;
    }
    if (a == kMain || a == kFocused) {
        if (!flag)
            return AXError::IllegalArgument;
        if (*flag)
            return performAction(element, kRaise);
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

// --- Settable attributes and actions ---

AXResult<bool> X11Accessibility::isAttributeSettable(const AXElement& element, const QString& attribute) {
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
        return a == kRole || a == kFocusedApplication ? AXError::Success : AXError::AttributeUnsupported;
    case Kind::App: {
        if (!applicationExists(element.pid(), m_x->clients()))
            return AXError::InvalidUIElement;
        if (!QStringList{kRole, kTitle, kWindows, kFocusedWindow, kMainWindow, kFrontmost, kHidden}.contains(
                a))
            return AXError::AttributeUnsupported;
        out = a == kFrontmost;
        return AXError::Success;
    }
    case Kind::Window: {
        const auto info = fetch(xcb_window_t(element.id()));
        if (!info)
            return AXError::InvalidUIElement;
        if (a == kSize)
            out = !info->hints.isFixedSize();
        else if (a == kPosition || a == kMinimized || a == kFullScreen || a == kMain || a == kFocused)
            out = true;
        else if (a != kRole && a != kSubrole && a != kTitle)
            return AXError::AttributeUnsupported;
        return AXError::Success;
    }
    default:
        return AXError::InvalidUIElement;
    }
}

AXError X11Accessibility::performAction(const AXElement& element, const QString& action) {
    if (element.isNull())
        return AXError::IllegalArgument;
    if (!m_x->isUsable())
        return AXError::APIDisabled;
    if (kindOf(element.id()) != Kind::Window || action != kRaise)
        return AXError::ActionUnsupported;
    const xcb_window_t window = xcb_window_t(element.id());
    if (!fetch(window))
        return AXError::InvalidUIElement;
    // Activation raises, focuses and, when minimised, restores the window.
    activate(window);
    waitUntil(settleLimit(element), [&] {
        const auto active = m_x->property(m_x->root(), m_x->ewmh()->_NET_ACTIVE_WINDOW);
        return !active || active->value() == window;
    });
    return AXError::Success;
}

// --- Observers ---

AXObserverRef X11Accessibility::addObserver(const AXElement& application, const QString& notification,
                                            AXObserverCallback callback) {
    if (!callback || notification != kWindowCreated || kindOf(application.id()) != Kind::App ||
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
                if (entry.pid == c.pid)
                    callbacks.push_back(entry.callback);
        }
        // Outside the lock: a callback may add or drop observers.
        for (const auto& callback : callbacks)
            callback(windowElement(c), kWindowCreated);
    }
}

} // namespace platform::x11
