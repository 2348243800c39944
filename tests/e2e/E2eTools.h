#pragma once

// What the end-to-end drivers share: running the X tools, reading a window's frame the way they
// see it, and waiting for other processes.

#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <unistd.h>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace e2e {

// xterm's character cell with the default font: 6 × 13 pixels.
inline const QSize kCell(6, 13);

inline qint32 envPid(const char* name) {
    return qEnvironmentVariableIntValue(name);
}

inline QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

inline QString hex(quint32 window) {
    return QStringLiteral("0x%1").arg(window, 0, 16);
}

// The outer frame of a client window as the X tools see it: xwininfo's client rectangle grown by
// the window manager's _NET_FRAME_EXTENTS.
inline QRect outerFrameOf(quint32 window) {
    const QString info = run("xwininfo", {"-id", hex(window)});
    auto field = [&](const char* name) {
        const auto m = QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(name)).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -99999;
    };
    const QRect client(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                       field("Height"));
    const auto extents = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)")
                             .match(run("xprop", {"-id", hex(window), "_NET_FRAME_EXTENTS"}));
    if (!extents.hasMatch())
        return client;
    const int l = extents.captured(1).toInt(), r = extents.captured(2).toInt();
    const int t = extents.captured(3).toInt(), b = extents.captured(4).toInt();
    return client.adjusted(-l, -t, r, b);
}

// Runs the event loop until `done` or `seconds` pass (waiting for other processes, never for a
// delay of our own). Once done, one more turn: the desktop platform takes in what the X server
// said up to then, as the program's event loop does before it handles the next key.
inline bool waitFor(const std::function<bool()>& done, double seconds = 5.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    QCoreApplication::processEvents();
    return true;
}

// Raises the first window of the application `pid` (waiting for it to be managed) and waits until the
// application is in front.
inline bool bringToFront(const platform::Platform& platform, qint32 pid) {
    auto& ax = platform.service<platform::Accessibility>();
    std::optional<platform::AXElementList> windows;
    // A window just mapped is managed a moment later.
    if (!waitFor([&] {
            windows = ax.elementsAttribute(ax.application(pid), "AXWindows");
            return windows && !windows->isEmpty();
        }))
        return false;
    ax.performAction(windows->first(), "AXRaise");
    return waitFor([&] {
        const auto front = platform.service<platform::Workspace>().frontmostApplication();
        return front && front->pid == pid;
    });
}

// The part of screen `index` (0: "L", 1: "R") windows may fill, in top-left coordinates of the
// 1080-pixel-high private display.
inline QRect visibleArea(const platform::Platform& platform, int index) {
    const auto screens = platform.service<platform::Screens>().screens();
    const QRectF f = screens.value(index).visibleFrame;
    return QRect(int(f.x()), 1080 - int(f.y() + f.height()), int(f.width()), int(f.height()));
}

// The monitor of the private display ("L" or "R", 1280×1080 each) under the centre of `r`.
inline QRect monitorOf(const QRect& r) {
    return QRect(r.center().x() < 1280 ? 0 : 1280, 0, 1280, 1080);
}

// Where a terminal snapped to `target` in the work area `area` keeps its corner: the top-left
// one, but along an axis where the target ends on the area's far edge without starting on its
// near one, the far edge (a right half touches the right edge of the screen).
inline QPoint anchorOf(const QRect& actual, const QRect& target, const QRect& area) {
    QPoint corner = target.topLeft();
    if (target.x() + target.width() == area.x() + area.width() && target.x() != area.x())
        corner.rx() = target.x() + target.width() - actual.width();
    if (target.y() + target.height() == area.y() + area.height() && target.y() != area.y())
        corner.ry() = target.y() + target.height() - actual.height();
    return corner;
}

// Whether a terminal snapped to `target` is there: the size at most the target's and short of
// it by less than one character cell, at its anchored corner in `area` (by default the monitor).
inline bool isSnapped(const QRect& actual, const QRect& target, std::optional<QRect> area = std::nullopt) {
    return actual.topLeft() == anchorOf(actual, target, area.value_or(monitorOf(target))) &&
           actual.width() <= target.width() && actual.width() > target.width() - kCell.width() &&
           actual.height() <= target.height() && actual.height() > target.height() - kCell.height();
}

