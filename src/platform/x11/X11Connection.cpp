#include "X11Connection.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace platform::x11 {

namespace {

// Longest property read: 256 KiB, far beyond any list or text we read.
constexpr quint32 kMaxPropertyLongs = 65536;

// The longest a waiter sleeps without looking again, should a wake-up be missed.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

// A batch that waits for its answers in one go sleeps this long first (the server answers a few
// dozen requests in a fraction of it, and in a few when busy), then twice as long each time, this
// many times in all.
constexpr auto kFirstAnswerSlice = std::chrono::milliseconds(1);
constexpr int kAnswerSlices = 4;

} // namespace

// --- Connection ---

std::shared_ptr<X11Connection> X11Connection::open(const QByteArray& displayName) {
    int screen = 0;
    xcb_connection_t* xcb = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screen);
    if (!xcb)
        return nullptr;
    if (xcb_connection_has_error(xcb)) {
        xcb_disconnect(xcb);
        return nullptr;
    }
    std::shared_ptr<X11Connection> connection(new X11Connection(xcb, screen));
    if (!connection->initialise())
        return nullptr;
    return connection;
}

struct X11Connection::Cached {
    struct Window {
        Client client; // onCurrentDesktop is worked out when asked
        std::optional<quint32> desktop;
        QList<quint32> types;
        bool transient = false;
        QList<quint32> strutPartial, strutFull;
        QSet<xcb_atom_t> dirty; // properties to read again
        WindowEvents events;
        bool gone = false;
    };
    QHash<xcb_window_t, Window> windows;
    QList<quint32> clientList, stacking;
    QList<xcb_window_t> order; // bottom to top
    QHash<xcb_window_t, int> depth;
    QHash<qint32, QList<xcb_window_t>> byPid;
    QSet<xcb_atom_t> dirtyRoot;
    bool windowsDirty = false;
    xcb_window_t active = XCB_WINDOW_NONE;
    std::optional<quint32> currentDesktop;
    QSet<xcb_atom_t> supported;
    QList<quint32> workarea;
    xcb_window_t wmCheck = XCB_WINDOW_NONE;
    bool wmAlive = false;
    bool docksDirty = true;
    QHash<xcb_window_t, Strut> docks;
    QSize rootSize;
    quint64 panelsGeneration = 1;
    quint64 clientsGeneration = 1;
    quint64 monitorsGeneration = 1;
    // The clients' geometry, extents, state, hints and titles, and its reads under way, oldest first.
    std::optional<X11WindowStates> states;
    struct Reading {
        X11WindowStates::Read read;
        unsigned int sequence;
    };
    std::deque<Reading> reading;
    // For the thread that opened the connection.
    std::deque<XcbReply<xcb_generic_event_t>> pending;
    QList<quint32> rootAtoms;
    // Root property changes seen so far, by atom.
    QHash<xcb_atom_t, quint64> rootChanges;
    bool monitors = false;
};

X11Connection::X11Connection(xcb_connection_t* xcb, int screenNumber)
    : m_xcb(xcb), m_screenNumber(screenNumber), m_cached(std::make_unique<Cached>()) {}

X11Connection::~X11Connection() {
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    delete m_notifier;
    if (m_ewmhReady)
        xcb_ewmh_connection_wipe(&m_ewmh);
    xcb_disconnect(m_xcb);
}

