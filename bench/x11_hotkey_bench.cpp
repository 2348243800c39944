// Run by bench/x11_hotkey.sh on a private Xvfb with openbox and Tilewick: times one move of a
// window made by Tilewick's hotkey against the same move made by an openbox key binding, both
// typed through XTest and interleaved, with 1 window and with many open. With --requests FILE
// (an xtrace log of Tilewick's connections) it counts the X requests per hotkey and while idle.
//
// Usage: x11_hotkey_bench --windows N [--samples S] [--requests FILE]

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using quint8 = unsigned char;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// Xvfb's evdev key codes.
constexpr quint8 kAltL = 64, kSuperL = 133, kLeft = 113, kControlL = 37, kShiftL = 50, kF12 = 96;

class Bench {
public:
    Bench() : m_c(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_c)) {
            std::fprintf(stderr, "no X server\n");
            std::exit(1);
        }
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~Bench() { xcb_disconnect(m_c); }

    xcb_atom_t atom(const char* name) {
        auto* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    void set(xcb_window_t w, const char* name, xcb_atom_t type, const std::vector<uint32_t>& v) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(name), type, 32, uint32_t(v.size()),
                            v.data());
    }
    // A managed window of a process of its own (pid made up for the fillers).
    xcb_window_t window(Rect r, uint32_t pid, const char* title) {
        const xcb_window_t w = xcb_generate_id(m_c);
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, int16_t(r.x), int16_t(r.y), uint16_t(r.w),
                          uint16_t(r.h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        set(w, "_NET_WM_PID", XCB_ATOM_CARDINAL, {pid});
        const char cls[] = "bench\0Bench";
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof cls,
                            cls);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(std::strlen(title)), title);
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return w;
    }
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }
    void drain() {
        while (auto* e = xcb_poll_for_event(m_c))
            std::free(e);
    }
    Rect geometry(xcb_window_t w) {
        auto g = xcb_get_geometry(m_c, w);
        auto t = xcb_translate_coordinates(m_c, w, m_root, 0, 0);
        auto* gr = xcb_get_geometry_reply(m_c, g, nullptr);
        auto* tr = xcb_translate_coordinates_reply(m_c, t, nullptr);
        Rect r;
        if (gr && tr)
            r = {tr->dst_x, tr->dst_y, gr->width, gr->height};
        std::free(gr);
        std::free(tr);
        return r;
    }
    // Waits for the window's structure events until it shows `target` (or anything new when
    // `target` is empty); false after two seconds.
    bool awaitGeometry(xcb_window_t w, const Rect& target, Rect* seen = nullptr) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        for (;;) {
            const Rect now = geometry(w);
            if (seen)
                *seen = now;
            if (now == target)
                return true;
            if (Clock::now() > deadline)
                return false;
            if (auto* e = xcb_poll_for_event(m_c)) {
                std::free(e);
                continue;
            }
            // Sleep on the socket until the next event.
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(xcb_get_file_descriptor(m_c), &fds);
            timeval tv{0, 20000};
            select(xcb_get_file_descriptor(m_c) + 1, &fds, nullptr, nullptr, &tv);
        }
    }
    void moveResize(xcb_window_t w, const Rect& r) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom("_NET_MOVERESIZE_WINDOW");
        e.data.data32[0] = 1 | (0xF << 8) | (2 << 12);
        e.data.data32[1] = uint32_t(r.x);
        e.data.data32[2] = uint32_t(r.y);
        e.data.data32[3] = uint32_t(r.w);
        e.data.data32[4] = uint32_t(r.h);
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(m_c);
    }
    void activate(xcb_window_t w) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom("_NET_ACTIVE_WINDOW");
        e.data.data32[0] = 2;
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(m_c);
    }
    xcb_window_t active() {
        auto* r = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        const xcb_window_t w = r && xcb_get_property_value_length(r) >= 4
                                   ? *static_cast<xcb_window_t*>(xcb_get_property_value(r))
                                   : 0;
        std::free(r);
        return w;
    }
    void chord(std::initializer_list<quint8> keys) {
        for (quint8 k : keys)
            xcb_test_fake_input(m_c, XCB_KEY_PRESS, k, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            xcb_test_fake_input(m_c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_root;
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Requests Tilewick sent so far: the client-to-server lines of the xtrace log.
long requestLines(const std::string& path) {
    std::ifstream in(path);
    long n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.size() > 5 && line.compare(3, 3, ":<:") == 0)
            ++n;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    int windows = 1, samples = 150;
    std::string requestLog;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--windows")
            windows = std::atoi(argv[i + 1]);
        else if (a == "--samples")
            samples = std::atoi(argv[i + 1]);
        else if (a == "--requests")
            requestLog = argv[i + 1];
    }
    Bench x;
    // Fillers first, the target last so that it is on top and focused.
    std::vector<xcb_window_t> fillers;
    for (int i = 1; i < windows; ++i)
        fillers.push_back(x.window({40 + i % 300, 40 + i % 200, 300, 200}, 3000000u + uint32_t(i), "filler"));
    const Rect start{300, 200, 500, 400};
    const xcb_window_t target = x.window(start, uint32_t(getpid()), "target");
    x.sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The target in front and focused, however long the window manager takes with the fillers.
    for (int tries = 0; tries < 100 && x.active() != target; ++tries) {
        x.activate(target);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (x.active() != target) {
        std::fprintf(stderr, "the target window never became active\n");
        return 1;
    }
    x.drain();

    // The start: the client where the window manager puts it for the frame at `start`.
    x.moveResize(target, start);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Rect startClient = x.geometry(target);
    const auto reset = [&] {
        // Tilewick's own main window may map late (slowly under xtrace) and take the focus.
        if (x.active() != target)
            x.activate(target);
        x.moveResize(target, start);
        x.awaitGeometry(target, startClient);
        // Let every client, Tilewick included, take in the reset before the next key.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        x.drain();
    };
    const auto tilewickKey = [&] { x.chord({kAltL, kSuperL, kLeft}); };
    const auto openboxKey = [&] { x.chord({kControlL, kShiftL, kF12}); };
    // Where each lands (the same half; a pixel of rounding may differ). A program that has just
    // started takes its keys a moment later: press until the window moves.
    const auto landing = [&](const auto& press) {
        reset();
        const Rect before = x.geometry(target);
        for (int tries = 0; tries < 40 && x.geometry(target) == before; ++tries) {
            press();
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return x.geometry(target);
    };
    const Rect byTilewick = landing(tilewickKey);
    const Rect byOpenbox = landing(openboxKey);
    if (byTilewick == startClient || byOpenbox == startClient) {
        std::fprintf(stderr, "a key did not move the window\n");
        return 1;
    }
    std::printf("windows %d: Tilewick lands at %d,%d %dx%d, openbox at %d,%d %dx%d\n", windows, byTilewick.x,
                byTilewick.y, byTilewick.w, byTilewick.h, byOpenbox.x, byOpenbox.y, byOpenbox.w, byOpenbox.h);

    if (!requestLog.empty()) {
        // X requests per hotkey, and while idle.
        reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        constexpr int kPresses = 20;
        long total = 0;
        for (int i = 0; i < kPresses; ++i) {
            reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const long before = requestLines(requestLog);
            tilewickKey();
            x.awaitGeometry(target, byTilewick);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            total += requestLines(requestLog) - before;
        }
        const long idleBefore = requestLines(requestLog);
        std::this_thread::sleep_for(std::chrono::seconds(6));
        const long idle = requestLines(requestLog) - idleBefore;
        std::printf("windows %d: %.1f X requests per hotkey, %ld in 6 s idle\n", windows,
                    double(total) / kPresses, idle);
        return 0;
    }

    std::vector<double> tilewick, openbox;
    int misses = 0;
    for (int i = 0; i < samples; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool ours = (i + k) % 2 == 0; // alternate which goes first
            reset();
            const auto t0 = Clock::now();
            ours ? tilewickKey() : openboxKey();
            if (!x.awaitGeometry(target, ours ? byTilewick : byOpenbox)) {
                ++misses;
                continue;
            }
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            (ours ? tilewick : openbox).push_back(ms);
        }
    }
    if (tilewick.empty() || openbox.empty()) {
        std::fprintf(stderr, "no samples\n");
        return 1;
    }
    const double tp50 = percentile(tilewick, 0.5), tp95 = percentile(tilewick, 0.95);
    const double op50 = percentile(openbox, 0.5), op95 = percentile(openbox, 0.95);
    std::printf("windows %d, %zu+%zu samples (%d missed): Tilewick p50 %.2f ms p95 %.2f ms | openbox binding "
                "p50 %.2f ms p95 %.2f ms | ratio p50 %.2f p95 %.2f\n",
                windows, tilewick.size(), openbox.size(), misses, tp50, tp95, op50, op95, tp50 / op50,
                tp95 / op95);
    return 0;
}
