#include "X11WindowStates.h"

namespace platform::x11 {

namespace {

// Deeper nesting of frames than any window manager uses: a loop in what was read.
constexpr int kMaxDepth = 16;

} // namespace

void X11WindowStates::Item::event(quint32 sequence, bool told) {
    touched = sequence;
    current = told;
}

bool X11WindowStates::Item::takeAnswer(quint32 sequence) {
    asked.reset();
    if (touched && sequenceAtOrAfter(*touched, sequence))
        return false;
    current = true;
    return true;
}

X11WindowStates::X11WindowStates(xcb_window_t root, Atoms atoms)
    : m_root(root), m_atoms(atoms), m_tracked{atoms.frameExtents, atoms.gtkFrameExtents,
                                              atoms.state,        XCB_ATOM_WM_NORMAL_HINTS,
                                              atoms.name,         XCB_ATOM_WM_NAME} {}

bool X11WindowStates::isTitle(xcb_atom_t atom) const {
    return atom == m_atoms.name || atom == XCB_ATOM_WM_NAME;
}

void X11WindowStates::track(xcb_window_t client) {
    m_lastState.reset();
    Window& w = m_windows[client];
    w.client = true;
    w.watched = true;
    w.gone = false;
    for (xcb_atom_t atom : m_tracked)
        w.items.insert(atom, Item{});
    m_unsettled.insert(client);
}

void X11WindowStates::forget(xcb_window_t client) {
    m_lastState.reset();
    const auto it = m_windows.find(client);
    if (it == m_windows.end() || !it->client)
        return;
    it->client = false;
    it->items.clear();
    it->properties.clear();
    m_unsettled.remove(client);
    dropUnreachable();
}

bool X11WindowStates::tracks(xcb_window_t client) const {
    const auto it = m_windows.constFind(client);
    return it != m_windows.constEnd() && it->client;
}

bool X11WindowStates::isGone(xcb_window_t client) const {
    const auto it = m_windows.constFind(client);
    return it == m_windows.constEnd() || it->gone;
}

void X11WindowStates::dropUnreachable() {
    QSet<xcb_window_t> reached;
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
        if (!it->client)
            continue;
        xcb_window_t w = it.key();
        for (int depth = 0; depth < kMaxDepth && w != m_root && !reached.contains(w); ++depth) {
            reached.insert(w);
            const auto found = m_windows.constFind(w);
            if (found == m_windows.cend())
                break;
            w = found->parent;
        }
    }
    m_windows.removeIf([&](const auto& it) { return !reached.contains(it.key()); });
}

void X11WindowStates::orphan(xcb_window_t gone, quint32 sequence) {
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it)
        if (it->parent == gone) {
            it->parentItem.event(sequence, false);
            unsettleClientsUnder(it.key());
        }
}

void X11WindowStates::unsettleClientsUnder(xcb_window_t window) {
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
        if (!it->client)
            continue;
        xcb_window_t w = it.key();
        for (int depth = 0; depth < kMaxDepth && w != m_root; ++depth) {
            if (w == window) {
                m_unsettled.insert(it.key());
                break;
            }
            const auto found = m_windows.constFind(w);
            if (found == m_windows.cend())
                break;
            w = found->parent;
        }
    }
}

bool X11WindowStates::isSettled(xcb_window_t client) const {
    return isGone(client) || state(client).has_value();
}

// --- Events ---