bool X11Connection::initialise() {
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_xcb));
    for (int i = 0; screens.rem && i < m_screenNumber; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return false;
    m_root = screens.data->root;

    // Every atom in one round trip.
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(m_xcb, &m_ewmh);
    const char* names[] = {"WM_STATE", "WM_CHANGE_STATE", "_GTK_FRAME_EXTENTS", "EDID", "_XKB_RULES_NAMES"};
    xcb_atom_t* targets[] = {&m_atoms.wmState, &m_atoms.wmChangeState, &m_atoms.gtkFrameExtents,
                             &m_atoms.edid, &m_atoms.xkbRulesNames};
    constexpr int kAtomCount = std::size(names);
    xcb_intern_atom_cookie_t cookies[kAtomCount];
    for (int i = 0; i < kAtomCount; ++i)
        cookies[i] = xcb_intern_atom(m_xcb, 0, uint16_t(std::strlen(names[i])), names[i]);
    auto randrVersion = xcb_randr_query_version(m_xcb, 1, 5);
    xcb_prefetch_extension_data(m_xcb, &xcb_res_id);

    m_ewmhReady = xcb_ewmh_init_atoms_replies(&m_ewmh, ewmhCookies, nullptr) != 0;
    for (int i = 0; i < kAtomCount; ++i) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_xcb, cookies[i], nullptr));
        if (reply)
            *targets[i] = reply->atom;
    }
    const auto* randr = xcb_get_extension_data(m_xcb, &xcb_randr_id);
    XcbReply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(m_xcb, randrVersion, nullptr));
    // Monitors came with RandR 1.5.
    if (randr && randr->present && version &&
        (version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 5))) {
        m_randrEventBase = randr->first_event;
        xcb_randr_select_input(m_xcb, m_root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    if (!m_ewmhReady)
        return false;
    // Client ids (the process of a local client) came with X-Resource 1.2. A request of an
    // extension the server lacks would close the connection, so ask only when it is there.
    if (const auto* res = xcb_get_extension_data(m_xcb, &xcb_res_id); res && res->present) {
        XcbReply<xcb_res_query_version_reply_t> resVersion(
            xcb_res_query_version_reply(m_xcb, xcb_res_query_version(m_xcb, 1, 2), nullptr));
        m_hasClientIds = resVersion && (resVersion->server_major > 1 ||
                                        (resVersion->server_major == 1 && resVersion->server_minor >= 2));
    }

    // Our own interest in the root window; the window manager's is its own. Top-level windows
    // coming and going tell of docks the window manager does not manage.
    const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_xcb, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_xcb);
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    {
        const auto* e = &m_ewmh;
        std::lock_guard lock(m_mutex);
        m_cached->dirtyRoot = {e->_NET_CLIENT_LIST,        e->_NET_CLIENT_LIST_STACKING,
                               e->_NET_ACTIVE_WINDOW,      e->_NET_CURRENT_DESKTOP,
                               e->_NET_SUPPORTED,          e->_NET_WORKAREA,
                               e->_NET_SUPPORTING_WM_CHECK};
        m_cached->states.emplace(m_root,
                                 X11WindowStates::Atoms{e->_NET_FRAME_EXTENTS, m_atoms.gtkFrameExtents,
                                                        e->_NET_WM_STATE, e->_NET_WM_NAME});
    }

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_xcb), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(true); });
    return isUsable();
}

void X11Connection::flush() {
    xcb_flush(m_xcb);
}

void X11Connection::awaitAnswersInOneGo() {
    // The answer to a request of no consequence, sent last, comes after all the others.
    const unsigned int last = xcb_get_input_focus(m_xcb).sequence;
    xcb_flush(m_xcb);
    auto slice = std::chrono::duration_cast<std::chrono::microseconds>(kFirstAnswerSlice);
    for (int i = 0; i < kAnswerSlices && isUsable(); ++i, slice *= 2) {
        std::this_thread::sleep_for(slice);
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(m_xcb, last, &reply, &error)) {
            std::free(reply);
            std::free(error);
            return;
        }
    }
    xcb_discard_reply(m_xcb, last);
}

void X11Connection::repliesTaken() {
    postRead();
    if (m_waiters > 0 && m_wakeFd >= 0)
        (void)::eventfd_write(m_wakeFd, 1);
}

void X11Connection::postRead() {
    if (!m_readPosted.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { readEvents(false); }, Qt::QueuedConnection);
}

std::shared_ptr<void> X11Connection::addEventHandler(EventHandler handler) {
    auto owned = std::make_shared<EventHandler>(std::move(handler));
    m_handlers.push_back(owned);
    return owned;
}

bool X11Connection::pumpLocked(bool readSocket) {
    // One read of the socket at most: xcb reads only when it holds no event.
    xcb_generic_event_t* event = readSocket ? xcb_poll_for_event(m_xcb) : xcb_poll_for_queued_event(m_xcb);
    const bool any = event != nullptr;
    for (; event; event = xcb_poll_for_queued_event(m_xcb)) {
        XcbReply<xcb_generic_event_t> owned(event);
        applyLocked(event);
        const quint8 type = event->response_type & 0x7f;
        // Errors of unchecked requests are nobody's business; structure, property and RandR
        // events are the connection's own.
        const bool own = (type >= XCB_CREATE_NOTIFY && type <= XCB_PROPERTY_NOTIFY) ||
                         (m_randrEventBase && (type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                               type == m_randrEventBase + XCB_RANDR_NOTIFY));
        if (type != 0 && !own)
            m_cached->pending.push_back(std::move(owned));
    }
    return any;
}

void X11Connection::drain(bool readSocket) {
    bool any = false, forMain = false;
    {
        std::lock_guard lock(m_mutex);
        any = pumpLocked(readSocket);
        // The main thread hears of events another thread took in.
        forMain = any || !m_cached->pending.empty() || !m_cached->rootAtoms.isEmpty() || m_cached->monitors ||
                  m_cached->panelsGeneration != m_announcedPanels;
    }
    if (any && m_waiters > 0 && m_wakeFd >= 0)
        (void)::eventfd_write(m_wakeFd, 1);
    if (forMain)
        postRead();
}