inline void expectSnapped(const QRect& actual, const QRect& target, const char* step,
                          std::optional<QRect> area = std::nullopt) {
    SCOPED_TRACE(step);
    EXPECT_EQ(actual.topLeft(), anchorOf(actual, target, area.value_or(monitorOf(target))))
        << testing::PrintToString(actual);
    EXPECT_LE(actual.width(), target.width()) << testing::PrintToString(actual);
    EXPECT_GT(actual.width(), target.width() - kCell.width()) << testing::PrintToString(actual);
    EXPECT_LE(actual.height(), target.height()) << testing::PrintToString(actual);
    EXPECT_GT(actual.height(), target.height() - kCell.height()) << testing::PrintToString(actual);
}

// Starts an xterm titled "Snapped" at X geometry `geometry` (as a person would start a terminal
// of the private desktop entry e2e-term) and expects its window at `target` within 25 s, then ends it.
inline void expectTerminalPlaced(const QString& geometry, const QRect& target) {
    QProcess term;
    term.start("xterm", {"-T", "Snapped", "-geometry", geometry});
    ASSERT_TRUE(term.waitForStarted());
    // Its window, once the window manager lists it.
    quint32 window = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            window =
                run("xdotool", {"search", "--name", "^Snapped$"}).trimmed().section(u'\n', 0, 0).toUInt();
            return window != 0;
        },
        10));
    EXPECT_TRUE(waitFor([&] { return isSnapped(outerFrameOf(window), target); }, 25))
        << testing::PrintToString(outerFrameOf(window)) << " instead of " << testing::PrintToString(target);
    term.terminate();
    term.waitForFinished(5000);
}

// A little raw X client of the test's own, for what the X tools cannot do: a panel with a strut,
// a window of this process, and a request to maximise a window.
class TestClient {
public:
    TestClient() : m_c(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~TestClient() { xcb_disconnect(m_c); }
    xcb_connection_t* xcb() const { return m_c; }
    xcb_window_t root() const { return m_root; }

    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    void setCardinals(xcb_window_t w, const char* name, xcb_atom_t type, const std::vector<quint32>& values) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom(name), type, 32, uint32_t(values.size()),
                            values.data());
    }
    // Waits until the server has carried out every request so far.
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }
    std::vector<quint32> values(xcb_window_t w, const char* name) {
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, atom(name), XCB_ATOM_ANY, 0, 65536), nullptr);
        std::vector<quint32> out;
        if (reply && reply->format == 32) {
            const auto* v = static_cast<const quint32*>(xcb_get_property_value(reply));
            out.assign(v, v + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return out;
    }
    // `unmanaged`: override-redirect, a window the window manager leaves alone.
    xcb_window_t createWindow(const QRect& r, bool unmanaged = false) {
        const xcb_window_t w = xcb_generate_id(m_c);
        const quint32 overrideRedirect = 1;
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, unmanaged ? XCB_CW_OVERRIDE_REDIRECT : 0,
                          unmanaged ? &overrideRedirect : nullptr);
        return w;
    }
    void map(xcb_window_t w) {
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
    }
    // A panel `height` pixels high across the top of the left monitor.
    xcb_window_t mapPanel(int height = 30) {
        const auto h = quint32(height);
        const xcb_window_t w = createWindow({0, 0, 1280, height});
        setCardinals(w, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {atom("_NET_WM_WINDOW_TYPE_DOCK")});
        setCardinals(w, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, {0, 0, h, 0, 0, 0, 0, 0, 0, 1279, 0, 0});
        setCardinals(w, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {0, 0, h, 0});
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return w;
    }
    // An ordinary window of this process.
    xcb_window_t mapOwnWindow() {
        const xcb_window_t w = createWindow({400, 400, 300, 200});
        setCardinals(w, "_NET_WM_PID", XCB_ATOM_CARDINAL, {quint32(getpid())});
        const char cls[] = "driver\0Driver";
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof(cls),
                            cls);
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return w;
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(m_c, w);
        xcb_flush(m_c);
    }
    void maximise(xcb_window_t w) {
        changeState(w, true, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
    }
    void changeState(xcb_window_t w, bool add, const char* first, const char* second = nullptr) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom("_NET_WM_STATE");
        e.data.data32[0] = add ? 1 : 0;
        e.data.data32[1] = atom(first);
        e.data.data32[2] = second ? atom(second) : 0;
        e.data.data32[3] = 2;
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(m_c);
    }

private:
    xcb_connection_t* m_c;
    xcb_window_t m_root;
};

} // namespace e2e
