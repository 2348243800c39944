#include "X11Pointer.h"

#include "X11Screens.h"

namespace platform::x11 {

X11Pointer::X11Pointer(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Screens> screens)
    : m_x(std::move(connection)), m_screens(std::move(screens)) {}

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

} // namespace platform::x11