void X11Connection::readEvents(bool readSocket) {
    m_readPosted = false;
    std::deque<XcbReply<xcb_generic_event_t>> events;
    QList<quint32> atoms;
    bool monitors = false;
    bool panels = false;
    bool any = false;
    {
        std::lock_guard lock(m_mutex);
        any = pumpLocked(readSocket);
        // What changed is read again at once, answered on a later turn: a key then finds every
        // client's state current. Looking for answers may read events too.
        any = takeReadsLocked(false) || any;
        any = pumpLocked(false) || any;
        if (sendReadsLocked(m_cached->states->wanted(false)))
            xcb_flush(m_xcb);
        events.swap(m_cached->pending);
        atoms.swap(m_cached->rootAtoms);
        std::swap(monitors, m_cached->monitors);
        panels = std::exchange(m_announcedPanels, m_cached->panelsGeneration) != m_cached->panelsGeneration;
    }
    if (any && m_waiters > 0 && m_wakeFd >= 0)
        (void)::eventfd_write(m_wakeFd, 1);
    ++m_handingOut;
    for (const auto& event : events) {
        std::erase_if(m_handlers, [](const auto& h) { return h.expired(); });
        // A handler may add or drop handlers.
        const auto handlers = m_handlers;
        for (const auto& weak : handlers)
            if (auto handler = weak.lock())
                (*handler)(event.get());
    }
    --m_handingOut;
    // A lost connection would keep the socket readable for ever.
    if (!isUsable() && m_notifier)
        m_notifier->setEnabled(false);
    if (monitors)
        emit monitorsChanged();
    if (!atoms.isEmpty())
        emit rootPropertiesChanged(atoms);
    if (panels)
        emit panelsChanged();
    if (any)
        emit eventsTaken();
    // A batch handed out inside a handler (a nested event loop) leaves them to the outer one.
    if (m_handingOut == 0)
        for (auto& task : std::exchange(m_afterEvents, {}))
            task();
}

void X11Connection::afterEvents(std::function<void()> task) {
    if (m_handingOut > 0)
        m_afterEvents.push_back(std::move(task));
    else
        task();
}

bool X11Connection::waitForEvents(std::chrono::steady_clock::time_point deadline) {
    // Events xcb already holds (read while someone waited for a reply) have arrived.
    {
        std::lock_guard lock(m_mutex);
        if (pumpLocked(false)) {
            postRead();
            return true;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline || !isUsable())
        return false;
    const auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now, kWaitSlice);
    ++m_waiters;
    pollfd fds[2] = {{xcb_get_file_descriptor(m_xcb), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int ms = int(std::chrono::ceil<std::chrono::milliseconds>(slice).count());
    if (::poll(fds, m_wakeFd >= 0 ? 2 : 1, ms) > 0 && (fds[1].revents & POLLIN)) {
        eventfd_t ignored;
        (void)::eventfd_read(m_wakeFd, &ignored);
    }
    --m_waiters;
    drain(true);
    return std::chrono::steady_clock::now() < deadline;
}

void X11Connection::applyLocked(const xcb_generic_event_t* event) {
    Cached& m = *m_cached;
    const auto* e = &m_ewmh;
    m.states->apply(event);
    const quint8 type = event->response_type & 0x7f;
    auto windowEvent = [&](xcb_window_t w) -> Cached::Window* {
        const auto it = m.windows.find(w);
        if (it == m.windows.end())
            return nullptr;
        ++it->events.count;
        return &*it;
    };
    switch (type) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const xcb_atom_t atom = notify->atom;
        const bool strut = atom == e->_NET_WM_STRUT_PARTIAL || atom == e->_NET_WM_STRUT;
        if (notify->window == m_root) {
            if (!m.rootAtoms.contains(atom))
                m.rootAtoms.append(atom);
            ++m.rootChanges[atom];
            for (xcb_atom_t watched :
                 {e->_NET_CLIENT_LIST, e->_NET_CLIENT_LIST_STACKING, e->_NET_ACTIVE_WINDOW,
                  e->_NET_CURRENT_DESKTOP, e->_NET_SUPPORTED, e->_NET_WORKAREA, e->_NET_SUPPORTING_WM_CHECK})
                if (atom == watched)
                    m.dirtyRoot.insert(atom);
            if (atom == e->_NET_WORKAREA || atom == e->_NET_CLIENT_LIST || atom == e->_NET_CURRENT_DESKTOP)
                ++m.panelsGeneration;
        } else if (auto* w = windowEvent(notify->window)) {
            for (xcb_atom_t watched : {e->_NET_WM_PID, xcb_atom_t(XCB_ATOM_WM_CLASS), e->_NET_WM_WINDOW_TYPE,
                                       xcb_atom_t(XCB_ATOM_WM_TRANSIENT_FOR), e->_NET_WM_DESKTOP,
                                       e->_NET_WM_STATE, e->_NET_WM_STRUT_PARTIAL, e->_NET_WM_STRUT})
                if (atom == watched) {
                    w->dirty.insert(atom);
                    m.windowsDirty = true;
                }
            if (strut)
                ++m.panelsGeneration;
        } else if (strut && m.docks.contains(notify->window)) {
            m.docksDirty = true;
            ++m.panelsGeneration;
        } else if (notify->window == m.wmCheck) {
            m.dirtyRoot.insert(e->_NET_SUPPORTING_WM_CHECK);
        }
        return;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (notify->event == notify->window)
            if (auto* w = windowEvent(notify->window); w && (event->response_type & 0x80))
                w->events.syntheticConfigure = std::max<quint32>(event->full_sequence, 1);
        return;
    }
    case XCB_MAP_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        if (notify->event == m_root && notify->override_redirect) {
            m.docksDirty = true;
            ++m.panelsGeneration;
        } else if (notify->event == notify->window) {
            windowEvent(notify->window);
        }
        return;
    }
    case XCB_UNMAP_NOTIFY:
    case XCB_DESTROY_NOTIFY: {
        // Both begin with the event and the window.
        const auto* notify = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
        if (notify->event == m_root && m.docks.contains(notify->window)) {
            m.docksDirty = true;
            ++m.panelsGeneration;
        } else if (notify->event == notify->window) {
            if (auto* w = windowEvent(notify->window); w && type == XCB_DESTROY_NOTIFY) {
                w->gone = true;
                ++m.clientsGeneration;
            }
            if (notify->window == m.wmCheck && type == XCB_DESTROY_NOTIFY)
                m.dirtyRoot.insert(e->_NET_SUPPORTING_WM_CHECK);
        }
        return;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (notify->event == notify->window)
            windowEvent(notify->window);
        return;
    }
    default:
        if (m_randrEventBase && (type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                 type == m_randrEventBase + XCB_RANDR_NOTIFY)) {
            m.monitors = true;
            m.rootSize = QSize();
            ++m.monitorsGeneration;
            ++m.panelsGeneration;
        }
        return;
    }
}

