#include "X11FloatingPanel.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <xcb/shape.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace platform::x11 {

namespace {

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The X screen of $DISPLAY, whose compositor owns _NET_WM_CM_S<screen>.
int displayScreen() {
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    return screen;
}

} // namespace

xcb_atom_t X11FloatingPanel::atom(xcb_connection_t* c, const char* name) const {
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void X11FloatingPanel::prepare(QWindow* window) {
    xcb_connection_t* c = qtConnection();
    if (!window || !c)
        return;
    const auto id = xcb_window_t(window->winId());
    if (m_windowType == XCB_ATOM_NONE) {
        m_windowType = atom(c, "_NET_WM_WINDOW_TYPE");
        m_notification = atom(c, "_NET_WM_WINDOW_TYPE_NOTIFICATION");
    }

    // Only before the window maps does the window manager take this as "leave it alone".
    if (!window->isVisible()) {
        const uint32_t overrideRedirect = 1;
        xcb_change_window_attributes(c, id, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    }
    if (m_windowType != XCB_ATOM_NONE && m_notification != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, m_windowType, XCB_ATOM_ATOM, 32, 1,
                            &m_notification);

    // No rectangles in the input shape: the pointer passes through the whole window.
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
    if (shape && shape->present) {
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0, 0,
                             nullptr);
    } else {
        static bool said = false;
        if (!said)
            std::fputs(
                "The X server has no Shape extension: the floating keyboard takes the clicks over it.\n",
                stderr);
        said = true;
    }
    xcb_flush(c);
}

void X11FloatingPanel::raise(QWindow* window) {
    xcb_connection_t* c = qtConnection();
    if (!window || !c)
        return;
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, xcb_window_t(window->winId()), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
}

bool X11FloatingPanel::showsTranslucency(QWindow* window) const {
    xcb_connection_t* c = qtConnection();
    if (!window || !c)
        return false;
    if (m_compositorSelection == XCB_ATOM_NONE)
        m_compositorSelection = atom(c, ("_NET_WM_CM_S" + std::to_string(displayScreen())).c_str());
    // Both questions go out before either answer is read: one round trip.
    const auto geometry = xcb_get_geometry(c, xcb_window_t(window->winId()));
    const auto owner = xcb_get_selection_owner(c, m_compositorSelection);
    XcbReply<xcb_get_geometry_reply_t> depth(xcb_get_geometry_reply(c, geometry, nullptr));
    XcbReply<xcb_get_selection_owner_reply_t> compositor(xcb_get_selection_owner_reply(c, owner, nullptr));
    return depth && depth->depth == 32 && compositor && compositor->owner != XCB_WINDOW_NONE;
}

qreal X11FloatingPanel::scaleOf(const QRect& screen) const {
    const QPoint middle = screen.center();
    for (const QScreen* s : QGuiApplication::screens()) {
        const qreal ratio = s->devicePixelRatio();
        const QRect pixels(s->geometry().topLeft(), (QSizeF(s->geometry().size()) * ratio).toSize());
        if (pixels.contains(middle) && ratio > 0)
            return ratio;
    }
    return 1;
}

} // namespace platform::x11
