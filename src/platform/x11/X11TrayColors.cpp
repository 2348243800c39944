#include "X11TrayColors.h"

#include <QSocketNotifier>

namespace platform::x11 {

std::optional<QColor> trayIconColor(const Property& colors) {
    if (colors.type != XCB_ATOM_CARDINAL)
        return std::nullopt;
    const QList<quint32> values = colors.values();
    if (values.size() < 3)
        return std::nullopt;
    // Each component is a 16-bit value; anything above is not ours to guess at.
    const auto component = [](quint32 value) { return quint16(std::min<quint32>(value, 0xFFFF)); };
    return QColor(
        QRgba64::fromRgba64(component(values[0]), component(values[1]), component(values[2]), 0xFFFF));
}

std::shared_ptr<X11TrayColors> X11TrayColors::open() {
    int screen = 0;
    xcb_connection_t* xcb = xcb_connect(nullptr, &screen);
    if (!xcb)
        return nullptr;
    if (xcb_connection_has_error(xcb)) {
        xcb_disconnect(xcb);
        return nullptr;
    }
    return std::shared_ptr<X11TrayColors>(new X11TrayColors(xcb, screen));
}

X11TrayColors::X11TrayColors(xcb_connection_t* xcb, int screenNumber) : m_xcb(xcb) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    const auto atoms =
        internAtoms(xcb, std::array<QByteArray, 3>{"_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber),
                                                   "MANAGER", "_NET_SYSTEM_TRAY_COLORS"});
    m_selection = atoms[0];
    m_manager = atoms[1];
    m_colors = atoms[2];
    // A new tray manager announces itself to the root window's structure listeners.
    const quint32 rootMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(xcb, m_root, XCB_CW_EVENT_MASK, &rootMask);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(xcb), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11TrayColors::readEvents);
    followManager();
}

X11TrayColors::~X11TrayColors() {
    delete m_notifier;
    xcb_disconnect(m_xcb);
}

void X11TrayColors::followManager() {
    // Watch the owner first, then ask again: an owner that went meanwhile is not watched for
    // nothing, and one that came is found.
    for (int attempt = 0; attempt < 3; ++attempt) {
        XcbReply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(m_xcb, xcb_get_selection_owner(m_xcb, m_selection), nullptr));
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        if (owner != XCB_WINDOW_NONE && owner != m_owner) {
            const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_xcb, owner, XCB_CW_EVENT_MASK, &mask);
        }
        const bool settled = owner == m_owner;
        m_owner = owner;
        if (settled)
            break;
    }
    readColors();
}

void X11TrayColors::readColors() {
    std::optional<QColor> color;
    if (m_owner != XCB_WINDOW_NONE) {
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_xcb, xcb_get_property(m_xcb, 0, m_owner, m_colors, XCB_ATOM_CARDINAL, 0, 12), nullptr));
        if (reply) {
            Property property;
            property.type = reply->type;
            property.format = reply->format;
            property.data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                       xcb_get_property_value_length(reply.get()));
            color = trayIconColor(property);
        }
    }
    if (color == m_color)
        return;
    m_color = color;
    emit changed();
}

void X11TrayColors::readEvents() {
    // Replies waited for below may bring events along; they are taken in the next round.
    for (bool fromSocket = true;; fromSocket = false) {
        bool owner = false, colors = false;
        for (XcbReply<xcb_generic_event_t> event{fromSocket ? xcb_poll_for_event(m_xcb)
                                                            : xcb_poll_for_queued_event(m_xcb)};
             event; event.reset(xcb_poll_for_queued_event(m_xcb))) {
            switch (event->response_type & 0x7f) {
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
                if (message->type == m_manager && message->data.data32[1] == m_selection)
                    owner = true;
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get())->window == m_owner)
                    owner = true;
                break;
            case XCB_PROPERTY_NOTIFY: {
                const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
                if (notify->window == m_owner && notify->atom == m_colors)
                    colors = true;
                break;
            }
            default:
                break;
            }
        }
        if (xcb_connection_has_error(m_xcb)) {
            // A lost connection would keep the socket readable for ever.
            m_notifier->setEnabled(false);
            return;
        }
        if (owner)
            followManager();
        else if (colors)
            readColors();
        else
            return;
    }
}

} // namespace platform::x11