namespace {

Property propertyOf(const xcb_get_property_reply_t* reply) {
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    return Property{reply->type, reply->format, QByteArray(bytes, xcb_get_property_value_length(reply))};
}

} // namespace

std::vector<std::optional<Property>> X11Connection::properties(const std::vector<PropertyRead>& reads) {
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(reads.size());
    for (const auto& r : reads)
        cookies.push_back(xcb_get_property(m_xcb, 0, r.window, r.atom, XCB_ATOM_ANY, 0, kMaxPropertyLongs));
    std::vector<std::optional<Property>> out;
    out.reserve(reads.size());
    for (auto cookie : cookies) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_xcb, cookie, &error));
        std::free(error);
        if (reply)
            out.push_back(propertyOf(reply.get()));
        else
            out.emplace_back();
    }
    repliesTaken();
    return out;
}

std::optional<Property> X11Connection::property(xcb_window_t window, xcb_atom_t atom) {
    return properties({{window, atom}}).front();
}

WindowKind X11Connection::kindOf(const QList<quint32>& typeAtoms, bool transient) const {
    const auto& e = m_ewmh;
    for (quint32 atom : typeAtoms) {
        if (atom == e._NET_WM_WINDOW_TYPE_NORMAL)
            return WindowKind::Normal;
        if (atom == e._NET_WM_WINDOW_TYPE_DIALOG)
            return WindowKind::Dialog;
        if (atom == e._NET_WM_WINDOW_TYPE_DOCK)
            return WindowKind::Dock;
        if (atom == e._NET_WM_WINDOW_TYPE_DESKTOP)
            return WindowKind::Desktop;
        if (atom == e._NET_WM_WINDOW_TYPE_SPLASH)
            return WindowKind::Other;
        for (xcb_atom_t floating :
             {e._NET_WM_WINDOW_TYPE_UTILITY, e._NET_WM_WINDOW_TYPE_TOOLBAR, e._NET_WM_WINDOW_TYPE_MENU,
              e._NET_WM_WINDOW_TYPE_DROPDOWN_MENU, e._NET_WM_WINDOW_TYPE_POPUP_MENU,
              e._NET_WM_WINDOW_TYPE_TOOLTIP, e._NET_WM_WINDOW_TYPE_NOTIFICATION, e._NET_WM_WINDOW_TYPE_COMBO,
              e._NET_WM_WINDOW_TYPE_DND})
            if (atom == floating)
                return WindowKind::Floating;
        // Types we do not know (a desktop's own) give way to the next one listed.
    }
    // Without a type, a transient window is a dialog and any other a normal window.
    return transient ? WindowKind::Dialog : WindowKind::Normal;
}

