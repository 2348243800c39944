#pragma once

// A keyboard for the end-to-end drivers that types through XTest.

#include "E2eTools.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <initializer_list>
#include <iterator>

namespace e2e {

// A keyboard that types through XTest, naming keys by their XKB names ("LALT", "AC01").
class Keys : public TestClient {
public:
    Keys() {
        xkb_x11_setup_xkb_extension(xcb(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr);
        m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        reload();
    }
    ~Keys() {
        xkb_keymap_unref(m_keymap);
        xkb_context_unref(m_context);
    }
    // Reads the keymap again after it changed.
    void reload() {
        xkb_keymap_unref(m_keymap);
        m_keymap = xkb_x11_keymap_new_from_device(
            m_context, xcb(), xkb_x11_get_core_keyboard_device_id(xcb()), XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    quint8 keycode(const char* name) const { return quint8(xkb_keymap_key_by_name(m_keymap, name)); }

    void down(const char* name) { fake(XCB_KEY_PRESS, name); }
    void up(const char* name) { fake(XCB_KEY_RELEASE, name); }
    // Each key goes down in order, then up in reverse order.
    void press(std::initializer_list<const char*> keys) {
        for (const char* key : keys)
            down(key);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            up(*it);
    }

private:
    void fake(quint8 type, const char* name) {
        const quint8 code = keycode(name);
        ASSERT_NE(code, 0) << name;
        xcb_test_fake_input(xcb(), type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        // The server has taken it once it answers.
        std::free(xcb_get_input_focus_reply(xcb(), xcb_get_input_focus(xcb()), nullptr));
    }

    xkb_context* m_context = nullptr;
    xkb_keymap* m_keymap = nullptr;
};

} // namespace e2e
