#include "X11TaskbarPresence.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <array>
#include <vector>

namespace platform::x11 {

void setTaskbarPresence(QWindow* window, bool shown) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!window || !x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    const auto id = xcb_window_t(window->winId());
    const auto atoms = internAtoms(c, std::array<QByteArray, 3>{"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                                                                "_NET_WM_STATE_SKIP_PAGER"});
    const xcb_atom_t state = atoms[0];
    const std::array<xcb_atom_t, 2> skips = {atoms[1], atoms[2]};
    if (std::find(atoms.begin(), atoms.end(), xcb_atom_t(XCB_ATOM_NONE)) != atoms.end())
        return;

    if (!window->isVisible()) {
        // Unmapped: the window manager reads the property when the window maps.
        XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr));
        std::vector<xcb_atom_t> states;
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
            states.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
        }
        std::erase_if(states, [&](xcb_atom_t a) { return a == skips[0] || a == skips[1]; });
        if (!shown)
            states.insert(states.end(), skips.begin(), skips.end());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                            states.data());
    } else {
        // Mapped: the window manager owns the state and takes requests (EWMH _NET_WM_STATE).
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = state;
        message.data.data32[0] = shown ? 0 : 1; // remove or add
        message.data.data32[1] = skips[0];
        message.data.data32[2] = skips[1];
        message.data.data32[3] = 1; // from an application
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(c);
}

} // namespace platform::x11