// --- Client windows' states ---

bool X11Connection::sendReadsLocked(const std::vector<X11WindowStates::Read>& reads) {
    using Read = X11WindowStates::Read;
    for (const Read& r : reads) {
        unsigned int sequence = 0;
        switch (r.kind) {
        case Read::Watch: {
            // All we want of a frame: where it goes, and that it goes.
            const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_xcb, r.window, XCB_CW_EVENT_MASK, &mask);
            m_cached->states->sent(r, 0);
            continue;
        }
        case Read::Parent:
            sequence = xcb_query_tree(m_xcb, r.window).sequence;
            break;
        case Read::Geometry:
            sequence = xcb_get_geometry(m_xcb, r.window).sequence;
            break;
        case Read::Property:
            sequence =
                xcb_get_property(m_xcb, 0, r.window, r.atom, XCB_ATOM_ANY, 0, kMaxPropertyLongs).sequence;
            break;
        }
        m_cached->states->sent(r, sequence);
        m_cached->reading.push_back({r, sequence});
    }
    return !reads.empty();
}

bool X11Connection::takeReadsLocked(bool wait) {
    using Read = X11WindowStates::Read;
    auto& reading = m_cached->reading;
    auto& states = *m_cached->states;
    bool took = false;
    while (!reading.empty()) {
        const auto [read, sequence] = reading.front();
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (wait)
            reply = xcb_wait_for_reply(m_xcb, sequence, &error);
        else if (!xcb_poll_for_reply(m_xcb, sequence, &reply, &error))
            return took; // not here yet: a later turn takes it
        reading.pop_front();
        took = true;
        std::free(error);
        // No answer: the window is gone.
        switch (read.kind) {
        case Read::Parent: {
            XcbReply<xcb_query_tree_reply_t> tree(static_cast<xcb_query_tree_reply_t*>(reply));
            states.parentRead(read.window, sequence, tree ? std::optional(tree->parent) : std::nullopt);
            break;
        }
        case Read::Geometry: {
            XcbReply<xcb_get_geometry_reply_t> g(static_cast<xcb_get_geometry_reply_t*>(reply));
            states.geometryRead(
                read.window, sequence,
                g ? std::optional(X11WindowStates::Geometry{g->x, g->y, g->width, g->height, g->border_width})
                  : std::nullopt);
            break;
        }
        case Read::Property: {
            XcbReply<xcb_get_property_reply_t> p(static_cast<xcb_get_property_reply_t*>(reply));
            states.propertyRead(read.window, read.atom, sequence,
                                p ? std::optional(propertyOf(p.get())) : std::nullopt);
            break;
        }
        case Read::Watch:
            std::free(reply);
            break;
        }
    }
    return took;
}

template <typename Answer>
auto X11Connection::readWindowLocked(xcb_window_t window, bool titles, Answer answer) -> decltype(answer()) {
    refreshLocked();
    auto& states = *m_cached->states;
    // Each round reads what the answers before it showed: one frame further up at most.
    for (int round = 0; round < 8; ++round) {
        if (auto known = answer(); known || states.isGone(window))
            return known;
        const auto reads = states.wanted(titles, window);
        if (reads.empty() && m_cached->reading.empty())
            break;
        sendReadsLocked(reads);
        takeReadsLocked(true);
        repliesTaken();
    }
    return answer();
}

std::optional<WindowState> X11Connection::windowState(xcb_window_t window) {
    std::lock_guard lock(m_mutex);
    return readWindowLocked(window, false, [&] { return m_cached->states->state(window); });
}

std::optional<QString> X11Connection::windowTitle(xcb_window_t window) {
    std::lock_guard lock(m_mutex);
    return readWindowLocked(window, true, [&] { return m_cached->states->title(window); });
}

// --- What the connection keeps ---

void X11Connection::refreshLocked() {
    Cached& m = *m_cached;
    // What clients() gives may change with any of these reads.
    if (!m.dirtyRoot.isEmpty() || m.windowsDirty)
        ++m.clientsGeneration;
    if (!m.dirtyRoot.isEmpty()) {
        QSet<xcb_atom_t> atoms;
        atoms.swap(m.dirtyRoot);
        readRootLocked(atoms);
    }
    if (m.windowsDirty)
        readWindowsLocked();
    if (m.docksDirty)
        readDocksLocked();
}

