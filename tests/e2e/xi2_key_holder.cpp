// Holds one key through an XInput 2 passive grab, as Mutter holds its keybindings, until its
// standard input closes; then it quits, and the grab ends with its connection.
// Usage: xi2_key_holder <keycode> <modifier mask | any>
// Says "held" on stdout once the grab holds; "refused" and status 1 when another client holds it.

#include "Xi2Grab.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xi2_key_holder <keycode> <modifier mask | any>\n");
        return 2;
    }
    const auto keycode = uint8_t(std::strtoul(argv[1], nullptr, 0));
    const uint32_t modifiers = std::strcmp(argv[2], "any") == 0 ? uint32_t(XCB_INPUT_MODIFIER_MASK_ANY)
                                                                : std::strtoul(argv[2], nullptr, 0);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "xi2_key_holder: no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_input_device_id_t keyboard = e2e::xi2MasterKeyboard(c);
    if (!keyboard || !e2e::xi2GrabKey(c, root, keyboard, keycode, {modifiers})) {
        std::printf("refused\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    xcb_disconnect(c);
    return 0;
}
