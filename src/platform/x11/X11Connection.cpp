#include "X11Connection.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/randr.h>
#include <xcb/res.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

namespace platform::x11 {

namespace {

// Longest property read: 256 KiB, far beyond any list or text we read.
constexpr quint32 kMaxPropertyLongs = 65536;

} // namespace

// --- Property ---

QList<quint32> Property::values() const {
    QList<quint32> out;
    if (format != 32)
        return out;
    const qsizetype n = data.size() / 4;
    if (n == 0)
        return out;
    out.resize(n);
    std::memcpy(out.data(), data.constData(), size_t(n) * 4);
    return out;
}

std::optional<quint32> Property::value() const {
    const auto v = values();
    return v.isEmpty() ? std::nullopt : std::optional<quint32>(v.first());
}

QString Property::text() const {
    if (format != 8)
        return {};
    QByteArray bytes = data;
    if (const auto nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    // STRING is Latin-1; UTF8_STRING and the compound text of simple titles read as UTF-8.
    return type == XCB_ATOM_STRING ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
}

QStringList Property::texts() const {
    if (format != 8)
        return {};
    QStringList out;
    for (const auto& part : data.split('\0'))
        out.append(type == XCB_ATOM_STRING ? QString::fromLatin1(part) : QString::fromUtf8(part));
    if (!out.isEmpty() && data.endsWith('\0'))
        out.removeLast();
    return out;
}

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

X11Connection::X11Connection(xcb_connection_t* xcb, int screenNumber)
    : m_xcb(xcb), m_screenNumber(screenNumber) {}

X11Connection::~X11Connection() {
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

    // Our own interest in the root window; the window manager's is its own.
    const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_xcb, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_xcb);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_xcb), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Connection::readEvents);
    return isUsable();
}

void X11Connection::flush() {
    xcb_flush(m_xcb);
}

void X11Connection::repliesTaken() {
    if (!m_readPosted.exchange(true))
        QMetaObject::invokeMethod(this, &X11Connection::readEvents, Qt::QueuedConnection);
}

std::shared_ptr<void> X11Connection::addEventHandler(EventHandler handler) {
    auto owned = std::make_shared<EventHandler>(std::move(handler));
    m_handlers.push_back(owned);
    return owned;
}

void X11Connection::readEvents() {
    m_readPosted = false;
    QList<quint32> atoms;
    bool monitors = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_xcb)) {
        XcbReply<xcb_generic_event_t> owned(event);
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (notify->window == m_root && !atoms.contains(notify->atom))
                atoms.append(notify->atom);
        } else if (m_randrEventBase && (type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                        type == m_randrEventBase + XCB_RANDR_NOTIFY)) {
            monitors = true;
        } else if (type != 0) { // errors of unchecked requests are nobody's business
            std::erase_if(m_handlers, [](const auto& h) { return h.expired(); });
            // A handler may add or drop handlers.
            const auto handlers = m_handlers;
            for (const auto& weak : handlers)
                if (auto handler = weak.lock())
                    (*handler)(event);
        }
    }
    // A lost connection would keep the socket readable for ever.
    if (!isUsable() && m_notifier)
        m_notifier->setEnabled(false);
    if (monitors)
        emit monitorsChanged();
    if (!atoms.isEmpty())
        emit rootPropertiesChanged(atoms);
}

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
        if (!reply) {
            out.emplace_back();
            continue;
        }
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
        out.push_back(Property{reply->type, reply->format,
                               QByteArray(bytes, xcb_get_property_value_length(reply.get()))});
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

ClientList X11Connection::clients() {
    ClientList list;
    const auto roots = properties({{m_root, m_ewmh._NET_CLIENT_LIST_STACKING},
                                   {m_root, m_ewmh._NET_CLIENT_LIST},
                                   {m_root, m_ewmh._NET_ACTIVE_WINDOW},
                                   {m_root, m_ewmh._NET_CURRENT_DESKTOP}});
    if (!roots[1])
        return list;
    list.ok = true;
    // The stacking order when the window manager keeps one.
    QList<quint32> windows = roots[0] ? roots[0]->values() : QList<quint32>{};
    if (windows.isEmpty())
        windows = roots[1]->values();
    list.active = roots[2] ? roots[2]->value().value_or(0) : 0;
    const std::optional<quint32> desktop = roots[3] ? roots[3]->value() : std::nullopt;

    std::vector<PropertyRead> reads;
    reads.reserve(size_t(windows.size()) * 5);
    for (quint32 w : windows)
        for (xcb_atom_t atom : {m_ewmh._NET_WM_PID, xcb_atom_t(XCB_ATOM_WM_CLASS), m_ewmh._NET_WM_WINDOW_TYPE,
                                xcb_atom_t(XCB_ATOM_WM_TRANSIENT_FOR), m_ewmh._NET_WM_DESKTOP})
            reads.push_back({w, atom});
    const auto props = properties(reads);
    std::vector<xcb_window_t> present;
    std::vector<qint32> declared;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (const auto& pid = props[size_t(i) * 5]) { // else gone meanwhile
            present.push_back(windows[i]);
            declared.push_back(qint32(pid->value().value_or(0)));
        }
    }
    const std::vector<qint32> pids = pidsOf(present, declared);
    {
        // Forget the windows that are no longer clients: their ids may come back for others.
        std::lock_guard lock(m_serverPidsMutex);
        m_serverPids.removeIf(
            [&](QHash<xcb_window_t, qint32>::iterator it) { return !windows.contains(it.key()); });
    }
    for (qsizetype i = 0, n = 0; i < windows.size(); ++i) {
        const auto* p = &props[size_t(i) * 5];
        if (!p[0])
            continue;
        Client c;
        c.window = windows[i];
        c.pid = pids[size_t(n++)];
        if (p[1]) {
            const QStringList cls = p[1]->texts();
            c.instance = cls.value(0);
            c.className = cls.value(1);
        }
        const bool transient = p[3] && p[3]->value().value_or(XCB_WINDOW_NONE) != XCB_WINDOW_NONE;
        c.kind = kindOf(p[2] ? p[2]->values() : QList<quint32>{}, transient);
        const auto onDesktop = p[4] ? p[4]->value() : std::nullopt;
        c.onCurrentDesktop = !desktop || !onDesktop || *onDesktop == 0xFFFFFFFFu || *onDesktop == *desktop;
        list.clients.append(c);
    }
    return list;
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
    XcbReply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(m_xcb, xcb_get_geometry(m_xcb, m_root), nullptr));
    repliesTaken();
    return reply ? QSize(reply->width, reply->height) : QSize();
}

bool X11Connection::hasEwmhWindowManager() {
    if (!isUsable())
        return false;
    const auto check = property(m_root, m_ewmh._NET_SUPPORTING_WM_CHECK);
    const quint32 window = check ? check->value().value_or(0) : 0;
    if (!window)
        return false;
    // A stale property of a window manager that has gone names a window that no longer exists.
    const auto self = property(window, m_ewmh._NET_SUPPORTING_WM_CHECK);
    return self && self->value() == window;
}

void X11Connection::sendToWindowManager(xcb_window_t window, xcb_atom_t type,
                                        const std::array<quint32, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (int i = 0; i < 5; ++i)
        event.data.data32[i] = data[size_t(i)];
    xcb_send_event(m_xcb, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_xcb);
}

} // namespace platform::x11