void X11Connection::readRootLocked(const QSet<xcb_atom_t>& atoms) {
    Cached& m = *m_cached;
    const auto* e = &m_ewmh;
    const std::vector<xcb_atom_t> list(atoms.begin(), atoms.end());
    std::vector<PropertyRead> reads;
    for (xcb_atom_t atom : list)
        reads.push_back({m_root, atom});
    const auto props = properties(reads);
    bool membership = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const xcb_atom_t atom = list[i];
        const QList<quint32> values = props[i] ? props[i]->values() : QList<quint32>{};
        if (atom == e->_NET_CLIENT_LIST) {
            m.clientList = values;
            membership = true;
        } else if (atom == e->_NET_CLIENT_LIST_STACKING) {
            m.stacking = values;
            membership = true;
        } else if (atom == e->_NET_ACTIVE_WINDOW) {
            m.active = values.value(0, XCB_WINDOW_NONE);
        } else if (atom == e->_NET_CURRENT_DESKTOP) {
            m.currentDesktop = values.isEmpty() ? std::nullopt : std::optional<quint32>(values.first());
        } else if (atom == e->_NET_SUPPORTED) {
            m.supported = QSet<xcb_atom_t>(values.begin(), values.end());
        } else if (atom == e->_NET_WORKAREA) {
            m.workarea = values;
        } else if (atom == e->_NET_SUPPORTING_WM_CHECK) {
            m.wmCheck = values.value(0, XCB_WINDOW_NONE);
            m.wmAlive = false;
            if (m.wmCheck) {
                // Its destruction (a window manager that quits) must reach us.
                const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_xcb, m.wmCheck, XCB_CW_EVENT_MASK, &mask);
                // A stale property of a window manager that has gone names a window that no
                // longer exists; a live one names itself.
                const auto self = property(m.wmCheck, e->_NET_SUPPORTING_WM_CHECK);
                m.wmAlive = self && self->value() == m.wmCheck;
            }
        }
    }
    if (!membership)
        return;

    // New clients: watch them first, so no change after the read below goes unseen.
    const QSet<xcb_window_t> now(m.clientList.begin(), m.clientList.end());
    const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : now) {
        if (m.windows.contains(w))
            continue;
        xcb_change_window_attributes(m_xcb, w, XCB_CW_EVENT_MASK, &mask);
        m.states->track(w);
        Cached::Window window;
        window.client.window = w;
        window.dirty = {
            e->_NET_WM_PID,     XCB_ATOM_WM_CLASS, e->_NET_WM_WINDOW_TYPE,   XCB_ATOM_WM_TRANSIENT_FOR,
            e->_NET_WM_DESKTOP, e->_NET_WM_STATE,  e->_NET_WM_STRUT_PARTIAL, e->_NET_WM_STRUT};
        m.windows.insert(w, window);
        m.windowsDirty = true;
    }
    // Windows that are no longer clients are forgotten: their ids may come back for others.
    m.windows.removeIf([&](const auto& it) {
        if (now.contains(it.key()))
            return false;
        m.states->forget(it.key());
        return true;
    });
    {
        std::lock_guard lock(m_serverPidsMutex);
        m_serverPids.removeIf([&](const auto& it) { return !now.contains(it.key()); });
    }
    // The stacking order when the window manager keeps one.
    m.order.clear();
    for (quint32 w : m.stacking.isEmpty() ? m.clientList : m.stacking)
        if (now.contains(w) && !m.order.contains(w))
            m.order.append(w);
    for (quint32 w : m.clientList)
        if (!m.order.contains(w))
            m.order.append(w);
    indexLocked();
}

void X11Connection::readWindowsLocked() {
    Cached& m = *m_cached;
    const auto* e = &m_ewmh;
    m.windowsDirty = false;
    std::vector<PropertyRead> reads;
    for (auto it = m.windows.cbegin(); it != m.windows.cend(); ++it)
        for (xcb_atom_t atom : it->dirty)
            reads.push_back({it.key(), atom});
    const auto props = properties(reads);
    std::vector<xcb_window_t> pidWindows;
    std::vector<qint32> declared;
    for (size_t i = 0; i < reads.size(); ++i) {
        auto& w = m.windows[reads[i].window];
        const xcb_atom_t atom = reads[i].atom;
        w.dirty.remove(atom);
        if (!props[i]) { // gone meanwhile
            w.gone = true;
            continue;
        }
        const Property& p = *props[i];
        if (atom == e->_NET_WM_PID) {
            pidWindows.push_back(reads[i].window);
            declared.push_back(qint32(p.value().value_or(0)));
        } else if (atom == XCB_ATOM_WM_CLASS) {
            const QStringList cls = p.texts();
            w.client.instance = cls.value(0);
            w.client.className = cls.value(1);
        } else if (atom == e->_NET_WM_WINDOW_TYPE) {
            w.types = p.values();
            w.client.kind = kindOf(w.types, w.transient);
        } else if (atom == XCB_ATOM_WM_TRANSIENT_FOR) {
            w.transient = p.value().value_or(XCB_WINDOW_NONE) != XCB_WINDOW_NONE;
            w.client.kind = kindOf(w.types, w.transient);
        } else if (atom == e->_NET_WM_DESKTOP) {
            w.desktop = p.value();
        } else if (atom == e->_NET_WM_STATE) {
            w.client.hidden = p.values().contains(e->_NET_WM_STATE_HIDDEN);
        } else if (atom == e->_NET_WM_STRUT_PARTIAL) {
            w.strutPartial = p.values();
        } else if (atom == e->_NET_WM_STRUT) {
            w.strutFull = p.values();
        }
    }
    if (!pidWindows.empty()) {
        const std::vector<qint32> pids = pidsOf(pidWindows, declared);
        for (size_t i = 0; i < pidWindows.size(); ++i)
            m.windows[pidWindows[i]].client.pid = pids[i];
        indexLocked();
    }
}

