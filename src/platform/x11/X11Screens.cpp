#include "X11Screens.h"

#include <xcb/randr.h>

#include <QSet>

#include <cstdlib>

namespace platform::x11 {

struct X11Screens::Monitor {
    QRect rect;
    xcb_atom_t name = XCB_ATOM_NONE;
    bool primary = false;
    xcb_randr_output_t output = XCB_NONE; // the first output showing it, if any
};

X11Screens::X11Screens(std::shared_ptr<X11Connection> connection) : m_x(std::move(connection)) {
    m_last = screens();
    connect(m_x.get(), &X11Connection::monitorsChanged, this, &X11Screens::refresh);
    connect(m_x.get(), &X11Connection::rootPropertiesChanged, this, [this](const QList<quint32>& atoms) {
        // Panels come and go with the client list; the work area follows their struts.
        const auto* e = m_x->ewmh();
        if (atoms.contains(e->_NET_CLIENT_LIST) || atoms.contains(e->_NET_WORKAREA))
            refresh();
    });
}

QPoint X11Screens::primaryOrigin() const {
    qsizetype primary = -1;
    const auto list = monitors(primary);
    return primary < 0 ? QPoint() : list[primary].rect.topLeft();
}

void X11Screens::refresh() {
    const QList<ScreenInfo> fresh = screens();
    {
        std::lock_guard lock(m_mutex);
        if (fresh == m_last)
            return;
        m_last = fresh;
    }
    emit screensChanged();
}

QList<X11Screens::Monitor> X11Screens::monitors(qsizetype& primary) const {
    primary = -1;
    QList<Monitor> list;
    if (!m_x->hasRandr()) {
        const QSize root = m_x->rootSize();
        if (!root.isEmpty())
            list.append({QRect(QPoint(0, 0), root)});
    } else {
        xcb_connection_t* c = m_x->xcb();
        XcbReply<xcb_randr_get_monitors_reply_t> reply(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_x->root(), 1), nullptr));
        m_x->repliesTaken();
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const auto* m = it.data;
                Monitor monitor{QRect(m->x, m->y, m->width, m->height), m->name, m->primary != 0};
                if (m->nOutput > 0)
                    monitor.output = xcb_randr_monitor_info_outputs(m)[0];
                if (!monitor.rect.isEmpty())
                    list.append(monitor);
            }
        }
    }
    // The primary monitor: the one RandR marks, else the one at the root's origin, else the first.
    for (qsizetype i = 0; i < list.size() && primary < 0; ++i)
        if (list[i].primary)
            primary = i;
    for (qsizetype i = 0; i < list.size() && primary < 0; ++i)
        if (list[i].rect.contains(QPoint(0, 0)))
            primary = i;
    if (primary < 0 && !list.isEmpty())
        primary = 0;
    return list;
}

QList<ScreenInfo> X11Screens::screens() const {
    xcb_connection_t* c = m_x->xcb();
    const xcb_window_t root = m_x->root();
    const QSize rootSize = m_x->rootSize();
    qsizetype primary = -1;
    const QList<Monitor> monitors = this->monitors(primary);
    if (rootSize.isEmpty() || monitors.isEmpty())
        return {};

    // Names, EDIDs and the panels' struts, in one round trip.
    std::vector<xcb_get_atom_name_cookie_t> nameCookies;
    std::vector<std::optional<xcb_randr_get_output_property_cookie_t>> edidCookies;
    for (const auto& m : monitors) {
        nameCookies.push_back(xcb_get_atom_name(c, m.name));
        if (m.output && m_x->atoms().edid)
            edidCookies.push_back(
                xcb_randr_get_output_property(c, m.output, m_x->atoms().edid, XCB_ATOM_ANY, 0, 256, 0, 0));
        else
            edidCookies.emplace_back();
    }
    const auto* e = m_x->ewmh();
    QList<Strut> struts;
    if (const auto list = m_x->property(root, e->_NET_CLIENT_LIST)) {
        std::vector<X11Connection::PropertyRead> reads;
        for (quint32 w : list->values()) {
            reads.push_back({w, e->_NET_WM_STRUT_PARTIAL});
            reads.push_back({w, e->_NET_WM_STRUT});
        }
        const auto props = m_x->properties(reads);
        for (size_t i = 0; i + 1 < props.size(); i += 2) {
            auto strut = props[i] ? Strut::fromPartial(props[i]->values()) : std::nullopt;
            if (!strut && props[i + 1])
                strut = Strut::fromFull(props[i + 1]->values(), rootSize);
            if (strut)
                struts.append(*strut);
        }
    }
    QStringList names;
    QList<QByteArray> edids;
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        XcbReply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, nameCookies[size_t(i)], nullptr));
        names.append(name ? QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                                xcb_get_atom_name_name_length(name.get()))
                          : QStringLiteral("Screen %1").arg(i + 1));
        QByteArray edid;
        if (const auto& cookie = edidCookies[size_t(i)]) {
            XcbReply<xcb_randr_get_output_property_reply_t> prop(
                xcb_randr_get_output_property_reply(c, *cookie, nullptr));
            if (prop && prop->format == 8)
                edid =
                    QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(prop.get())),
                               xcb_randr_get_output_property_data_length(prop.get()));
        }
        edids.append(edid);
    }
    m_x->repliesTaken();

    QList<ScreenInfo> result;
    const QRect primaryRect = monitors[primary].rect;
    QList<qsizetype> order{primary};
    for (qsizetype i = 0; i < monitors.size(); ++i)
        if (i != primary)
            order.append(i);
    QSet<QString> uuids;
    for (qsizetype i : order) {
        const Monitor& m = monitors[i];
        ScreenInfo info;
        info.frame = screenRect(m.rect, primaryRect);
        info.visibleFrame = screenRect(visibleArea(m.rect, struts, rootSize), primaryRect);
        info.displayID = m.name;
        const QString edidTitle = edidName(edids[i]);
        info.name = edidTitle.isEmpty() ? names[i] : edidTitle;
        // The EDID follows the display from port to port; two of the same model without serial
        // numbers are told apart by where they are connected.
        const QByteArray key = edids[i].isEmpty() ? "monitor:" + names[i].toUtf8() : edids[i];
        info.uuid = displayUuid(key);
        if (uuids.contains(info.uuid))
            info.uuid = displayUuid(key + names[i].toUtf8());
        uuids.insert(info.uuid);
        result.append(info);
    }
    return result;
}

} // namespace platform::x11
