#include "X11Pointer.h"

#include "X11Screens.h"

#include <xcb/xinput.h>

namespace platform::x11 {

X11Pointer::X11Pointer(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Screens> screens)
    : m_x(std::move(connection)), m_screens(std::move(screens)) {
    xcb_connection_t* c = m_x->xcb();
    const auto* xi = xcb_get_extension_data(c, &xcb_input_id);
    if (xi && xi->present) {
        // Raw events reach the root window whoever holds a grab from XInput 2.1 on.
        XcbReply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
        if (version && (version->major_version > 2 || version->minor_version >= 1)) {
            m_xiOpcode = xi->major_opcode;
            // All devices, not all master devices: the event tap selects its raw keys for those on
            // the same window, and a second selection for them would replace its mask.
            struct {
                xcb_input_event_mask_t head;
                quint32 bits;
            } mask{{XCB_INPUT_DEVICE_ALL, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
            xcb_input_xi_select_events(c, m_x->root(), 1, &mask.head);
            m_x->flush();
        }
    }
    m_x->repliesTaken();
    if (!m_xiOpcode)
        qWarning("Tilewick: the X server has no XInput 2.1; clicks cannot stop windows being put back");
    readMapping();
    m_eventHandler = m_x->addEventHandler([this](const xcb_generic_event_t* event) { handleEvent(event); });
}

std::optional<QPointF> X11Pointer::location() const {
    const auto screens = m_screens->screens();
    if (screens.isEmpty() || !m_x->isUsable())
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_x->xcb(), xcb_query_pointer(m_x->xcb(), m_x->root()), &error));
    std::free(error);
    m_x->repliesTaken();
    // Not on this screen of the display: nowhere that can be told.
    if (!reply || !reply->same_screen)
        return std::nullopt;
    const QPoint origin = m_screens->primaryOrigin();
    // Screen coordinates run upwards from the primary screen's bottom edge.
    return QPointF(reply->root_x - origin.x(), screens.first().frame.bottom() - (reply->root_y - origin.y()));
}

quint32 X11Pointer::buttonsOf(quint16 serverMask) {
    quint32 buttons = 0;
    if (serverMask & XCB_BUTTON_MASK_1)
        buttons |= 1;
    if (serverMask & XCB_BUTTON_MASK_3)
        buttons |= 2;
    if (serverMask & XCB_BUTTON_MASK_2)
        buttons |= 4;
    return buttons;
}

quint32 X11Pointer::pressedButtons() const {
    if (!m_x->isUsable())
        return 0;
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_x->xcb(), xcb_query_pointer(m_x->xcb(), m_x->root()), &error));
    std::free(error);
    m_x->repliesTaken();
    return reply ? buttonsOf(reply->mask) : 0;
}

bool X11Pointer::isPrimary(quint32 button, const QList<quint8>& map) {
    if (button == 0)
        return false;
    if (button > quint32(map.size()))
        return button == 1;
    return map[qsizetype(button) - 1] == 1;
}

void X11Pointer::readMapping() {
    xcb_connection_t* c = m_x->xcb();
    XcbReply<xcb_get_pointer_mapping_reply_t> reply(
        xcb_get_pointer_mapping_reply(c, xcb_get_pointer_mapping(c), nullptr));
    m_x->repliesTaken();
    QList<quint8> map;
    if (reply) {
        const quint8* entries = xcb_get_pointer_mapping_map(reply.get());
        map = QList<quint8>(entries, entries + xcb_get_pointer_mapping_map_length(reply.get()));
    }
    std::lock_guard lock(m_mutex);
    m_mapping = map;
}

std::shared_ptr<void> X11Pointer::addLeftMouseDownMonitor(std::function<void()> handler) {
    if (!m_xiOpcode)
        return nullptr;
    auto monitor = std::make_shared<std::function<void()>>(std::move(handler));
    std::lock_guard lock(m_mutex);
    std::erase_if(m_monitors, [](const auto& weak) { return weak.expired(); });
    m_monitors.push_back(monitor);
    return monitor;
}

void X11Pointer::handleEvent(const xcb_generic_event_t* event) {
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        // Left-handed users swap the buttons: which physical one is primary changes with it.
        if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request == XCB_MAPPING_POINTER)
            readMapping();
        return;
    }
    if (type != XCB_GE_GENERIC || !m_xiOpcode)
        return;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != m_xiOpcode || generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
        return;
    // Raw events name the physical button, before the mapping.
    const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
    std::vector<std::shared_ptr<std::function<void()>>> monitors;
    {
        std::lock_guard lock(m_mutex);
        if (!isPrimary(raw->detail, m_mapping))
            return;
        for (const auto& weak : m_monitors)
            if (auto monitor = weak.lock())
                monitors.push_back(monitor);
    }
    for (const auto& monitor : monitors)
        (*monitor)();
}

} // namespace platform::x11
