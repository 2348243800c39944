/* The floor of the X11 hotkey benchmark: the smallest client that moves the active window on a
 * key. It grabs one chord (asynchronously: the keyboard never waits for it), keeps the active
 * window from the root's PropertyNotify, and answers each press with one _NET_MOVERESIZE_WINDOW
 * for a fixed frame, with no round trip on the way. bench/x11_hotkey.sh builds and starts it; it
 * prints "ready" once the grab holds.
 *
 * Usage: x11_floor_client KEYCODE MODIFIERS X Y WIDTH HEIGHT
 *   (X, Y: the frame's top-left corner; WIDTH, HEIGHT: the client's size, as the request takes them) */

#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return atom;
}

static xcb_window_t activeWindow(xcb_connection_t* c, xcb_window_t root, xcb_atom_t active) {
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), NULL);
    xcb_window_t w = XCB_WINDOW_NONE;
    if (r && xcb_get_property_value_length(r) >= 4)
        w = *(xcb_window_t*)xcb_get_property_value(r);
    free(r);
    return w;
}

int main(int argc, char** argv) {
    if (argc != 7) {
        fprintf(stderr, "usage: %s KEYCODE MODIFIERS X Y WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const uint8_t keycode = (uint8_t)atoi(argv[1]);
    const uint16_t modifiers = (uint16_t)atoi(argv[2]);
    const uint32_t frame[4] = {(uint32_t)atoi(argv[3]), (uint32_t)atoi(argv[4]), (uint32_t)atoi(argv[5]),
                               (uint32_t)atoi(argv[6])};

    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t active = intern(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t moveResize = intern(c, "_NET_MOVERESIZE_WINDOW");

    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 0, root, modifiers, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
        fprintf(stderr, "the chord is taken\n");
        return 1;
    }
    xcb_window_t target = activeWindow(c, root, active);
    printf("ready\n");
    fflush(stdout);

    /* North-west gravity, x, y, width and height given, on the user's behalf (a pager's source). */
    xcb_client_message_event_t message;
    memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.type = moveResize;
    message.data.data32[0] = 1 | (0xFu << 8) | (2u << 12);
    memcpy(&message.data.data32[1], frame, sizeof frame);

    xcb_generic_event_t* event;
    while ((event = xcb_wait_for_event(c))) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS && target != XCB_WINDOW_NONE) {
            message.window = target;
            xcb_send_event(c, 0, root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                           (const char*)&message);
            xcb_flush(c);
        } else if (type == XCB_PROPERTY_NOTIFY && ((xcb_property_notify_event_t*)event)->atom == active) {
            target = activeWindow(c, root, active);
        }
        free(event);
    }
    return 0;
}