void X11Connection::readDocksLocked() {
    Cached& m = *m_cached;
    const auto* e = &m_ewmh;
    m.docksDirty = false;
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_xcb, xcb_query_tree(m_xcb, m_root), nullptr));
    if (!tree)
        return;
    // Top-level windows that are not clients (frames, the window manager's own panels, unmanaged
    // docks): their struts and whether they show, in one round trip.
    std::vector<xcb_window_t> windows;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        if (!m.windows.contains(children[i]))
            windows.push_back(children[i]);
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<PropertyRead> reads;
    for (xcb_window_t w : windows) {
        attributes.push_back(xcb_get_window_attributes(m_xcb, w));
        reads.push_back({w, e->_NET_WM_STRUT_PARTIAL});
        reads.push_back({w, e->_NET_WM_STRUT});
    }
    const auto props = properties(reads);
    const QSize root = rootSizeLocked();
    m.docks.clear();
    const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    for (size_t i = 0; i < windows.size(); ++i) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(m_xcb, attributes[i], &error));
        std::free(error);
        auto strut = props[2 * i] ? Strut::fromPartial(props[2 * i]->values()) : std::nullopt;
        if (!strut && props[2 * i + 1])
            strut = Strut::fromFull(props[2 * i + 1]->values(), root);
        if (!strut || !a || a->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        xcb_change_window_attributes(m_xcb, windows[i], XCB_CW_EVENT_MASK, &mask);
        m.docks.insert(windows[i], *strut);
    }
    repliesTaken();
}

void X11Connection::indexLocked() {
    Cached& m = *m_cached;
    m.depth.clear();
    m.byPid.clear();
    for (int i = 0; i < m.order.size(); ++i) {
        m.depth.insert(m.order[i], i);
        if (const auto it = m.windows.constFind(m.order[i]); it != m.windows.constEnd() && it->client.pid > 0)
            m.byPid[it->client.pid].prepend(m.order[i]); // front to back
    }
}

Client X11Connection::clientLocked(xcb_window_t window) const {
    const Cached& m = *m_cached;
    const auto& w = m.windows[window];
    Client c = w.client;
    c.onCurrentDesktop =
        !m.currentDesktop || !w.desktop || *w.desktop == 0xFFFFFFFFu || *w.desktop == *m.currentDesktop;
    return c;
}

ClientList X11Connection::clients() {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    const Cached& m = *m_cached;
    ClientList list;
    list.ok = isUsable() && m.wmCheck != XCB_WINDOW_NONE;
    list.active = m.active;
    for (xcb_window_t w : m.order)
        if (!m.windows[w].gone)
            list.clients.append(clientLocked(w));
    return list;
}

std::optional<Client> X11Connection::client(xcb_window_t window) {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    const auto it = m_cached->windows.constFind(window);
    if (it == m_cached->windows.constEnd() || it->gone)
        return std::nullopt;
    return clientLocked(window);
}

QList<Client> X11Connection::clientsOf(qint32 pid) {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    QList<Client> out;
    for (xcb_window_t w : m_cached->byPid.value(pid))
        if (!m_cached->windows[w].gone)
            out.append(clientLocked(w));
    return out;
}

xcb_window_t X11Connection::activeWindow() {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_cached->active;
}

bool X11Connection::supports(xcb_atom_t atom) {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_cached->supported.contains(atom);
}