void X11WindowStates::apply(const xcb_generic_event_t* event) {
    m_lastState.reset();
    const quint8 type = event->response_type & 0x7f;
    const quint32 sequence = event->full_sequence;
    // A structure event about a kept window, through our own interest in it or in the root
    // window's children. A synthetic one is the window manager's word to the client, not the
    // server's.
    const auto kept = [&](xcb_window_t interest, xcb_window_t window) -> Window* {
        const auto it = m_windows.find(window);
        if (it == m_windows.end() || (event->response_type & 0x80) ||
            (interest != window && interest != m_root))
            return nullptr;
        return &*it;
    };
    // A new place within the parent; size and border stay.
    const auto moved = [&](Window& w, qint16 x, qint16 y) {
        w.geometry.x = x;
        w.geometry.y = y;
        w.geometryItem.event(sequence, w.geometryItem.current);
    };
    switch (type) {
    case XCB_CONFIGURE_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (Window* w = kept(e->event, e->window)) {
            w->geometry = {e->x, e->y, e->width, e->height, e->border_width};
            w->geometryItem.event(sequence, true);
        }
        return;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (Window* w = kept(e->event, e->window)) {
            w->parent = e->parent;
            w->parentItem.event(sequence, true);
            moved(*w, e->x, e->y);
            dropUnreachable();
            // The new parent is to be watched and read.
            unsettleClientsUnder(e->window);
        }
        return;
    }
    case XCB_GRAVITY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_gravity_notify_event_t*>(event);
        if (Window* w = kept(e->event, e->window))
            moved(*w, e->x, e->y);
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        const auto it = m_windows.find(e->window);
        if (it == m_windows.end())
            return;
        if (it->client) {
            it->gone = true;
            return;
        }
        m_windows.erase(it);
        orphan(e->window, sequence);
        return;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const auto it = m_windows.find(e->window);
        if (it == m_windows.end() || !it->client)
            return;
        if (const auto item = it->items.find(e->atom); item != it->items.end()) {
            item->event(sequence, false);
            if (!isTitle(e->atom))
                m_unsettled.insert(e->window);
        }
        return;
    }
    default:
        return;
    }
}

// --- Reads ---

std::vector<X11WindowStates::Read> X11WindowStates::wanted(bool titles, xcb_window_t client) {
    m_lastState.reset();
    std::vector<Read> out;
    QList<xcb_window_t> visited;
    if (client != XCB_WINDOW_NONE) {
        if (tracks(client))
            wantWindow(client, titles, out, visited);
        return out;
    }
    QList<xcb_window_t> clients;
    if (titles) {
        for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it)
            if (it->client)
                clients.append(it.key());
    } else {
        clients = m_unsettled.values();
    }
    for (xcb_window_t w : clients)
        wantWindow(w, titles, out, visited);
    m_unsettled.removeIf([this](xcb_window_t w) { return isSettled(w); });
    return out;
}

void X11WindowStates::wantWindow(xcb_window_t client, bool titles, std::vector<Read>& out,
                                 QList<xcb_window_t>& visited) {
    if (m_windows[client].gone)
        return;
    // Up the chain of parents as far as it is known.
    xcb_window_t w = client;
    for (int depth = 0; depth < kMaxDepth && w != m_root && !visited.contains(w); ++depth) {
        visited.append(w);
        Window& window = m_windows[w];
        // Watched before it is read, so that no change after the read goes unseen.
        if (!window.watched)
            out.push_back({Read::Watch, w});
        if (window.geometryItem.wanted())
            out.push_back({Read::Geometry, w});
        if (!window.parentItem.current) {
            if (!window.parentItem.asked)
                out.push_back({Read::Parent, w});
            break;
        }
        w = window.parent;
    }
    const Window& c = m_windows[client];
    for (xcb_atom_t atom : m_tracked)
        if ((titles || !isTitle(atom)) && c.items.value(atom).wanted())
            out.push_back({Read::Property, client, atom});
}

void X11WindowStates::sent(const Read& read, quint32 sequence) {
    m_lastState.reset();
    const auto it = m_windows.find(read.window);
    if (it == m_windows.end())
        return;
    switch (read.kind) {
    case Read::Watch:
        it->watched = true;
        break;
    case Read::Parent:
        it->parentItem.asked = sequence;
        break;
    case Read::Geometry:
        it->geometryItem.asked = sequence;
        break;
    case Read::Property:
        if (const auto item = it->items.find(read.atom); item != it->items.end())
            item->asked = sequence;
        break;
    }
}

