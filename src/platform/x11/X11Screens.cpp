#include "X11Screens.h"

#include <xcb/randr.h>

#include <QSet>

#include <cstdlib>

namespace platform::x11 {

X11Screens::X11Screens(std::shared_ptr<X11Connection> connection) : m_x(std::move(connection)) {
    m_announced = screens();
    connect(m_x.get(), &X11Connection::monitorsChanged, this, &X11Screens::refresh);
    connect(m_x.get(), &X11Connection::panelsChanged, this, &X11Screens::refresh);
}

QPoint X11Screens::primaryOrigin() const {
    std::lock_guard lock(m_mutex);
    updateLocked();
    return m_monitors.isEmpty() ? QPoint() : m_monitors.first().rect.topLeft();
}

QList<ScreenInfo> X11Screens::screens() const {
    std::lock_guard lock(m_mutex);
    updateLocked();
    return m_screens;
}

void X11Screens::refresh() {
    const QList<ScreenInfo> fresh = screens();
    if (fresh == m_announced)
        return;
    m_announced = fresh;
    emit screensChanged();
}

void X11Screens::updateLocked() const {
    const quint64 monitors = m_x->monitorsGeneration();
    const quint64 panels = m_x->panelsGeneration();
    if (monitors == m_monitorsGeneration && panels == m_panelsGeneration)
        return;
    if (monitors != m_monitorsGeneration)
        m_monitors = readMonitors();
    m_monitorsGeneration = monitors;
    m_panelsGeneration = panels;
    m_screens.clear();
    const QSize root = m_x->rootSize();
    if (root.isEmpty() || m_monitors.isEmpty())
        return;
    const auto p = m_x->panels();
    const QRect primary = m_monitors.first().rect;
    QSet<QString> uuids;
    for (const Monitor& m : m_monitors) {
        ScreenInfo info;
        info.frame = screenRect(m.rect, primary);
        info.visibleFrame = screenRect(visibleArea(m.rect, p.struts, root, p.workarea), primary);
        info.displayID = m.id;
        const QString edidTitle = edidName(m.edid);
        info.name = edidTitle.isEmpty() ? m.name : edidTitle;
        const QByteArray key = displayIdentityKey(m.edid, m.name);
        info.uuid = displayUuid(key);
        // Two that claim the same serial number are still two displays.
        if (uuids.contains(info.uuid))
            info.uuid = displayUuid(key + "@" + m.name.toUtf8());
        uuids.insert(info.uuid);
        m_screens.append(info);
    }
}

QList<X11Screens::Monitor> X11Screens::readMonitors() const {
    QList<Monitor> list;
    QList<bool> marked;
    QList<xcb_randr_output_t> outputs;
    xcb_connection_t* c = m_x->xcb();
    if (!m_x->hasRandr()) {
        const QSize root = m_x->rootSize();
        if (!root.isEmpty()) {
            list.append({QRect(QPoint(0, 0), root), XCB_ATOM_NONE, QStringLiteral("Screen 1"), {}});
            marked.append(true);
            outputs.append(XCB_NONE);
        }
    } else {
        XcbReply<xcb_randr_get_monitors_reply_t> reply(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_x->root(), 1), nullptr));
        m_x->repliesTaken();
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const auto* m = it.data;
                const QRect rect(m->x, m->y, m->width, m->height);
                if (rect.isEmpty())
                    continue;
                list.append({rect, m->name, {}, {}});
                marked.append(m->primary != 0);
                // The first output showing it, if any.
                outputs.append(m->nOutput > 0 ? xcb_randr_monitor_info_outputs(m)[0] : XCB_NONE);
            }
        }
    }
    // Names and EDIDs in one round trip.
    std::vector<std::optional<xcb_get_atom_name_cookie_t>> nameCookies;
    std::vector<std::optional<xcb_randr_get_output_property_cookie_t>> edidCookies;
    for (qsizetype i = 0; i < list.size(); ++i) {
        nameCookies.push_back(list[i].id ? std::optional(xcb_get_atom_name(c, list[i].id)) : std::nullopt);
        edidCookies.push_back(outputs[i] && m_x->atoms().edid
                                  ? std::optional(xcb_randr_get_output_property(
                                        c, outputs[i], m_x->atoms().edid, XCB_ATOM_ANY, 0, 256, 0, 0))
                                  : std::nullopt);
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (const auto& cookie = nameCookies[size_t(i)]) {
            XcbReply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, *cookie, nullptr));
            if (name)
                list[i].name = QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                                   xcb_get_atom_name_name_length(name.get()));
        }
        if (list[i].name.isEmpty())
            list[i].name = QStringLiteral("Screen %1").arg(i + 1);
        if (const auto& cookie = edidCookies[size_t(i)]) {
            XcbReply<xcb_randr_get_output_property_reply_t> prop(
                xcb_randr_get_output_property_reply(c, *cookie, nullptr));
            if (prop && prop->format == 8)
                list[i].edid =
                    QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(prop.get())),
                               xcb_randr_get_output_property_data_length(prop.get()));
        }
    }
    m_x->repliesTaken();

    // The primary monitor first: the one RandR marks, else the one at the root's origin, else the
    // first.
    qsizetype primary = marked.indexOf(true);
    for (qsizetype i = 0; i < list.size() && primary < 0; ++i)
        if (list[i].rect.contains(QPoint(0, 0)))
            primary = i;
    if (primary > 0)
        list.move(primary, 0);
    return list;
}

} // namespace platform::x11
