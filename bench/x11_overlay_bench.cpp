// Run by bench/x11_overlay.sh on a private desktop: how long after Alt+Super go down (typed through
// XTest) the floating keyboard's window maps, over many rounds; and how long until it has faded in
// (its pixels as they stay). The first includes the 0.12 s the design waits on purpose.
// Usage: x11_overlay_bench --tilewick PID [--samples N]

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr double kDesignedDelay = 0.12;

template <typename T> struct Reply {
    T* p;
    explicit Reply(T* reply) : p(reply) {}
    ~Reply() { std::free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

class Desktop {
public:
    Desktop() : m_c(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        xkb_x11_setup_xkb_extension(m_c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr);
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        xkb_keymap* keymap = xkb_x11_keymap_new_from_device(
            context, m_c, xkb_x11_get_core_keyboard_device_id(m_c), XKB_KEYMAP_COMPILE_NO_FLAGS);
        m_alt = uint8_t(xkb_keymap_key_by_name(keymap, "LALT"));
        m_super = uint8_t(xkb_keymap_key_by_name(keymap, "LWIN"));
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
        const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &events);
        m_pidAtom = atom("_NET_WM_PID");
        sync();
    }
    ~Desktop() { xcb_disconnect(m_c); }

    void modifiers(bool down) {
        const uint8_t type = down ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
        for (uint8_t key : down ? std::vector<uint8_t>{m_alt, m_super} : std::vector<uint8_t>{m_super, m_alt})
            xcb_test_fake_input(m_c, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }
    void drain() {
        sync();
        while (auto* e = xcb_poll_for_event(m_c))
            std::free(e);
    }
    // The next window of `pid` that maps (true) or unmaps (false), within `seconds`.
    std::optional<xcb_window_t> await(bool map, int pid, double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            while (auto* e = xcb_poll_for_event(m_c)) {
                const uint8_t type = e->response_type & 0x7f;
                xcb_window_t w = XCB_WINDOW_NONE;
                if (map && type == XCB_MAP_NOTIFY)
                    w = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
                if (!map && type == XCB_UNMAP_NOTIFY)
                    w = reinterpret_cast<xcb_unmap_notify_event_t*>(e)->window;
                std::free(e);
                if (w != XCB_WINDOW_NONE && pidOf(w) == pid)
                    return w;
            }
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            poll(&fd, 1, 5);
        }
        return std::nullopt;
    }
    // The alpha of one pixel of a 32-bit window; -1 when unreadable.
    int alpha(xcb_window_t w, int x, int y) {
        Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            m_c, xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, int16_t(x), int16_t(y), 1, 1, ~0u),
            nullptr));
        if (!image || image->depth != 32)
            return -1;
        return xcb_get_image_data(image.p)[3];
    }

private:
    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> r(
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    int pidOf(xcb_window_t w) {
        Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (!r || xcb_get_property_value_length(r.p) != 4)
            return 0;
        return int(*static_cast<uint32_t*>(xcb_get_property_value(r.p)));
    }
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

    xcb_connection_t* m_c;
    xcb_window_t m_root;
    uint8_t m_alt = 0, m_super = 0;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
};

void print(const char* what, std::vector<double> ms, int missed) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("  %-44s no samples (%d missed)\n", what, missed);
        return;
    }
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * double(ms.size())))]; };
    std::printf("  %-44s p50 %7.2f ms  p95 %7.2f ms  (%zu samples, %d missed)\n", what, at(0.5), at(0.95),
                ms.size(), missed);
}

} // namespace

int main(int argc, char** argv) {
    int pid = 0, samples = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--tilewick")
            pid = std::atoi(argv[i + 1]);
        else if (std::string(argv[i]) == "--samples")
            samples = std::atoi(argv[i + 1]);
    }
    if (!pid) {
        std::fputs("usage: x11_overlay_bench --tilewick PID [--samples N]\n", stderr);
        return 2;
    }
    Desktop desktop;
    std::vector<double> mapped, beyond, painted;
    int missed = 0;
    for (int round = 0; round < samples + 1; ++round) {
        desktop.drain();
        const auto start = Clock::now();
        desktop.modifiers(true);
        const auto window = desktop.await(true, pid, 2.0);
        const double map = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        // Faded in: a point of the keyboard within 3 of the alpha it ends at. Until the program
        // first paints, a new window holds what the screen showed (the corner is not clear yet).
        std::vector<std::pair<double, int>> seen;
        while (window && Clock::now() - start < std::chrono::milliseconds(450)) {
            const int corner = desktop.alpha(*window, 0, 0);
            seen.emplace_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                              corner == 0 ? desktop.alpha(*window, 700, 30) : -1);
        }
        const int final = seen.empty() ? -1 : seen.back().second;
        const auto in =
            std::find_if(seen.begin(), seen.end(), [&](const auto& s) { return s.second >= final - 3; });
        const bool full = final > 0 && in != seen.end();
        const double paint = full ? in->first : 0;
        desktop.modifiers(false);
        if (window)
            desktop.await(false, pid, 2.0);
        if (round == 0) // the first show makes the window and loads the keyboard
            continue;
        if (!window || !full) {
            ++missed;
        } else {
            mapped.push_back(map);
            beyond.push_back(map - kDesignedDelay * 1000);
            painted.push_back(paint);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::printf("floating keyboard, %d rounds after the first:\n", samples);
    print("keys down -> window mapped", mapped, missed);
    print("  of which beyond the designed 0.12 s", beyond, missed);
    print("keys down -> faded in (0.1 s fade)", painted, missed);
    return 0;
}