void X11WindowStates::parentRead(xcb_window_t window, quint32 sequence, std::optional<xcb_window_t> parent) {
    m_lastState.reset();
    const auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    if (!parent) {
        it->parentItem.asked.reset();
        if (it->client) {
            it->gone = true;
        } else {
            m_windows.erase(it);
            orphan(window, sequence);
        }
        return;
    }
    if (!it->parentItem.takeAnswer(sequence))
        return;
    it->parent = *parent;
    // A parent met for the first time is an ancestor to keep and watch.
    if (*parent != m_root && !m_windows.contains(*parent))
        m_windows.insert(*parent, Window{});
    dropUnreachable();
}

void X11WindowStates::geometryRead(xcb_window_t window, quint32 sequence, std::optional<Geometry> geometry) {
    m_lastState.reset();
    const auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    if (!geometry) {
        it->geometryItem.asked.reset();
        if (it->client)
            it->gone = true;
        return;
    }
    if (it->geometryItem.takeAnswer(sequence))
        it->geometry = *geometry;
}

void X11WindowStates::propertyRead(xcb_window_t window, xcb_atom_t atom, quint32 sequence,
                                   std::optional<Property> value) {
    m_lastState.reset();
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || !it->client)
        return;
    const auto item = it->items.find(atom);
    if (item == it->items.end())
        return;
    if (!value) {
        item->asked.reset();
        it->gone = true;
        return;
    }
    if (item->takeAnswer(sequence))
        it->properties.insert(atom, std::move(*value));
}

// --- Answers ---

std::optional<QPoint> X11WindowStates::origin(xcb_window_t window) const {
    QPoint origin;
    xcb_window_t w = window;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        const auto it = m_windows.constFind(w);
        if (it == m_windows.cend() || !it->parentItem.current || !it->geometryItem.current)
            return std::nullopt;
        const Geometry& g = it->geometry;
        origin += QPoint(g.x + g.border, g.y + g.border);
        if (it->parent == m_root)
            return origin;
        w = it->parent;
    }
    return std::nullopt;
}

std::optional<WindowState> X11WindowStates::state(xcb_window_t client) const {
    if (m_lastState && m_lastState->first == client)
        return m_lastState->second;
    auto s = computeState(client);
    if (s)
        m_lastState.emplace(client, *s);
    return s;
}

std::optional<WindowState> X11WindowStates::computeState(xcb_window_t client) const {
    const auto it = m_windows.constFind(client);
    if (it == m_windows.cend() || !it->client || it->gone)
        return std::nullopt;
    for (xcb_atom_t atom : m_tracked)
        if (!isTitle(atom) && !it->items.value(atom).current)
            return std::nullopt;
    const auto topLeft = origin(client);
    if (!topLeft)
        return std::nullopt;
    auto values = [&](xcb_atom_t atom) { return it->properties.value(atom).values(); };
    WindowState s;
    s.client = QRect(*topLeft, QSize(it->geometry.width, it->geometry.height));
    s.decorations = Extents::fromCardinals(values(m_atoms.frameExtents));
    s.shadows = plausibleShadows(Extents::fromCardinals(values(m_atoms.gtkFrameExtents)), s.client.size());
    s.state = values(m_atoms.state);
    s.hints = SizeHints::fromCardinals(values(XCB_ATOM_WM_NORMAL_HINTS));
    // The client's last geometry event and, in a frame, the frame's: the older of the two.
    s.configured = it->geometryItem.touched;
    if (it->parent != m_root) {
        const auto frame = m_windows.constFind(it->parent);
        const auto framed = frame != m_windows.cend() ? frame->geometryItem.touched : std::nullopt;
        if (!framed)
            s.configured.reset();
        else if (s.configured && sequenceAtOrAfter(*s.configured, *framed))
            s.configured = framed;
    }
    return s;
}

std::optional<QString> X11WindowStates::title(xcb_window_t client) const {
    const auto it = m_windows.constFind(client);
    if (it == m_windows.cend() || !it->client || it->gone || !it->items.value(m_atoms.name).current ||
        !it->items.value(XCB_ATOM_WM_NAME).current)
        return std::nullopt;
    const QString name = it->properties.value(m_atoms.name).text();
    return name.isEmpty() ? it->properties.value(XCB_ATOM_WM_NAME).text() : name;
}

} // namespace platform::x11