X11Connection::Panels X11Connection::panels() {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    const Cached& m = *m_cached;
    Panels panels;
    const QSize root = rootSizeLocked();
    for (const auto& w : m.windows) {
        auto strut = Strut::fromPartial(w.strutPartial);
        if (!strut)
            strut = Strut::fromFull(w.strutFull, root);
        if (strut && !w.gone)
            panels.struts.append(*strut);
    }
    for (const auto& strut : m.docks)
        panels.struts.append(strut);
    const qsizetype desktop = 4 * qsizetype(m.currentDesktop.value_or(0));
    if (m.workarea.size() >= desktop + 4)
        panels.workarea = QRect(int(qint32(m.workarea[desktop])), int(qint32(m.workarea[desktop + 1])),
                                int(m.workarea[desktop + 2] & 0x7fff), int(m.workarea[desktop + 3] & 0x7fff));
    return panels;
}

quint64 X11Connection::clientsGeneration() {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_cached->clientsGeneration;
}

quint64 X11Connection::panelsGeneration() {
    std::lock_guard lock(m_mutex);
    return m_cached->panelsGeneration;
}

quint64 X11Connection::rootPropertyChanges(xcb_atom_t atom) {
    // What the socket holds already counts: a change made just before the question is seen.
    drain(true);
    std::lock_guard lock(m_mutex);
    return m_cached->rootChanges.value(atom);
}

quint64 X11Connection::rootPropertyChangesTaken(xcb_atom_t atom) {
    std::lock_guard lock(m_mutex);
    return m_cached->rootChanges.value(atom);
}

quint64 X11Connection::monitorsGeneration() {
    std::lock_guard lock(m_mutex);
    return m_cached->monitorsGeneration;
}

WindowEvents X11Connection::windowEvents(xcb_window_t window) {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_cached->windows.value(window).events;
}

std::vector<qint32> X11Connection::pidsOf(const std::vector<xcb_window_t>& windows,
                                          const std::vector<qint32>& declared) {
    std::vector<qint32> out(windows.size(), 0);
    std::vector<size_t> asked;
    {
        std::lock_guard lock(m_serverPidsMutex);
        for (size_t i = 0; i < windows.size(); ++i) {
            if (declared[i] > 0)
                out[i] = declared[i];
            else if (const auto it = m_serverPids.constFind(windows[i]); it != m_serverPids.constEnd())
                out[i] = *it;
            else if (m_hasClientIds)
                asked.push_back(i);
        }
    }
    if (asked.empty())
        return out;
    // One request per window, so that a window gone meanwhile spoils only its own answer.
    std::vector<xcb_res_query_client_ids_cookie_t> cookies;
    cookies.reserve(asked.size());
    for (size_t i : asked) {
        const xcb_res_client_id_spec_t spec{windows[i], XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        cookies.push_back(xcb_res_query_client_ids(m_xcb, 1, &spec));
    }
    QHash<xcb_window_t, qint32> found;
    for (size_t k = 0; k < asked.size(); ++k) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_res_query_client_ids_reply_t> reply(
            xcb_res_query_client_ids_reply(m_xcb, cookies[k], &error));
        std::free(error);
        if (!reply)
            continue;
        // A remote client has no local process: the server leaves its pid out.
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                xcb_res_client_id_value_value_length(it.data) >= 1) {
                const auto pid = qint32(*xcb_res_client_id_value_value(it.data));
                if (pid > 0) {
                    out[asked[k]] = pid;
                    found.insert(windows[asked[k]], pid);
                }
            }
        }
    }
    repliesTaken();
    if (!found.isEmpty()) {
        std::lock_guard lock(m_serverPidsMutex);
        m_serverPids.insert(found);
    }
    return out;
}

qint32 X11Connection::pidOf(xcb_window_t window) {
    const auto declared = property(window, m_ewmh._NET_WM_PID);
    if (!declared) // no such window
        return 0;
    return pidOf(window, qint32(declared->value().value_or(0)));
}

QSize X11Connection::rootSize() {
    std::lock_guard lock(m_mutex);
    return rootSizeLocked();
}

QSize X11Connection::rootSizeLocked() {
    if (m_cached->rootSize.isEmpty()) {
        XcbReply<xcb_get_geometry_reply_t> reply(
            xcb_get_geometry_reply(m_xcb, xcb_get_geometry(m_xcb, m_root), nullptr));
        repliesTaken();
        if (reply)
            m_cached->rootSize = QSize(reply->width, reply->height);
    }
    return m_cached->rootSize;
}

bool X11Connection::hasEwmhWindowManager() {
    if (!isUsable())
        return false;
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_cached->wmCheck != XCB_WINDOW_NONE && m_cached->wmAlive;
}

quint32 X11Connection::sendToWindowManager(xcb_window_t window, xcb_atom_t type,
                                           const std::array<quint32, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (int i = 0; i < 5; ++i)
        event.data.data32[i] = data[size_t(i)];
    const auto cookie = xcb_send_event(
        m_xcb, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char*>(&event));
    xcb_flush(m_xcb);
    return cookie.sequence;
}

} // namespace platform::x11
