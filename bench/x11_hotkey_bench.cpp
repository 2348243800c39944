// Run by bench/x11_hotkey.sh on a private Xvfb with openbox, Tilewick and the floor client: times
// one move of a window to the left half of its monitor made three ways, each typed through XTest:
// Tilewick's hotkey (Alt+Super+Left), the floor client (Control+Shift+F11: the least any client
// can do, one request per key and nothing read on the way) and an openbox key binding
// (Control+Shift+F12, MoveResizeTo). The ways take turns sample by sample, each first, second and
// last equally often. Before every sample the window is put back and given the focus, and every
// client has taken in the change.
//
// A sample runs from the key press to the event that shows the window in place (the window
// manager's synthetic ConfigureNotify, or any event after which the server reports the window
// there).
//
// With --counts FILE (an xtrace log of Tilewick's connections) it presses Tilewick's hotkey alone
// and prints the X requests per hotkey and while idle, and the stretches of time (CLOCK_REALTIME)
// of the presses and of the idle time, for the script to count Tilewick's system calls in.
//
// With --main-window open, Tilewick's main window stays open behind the window moved; closed (the
// default) closes it first, as people mostly use the program.
//
// Usage: x11_hotkey_bench --windows N --tilewick PID --floor PATH [--samples S] [--counts FILE]
//                         [--main-window open|closed]

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Keycode = unsigned char;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// Xvfb's evdev key codes.
constexpr Keycode kAltL = 64, kSuperL = 133, kLeft = 113, kControlL = 37, kShiftL = 50, kF11 = 95, kF12 = 96;
// The floor client's chord: Control+Shift (X modifier bits) with F11.
constexpr int kFloorModifiers = 4 | 1;

