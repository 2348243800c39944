#pragma once

// Passive key grabs through XInput 2 on the root window for the master keyboard, as Mutter
// holds its keybindings (the core protocol's grabs do not clash with them).

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace e2e {

// Announces XInput 2 (the server refuses its requests before that) and finds the master
// keyboard; 0 without XInput 2.
inline xcb_input_device_id_t xi2MasterKeyboard(xcb_connection_t* c) {
    std::free(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    auto* reply = xcb_input_xi_query_device_reply(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL_MASTER), nullptr);
    xcb_input_device_id_t id = 0;
    if (reply) {
        for (auto it = xcb_input_xi_query_device_infos_iterator(reply); it.rem && !id;
             xcb_input_xi_device_info_next(&it))
            if (it.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_KEYBOARD)
                id = it.data->deviceid;
    }
    std::free(reply);
    return id;
}

// Grabs `keycode` with each of `modifiers` (XCB_INPUT_MODIFIER_MASK_ANY: with any); true when
// the server grants every one.
inline bool xi2GrabKey(xcb_connection_t* c, xcb_window_t root, xcb_input_device_id_t keyboard,
                       uint8_t keycode, const std::vector<uint32_t>& modifiers) {
    const uint32_t mask = XCB_INPUT_XI_EVENT_MASK_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_KEY_RELEASE;
    xcb_generic_error_t* error = nullptr;
    auto* reply = xcb_input_xi_passive_grab_device_reply(
        c,
        xcb_input_xi_passive_grab_device(c, XCB_CURRENT_TIME, root, XCB_CURSOR_NONE, keycode, keyboard,
                                         uint16_t(modifiers.size()), 1, XCB_INPUT_GRAB_TYPE_KEYCODE,
                                         XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_MODE_22_ASYNC,
                                         XCB_INPUT_GRAB_OWNER_NO_OWNER, &mask, modifiers.data()),
        &error);
    // The reply lists the modifiers it could not grab for.
    const bool granted = reply && !error && reply->num_modifiers == 0;
    std::free(reply);
    std::free(error);
    return granted;
}

inline void xi2UngrabKey(xcb_connection_t* c, xcb_window_t root, xcb_input_device_id_t keyboard,
                         uint8_t keycode, const std::vector<uint32_t>& modifiers) {
    std::free(xcb_request_check(
        c, xcb_input_xi_passive_ungrab_device_checked(c, root, keycode, keyboard, uint16_t(modifiers.size()),
                                                      XCB_INPUT_GRAB_TYPE_KEYCODE, modifiers.data())));
}

} // namespace e2e