double sinceEpoch() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class Bench {
public:
    Bench() : m_c(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_c)) {
            std::fprintf(stderr, "no X server\n");
            std::exit(1);
        }
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        m_active = atom("_NET_ACTIVE_WINDOW");
        m_clientList = atom("_NET_CLIENT_LIST");
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
    }
    ~Bench() { xcb_disconnect(m_c); }

    xcb_atom_t atom(const char* name) {
        auto* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    std::vector<uint32_t> values(xcb_window_t w, xcb_atom_t property) {
        auto* r = xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, property, XCB_ATOM_ANY, 0, 4096),
                                         nullptr);
        std::vector<uint32_t> out;
        if (r && r->format == 32) {
            const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r));
            out.assign(v, v + xcb_get_property_value_length(r) / 4);
        }
        std::free(r);
        return out;
    }
    // A managed window of a process of its own (pid made up for the fillers).
    xcb_window_t window(Rect r, uint32_t pid, const char* title) {
        const xcb_window_t w = xcb_generate_id(m_c);
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, int16_t(r.x), int16_t(r.y), uint16_t(r.w),
                          uint16_t(r.h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                            &pid);
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
    // Waits for the window to show `target`; the time the event that showed it arrived, none
    // after two seconds. Only the window's ConfigureNotify events count: a synthetic one (the
    // window manager's) carries the place in root coordinates, a real one is checked with the
    // server.
    std::optional<Clock::time_point> awaitGeometry(xcb_window_t w, const Rect& target) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        for (;;) {
            xcb_generic_event_t* e = xcb_poll_for_event(m_c);
            if (!e) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                if (left.count() <= 0)
                    return std::nullopt;
                pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
                ::poll(&fd, 1, int(left.count()));
                continue;
            }
            const auto arrived = Clock::now();
            bool matched = false, real = false;
            do {
                const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
                if ((e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && configure->window == w) {
                    if (e->response_type & 0x80)
                        matched = matched || Rect{configure->x, configure->y, configure->width,
                                                  configure->height} == target;
                    else
                        real = true;
                }
                std::free(e);
            } while ((e = xcb_poll_for_queued_event(m_c)));
            if (matched || (real && geometry(w) == target))
                return arrived;
        }
    }
    void clientMessage(xcb_window_t w, xcb_atom_t type, const std::array<uint32_t, 5>& data) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = type;
        std::copy(data.begin(), data.end(), e.data.data32);
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(m_c);
    }
    // The frame at `frame`'s top-left corner, the client of `frame`'s size.
    void moveResize(xcb_window_t w, const Rect& frame) {
        clientMessage(w, atom("_NET_MOVERESIZE_WINDOW"),
                      {1 | (0xF << 8) | (2 << 12), uint32_t(frame.x), uint32_t(frame.y), uint32_t(frame.w),
                       uint32_t(frame.h)});
    }
    xcb_window_t active() {
        const auto v = values(m_root, m_active);
        return v.empty() ? 0 : v.front();
    }
    // Gives `w` the focus and waits until the window manager says it has it, asking again every
    // half second; false after `seconds`.
    bool focus(xcb_window_t w, int seconds = 5) {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        auto asked = Clock::time_point();
        while (active() != w) {
            const auto now = Clock::now();
            if (now > deadline)
                return false;
            if (now - asked > std::chrono::milliseconds(500)) {
                clientMessage(w, m_active, {2, XCB_CURRENT_TIME, 0, 0, 0});
                asked = now;
            }
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&fd, 1, 20);
            drain();
        }
        return true;
    }
    std::vector<xcb_window_t> clientsOf(uint32_t pid) {
        std::vector<xcb_window_t> out;
        const xcb_atom_t pidAtom = atom("_NET_WM_PID");
        for (uint32_t w : values(m_root, m_clientList))
            if (const auto p = values(w, pidAtom); !p.empty() && p.front() == pid)
                out.push_back(w);
        return out;
    }
    // The windows of `pid` once one has shown; none after `seconds`.
    std::vector<xcb_window_t> awaitWindowsOf(uint32_t pid, int seconds) {
        std::vector<xcb_window_t> windows;
        for (int i = 0; i < seconds * 10 && (windows = clientsOf(pid)).empty(); ++i)
            pause(100);
        return windows;
    }
    // Closes every window of `pid` as a user would; false when none showed within `seconds`.
    bool closeWindowsOf(uint32_t pid, int seconds) {
        const std::vector<xcb_window_t> windows = awaitWindowsOf(pid, seconds);
        if (windows.empty())
            return false;
        for (xcb_window_t w : windows)
            clientMessage(w, atom("_NET_CLOSE_WINDOW"), {0, 2, 0, 0, 0});
        for (int i = 0; i < 50 && !clientsOf(pid).empty(); ++i)
            pause(100);
        return clientsOf(pid).empty();
    }
    void chord(const std::array<Keycode, 3>& keys) {
        for (Keycode k : keys)
            xcb_test_fake_input(m_c, XCB_KEY_PRESS, k, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            xcb_test_fake_input(m_c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_root;
    xcb_atom_t m_active;
    xcb_atom_t m_clientList;
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

struct Way {
    const char* name;
    std::array<Keycode, 3> keys;
    Rect landing;
    std::vector<double> ms;
    int missed = 0;
};

} // namespace

int main(int argc, char** argv) {
    int windows = 1, samples = 150;
    uint32_t tilewickPid = 0;
    std::string floorClient, countsLog, mainWindow = "closed";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--windows")
            windows = std::atoi(argv[i + 1]);
        else if (a == "--samples")
            samples = std::atoi(argv[i + 1]);
        else if (a == "--tilewick")
            tilewickPid = uint32_t(std::atoi(argv[i + 1]));
        else if (a == "--floor")
            floorClient = argv[i + 1];
        else if (a == "--counts")
            countsLog = argv[i + 1];
        else if (a == "--main-window")
            mainWindow = argv[i + 1];
    }
    if (!tilewickPid || (countsLog.empty() && floorClient.empty()) ||
        (mainWindow != "open" && mainWindow != "closed")) {
        std::fprintf(stderr, "usage: x11_hotkey_bench --windows N --tilewick PID --floor PATH [--samples S] "
                             "[--counts FILE] [--main-window open|closed]\n");
        return 2;
    }
    Bench x;
    // Open, the main window lies behind the window moved (made later, on top) and shows each
    // hotkey's tab and flash.
    if (mainWindow == "open" ? x.awaitWindowsOf(tilewickPid, 30).empty()
                             : !x.closeWindowsOf(tilewickPid, 30)) {
        std::fprintf(stderr, "Tilewick's main window never showed or never closed\n");
        return 1;
    }
    // Fillers first, the target last so that it is on top.
    for (int i = 1; i < windows; ++i)
        x.window({40 + i % 300, 40 + i % 200, 300, 200}, 3000000u + uint32_t(i), "filler");
    const Rect start{300, 200, 500, 400};
    const xcb_window_t target = x.window(start, uint32_t(getpid()), "target");
    x.sync();
    pause(500);
    // However long the window manager takes with the fillers.
    if (!x.focus(target, 60)) {
        std::fprintf(stderr, "the target window never became active\n");
        return 1;
    }
    x.moveResize(target, start);
    pause(300);
    const Rect startClient = x.geometry(target);
    // The window back at the start and focused, and every client (Tilewick included) has taken
    // that in before the next key.
    const auto reset = [&] {
        x.moveResize(target, start);
        x.awaitGeometry(target, startClient);
        x.focus(target);
        pause(30);
        x.drain();
    };
    // Where a way lands. A program that has just started takes its keys a moment later: press
    // until the window moves.
    const auto landing = [&](const Way& way) {
        reset();
        for (int tries = 0; tries < 40 && x.geometry(target) == startClient; ++tries) {
            x.chord(way.keys);
            pause(250);
        }
        pause(300);
        return x.geometry(target);
    };

    std::vector<Way> ways{{"Tilewick", {kAltL, kSuperL, kLeft}, {}, {}},
                          {"floor", {kControlL, kShiftL, kF11}, {}, {}},
                          {"openbox", {kControlL, kShiftL, kF12}, {}, {}}};
    ways[0].landing = landing(ways[0]);
    if (ways[0].landing == startClient) {
        std::fprintf(stderr, "Tilewick's hotkey did not move the window\n");
        return 1;
    }

    if (!countsLog.empty()) {
        // X requests and the stretches of time of each hotkey, then of the same time idle.
        constexpr int kPresses = 20;
        constexpr int kQuietMs = 200, kAfterMs = 300;
        long total = 0;
        double pressed = 0;
        for (int i = 0; i < kPresses; ++i) {
            reset();
            pause(kQuietMs);
            const long before = requestLines(countsLog);
            const double from = sinceEpoch();
            x.chord(ways[0].keys);
            x.awaitGeometry(target, ways[0].landing);
            pause(kAfterMs);
            const double to = sinceEpoch();
            std::printf("stretch press %.6f %.6f\n", from, to);
            pressed += to - from;
            total += requestLines(countsLog) - before;
        }
        const long idleBefore = requestLines(countsLog);
        const double from = sinceEpoch();
        pause(int(pressed * 1000));
        std::printf("stretch idle %.6f %.6f\n", from, sinceEpoch());
        const long idle = requestLines(countsLog) - idleBefore;
        std::printf("windows %d: %.1f X requests per hotkey, %ld in %.1f s idle\n", windows,
                    double(total) / kPresses, idle, pressed);
        return 0;
    }

    // The floor client makes exactly Tilewick's request: its frame corner and client size.
    const auto extents = x.values(target, x.atom("_NET_FRAME_EXTENTS"));
    const int left = extents.size() == 4 ? int(extents[0]) : 0,
              top = extents.size() == 4 ? int(extents[2]) : 0;
    const Rect& t = ways[0].landing;
    const std::string args[] = {floorClient,
                                std::to_string(kF11),
                                std::to_string(kFloorModifiers),
                                std::to_string(t.x - left),
                                std::to_string(t.y - top),
                                std::to_string(t.w),
                                std::to_string(t.h)};
    std::vector<char*> argvFloor;
    for (const auto& a : args)
        argvFloor.push_back(const_cast<char*>(a.c_str()));
    argvFloor.push_back(nullptr);
    pid_t floorPid = 0;
    if (posix_spawn(&floorPid, floorClient.c_str(), nullptr, nullptr, argvFloor.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", floorClient.c_str());
        return 1;
    }
    pause(500);
    for (size_t i = 1; i < ways.size(); ++i) {
        ways[i].landing = landing(ways[i]);
        if (ways[i].landing == startClient) {
            std::fprintf(stderr, "the %s key did not move the window\n", ways[i].name);
            kill(floorPid, SIGTERM);
            return 1;
        }
    }
    std::printf("windows %d: the left half is %d,%d %dx%d by Tilewick, %d,%d %dx%d by the floor, %d,%d %dx%d "
                "by openbox\n",
                windows, ways[0].landing.x, ways[0].landing.y, ways[0].landing.w, ways[0].landing.h,
                ways[1].landing.x, ways[1].landing.y, ways[1].landing.w, ways[1].landing.h, ways[2].landing.x,
                ways[2].landing.y, ways[2].landing.w, ways[2].landing.h);

    // Every order of the three ways in turn.
    std::array<int, 3> order{0, 1, 2};
    for (int i = 0; i < samples; ++i) {
        for (int k : order) {
            Way& way = ways[size_t(k)];
            reset();
            const auto t0 = Clock::now();
            x.chord(way.keys);
            const auto arrived = x.awaitGeometry(target, way.landing);
            if (!arrived) {
                ++way.missed;
                continue;
            }
            way.ms.push_back(std::chrono::duration<double, std::milli>(*arrived - t0).count());
        }
        std::next_permutation(order.begin(), order.end());
    }
    kill(floorPid, SIGTERM);
    waitpid(floorPid, nullptr, 0);

    for (const Way& way : ways)
        if (way.ms.empty()) {
            std::fprintf(stderr, "no samples of %s\n", way.name);
            return 1;
        }
    std::printf("windows %d, main window %s, %d rounds:\n", windows, mainWindow.c_str(), samples);
    for (const Way& way : ways)
        std::printf("  %-9s p50 %5.2f ms  p95 %5.2f ms  (%zu samples, %d missed)\n", way.name,
                    percentile(way.ms, 0.5), percentile(way.ms, 0.95), way.ms.size(), way.missed);
    for (size_t other : {1, 2})
        std::printf("  Tilewick/%-7s p50 %.3f  p95 %.3f\n", ways[other].name,
                    percentile(ways[0].ms, 0.5) / percentile(ways[other].ms, 0.5),
                    percentile(ways[0].ms, 0.95) / percentile(ways[other].ms, 0.95));
    return 0;
}
