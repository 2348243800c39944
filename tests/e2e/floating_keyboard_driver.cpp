// Run by floating_keyboard.sh on a private X server (two monitors "L" and "R" of 1280×1080, a window
// manager, xcompmgr, and an xterm on "R" in front that writes what it reads, mouse reports included,
// to $E2E_TYPED) with the program running (pid $E2E_TILEWICK_PID). Keys and clicks go through XTest;
// everything is read back from the X server: map and unmap events, the window's attributes, shapes and
// stacking, and the pixels of the floating keyboard's own window.

#include "E2eKeys.h"

#include "platform/x11/X11Connection.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <csignal>
#include <cstring>

using namespace e2e;
using platform::x11::XcbReply;
using Clock = std::chrono::steady_clock;

namespace {

// The floating keyboard on a 1280 × 1080 monitor: 1094 wide (1.0125 × 1080, rounded), 410.21 high,
// centred on the monitor, its middle 270 above the bottom edge: on "R" from (1373, 604.9).
const QRect kOnRight(1373, 605, 1094, 411);

QByteArray typed() {
    QFile file(qEnvironmentVariable("E2E_TYPED"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class FloatingKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by floating_keyboard.sh";
        const quint32 events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_watch.xcb(), m_watch.root(), XCB_CW_EVENT_MASK, &events);
        m_watch.sync();
    }
    void TearDown() override {
        m_keys.up("LWIN");
        m_keys.up("LALT");
    }

    xcb_connection_t* c() const { return m_watch.xcb(); }

    bool compositorRuns() {
        XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c(), xcb_get_selection_owner(c(), m_watch.atom("_NET_WM_CM_S0")), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }

    // Holds Alt+Super until release(); the floating keyboard's window once it maps, and how long
    // after the keys that was. None when nothing of the program mapped within 3 s.
    std::optional<std::pair<xcb_window_t, double>> hold() {
        drain();
        const auto start = Clock::now();
        m_keys.down("LALT");
        m_keys.down("LWIN");
        std::optional<std::pair<xcb_window_t, double>> shown;
        waitFor(
            [&] {
                while (auto* event = xcb_poll_for_event(c())) {
                    if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                        const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                        if (map->override_redirect && isProgramWindow(map->window))
                            shown = std::pair(map->window, since(start));
                    }
                    std::free(event);
                }
                return shown.has_value();
            },
            3.0);
        return shown;
    }
    void release() {
        m_keys.up("LWIN");
        m_keys.up("LALT");
    }
    bool unmapped(xcb_window_t window) {
        return waitFor([&] {
            XcbReply<xcb_get_window_attributes_reply_t> a(
                xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr));
            return a && a->map_state == XCB_MAP_STATE_UNMAPPED;
        });
    }
    void drain() {
        m_watch.sync();
        while (auto* event = xcb_poll_for_event(c()))
            std::free(event);
    }
    bool isProgramWindow(xcb_window_t window) {
        const auto pid = m_watch.values(window, "_NET_WM_PID");
        return !pid.empty() && qint32(pid[0]) == envPid("E2E_TILEWICK_PID");
    }

    QRect geometry(xcb_window_t window) {
        XcbReply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(c(), xcb_get_geometry(c(), window), nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            c(), xcb_translate_coordinates(c(), window, m_watch.root(), 0, 0), nullptr));
        return g && at ? QRect(at->dst_x, at->dst_y, g->width, g->height) : QRect();
    }
    int shapeRectangles(xcb_window_t window, xcb_shape_kind_t kind) {
        XcbReply<xcb_shape_get_rectangles_reply_t> r(
            xcb_shape_get_rectangles_reply(c(), xcb_shape_get_rectangles(c(), window, kind), nullptr));
        return r ? int(r->rectangles_len) : -1;
    }
    // The window lets what lies below show at a point of its own: outside its shape (drawn
    // opaque), else transparent there.
    bool seeThrough(xcb_window_t window, QPoint at) {
        XcbReply<xcb_shape_get_rectangles_reply_t> r(xcb_shape_get_rectangles_reply(
            c(), xcb_shape_get_rectangles(c(), window, XCB_SHAPE_SK_BOUNDING), nullptr));
        if (!r)
            return false;
        const auto* rects = xcb_shape_get_rectangles_rectangles(r.get());
        const bool inShape = std::any_of(rects, rects + r->rectangles_len, [&](const xcb_rectangle_t& s) {
            return QRect(s.x, s.y, s.width, s.height).contains(at);
        });
        return !inShape || alphaAt(window, at) == 0;
    }
    xcb_window_t topmost() {
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c(), xcb_query_tree(c(), m_watch.root()), nullptr));
        if (!tree || tree->children_len == 0)
            return XCB_WINDOW_NONE;
        return xcb_query_tree_children(tree.get())[tree->children_len - 1];
    }
    // The window's own pixels (a 32-bit window: alpha and premultiplied colour).
    QImage pixels(xcb_window_t window, const QRect& area) {
        XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c(),
            xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr));
        if (!image || image->depth != 32)
            return {};
        return QImage(xcb_get_image_data(image.get()), area.width(), area.height(),
                      QImage::Format_ARGB32_Premultiplied)
            .copy();
    }
    int alphaAt(xcb_window_t window, QPoint at) {
        const QImage image = pixels(window, QRect(at, QSize(1, 1)));
        return image.isNull() ? -1 : qAlpha(image.pixel(0, 0));
    }
    // What the screen shows at a point, a compositor's work included.
    std::optional<QRgb> onScreen(QPoint at) {
        XcbReply<xcb_get_image_reply_t> image(
            xcb_get_image_reply(c(),
                                xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, m_watch.root(), int16_t(at.x()),
                                              int16_t(at.y()), 1, 1, ~0u),
                                nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < 4)
            return std::nullopt;
        QRgb pixel;
        std::memcpy(&pixel, xcb_get_image_data(image.get()), sizeof pixel);
        return pixel | 0xff000000u;
    }
    // For people: the window's pixels and the screen under it, when $E2E_SHOTS names a folder.
    void keepPicture(xcb_window_t window, const QString& name) {
        const QString folder = qEnvironmentVariable("E2E_SHOTS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        pixels(window, QRect(QPoint(), geometry(window).size())).save(folder + "/" + name + "-window.png");
        const QRect area = geometry(window);
        XcbReply<xcb_get_image_reply_t> screen(xcb_get_image_reply(
            c(),
            xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, m_watch.root(), int16_t(area.x()),
                          int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr));
        if (screen)
            QImage(xcb_get_image_data(screen.get()), area.width(), area.height(), QImage::Format_RGB32)
                .save(folder + "/" + name + "-screen.png");
    }

    void expectLandingSeen(xcb_window_t panel);

    TestClient m_watch;
    Keys m_keys;
};

TEST_F(FloatingKeyboardTest, ShownWhileTheModifiersAreHeldClickThroughAndHidden) {
    ASSERT_TRUE(waitFor([&] { return compositorRuns(); }));
    const auto shown = hold();
    ASSERT_TRUE(shown) << "holding Alt+Super mapped no window of the program";
    const auto [window, after] = *shown;
    EXPECT_GE(after, 0.12) << "shown before its delay";
    EXPECT_LT(after, 1.0);

    EXPECT_EQ(geometry(window), kOnRight) << "on the monitor of the focused terminal";
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr));
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->override_redirect) << "the window manager leaves it alone";
    EXPECT_EQ(shapeRectangles(window, XCB_SHAPE_SK_INPUT), 0) << "clicks pass through";
    EXPECT_EQ(topmost(), window) << "above every other window";
    EXPECT_EQ(m_watch.values(window, "_NET_WM_WINDOW_TYPE"),
              std::vector<quint32>{m_watch.atom("_NET_WM_WINDOW_TYPE_NOTIFICATION")});
    // Drawn with its alpha once faded in: the backing, and nothing outside the rounded corners.
    // (Until the program first paints it, a new window holds what the screen showed there.)
    EXPECT_TRUE(waitFor([&] { return alphaAt(window, {0, 0}) == 0 && alphaAt(window, {700, 30}) > 180; }));
    keepPicture(window, "shown");

    // A click on the terminal under it reaches the terminal (as a mouse report).
    const QByteArray before = typed();
    const QPoint onTerminal(1700, 800);
    ASSERT_TRUE(kOnRight.contains(onTerminal));
    xcb_test_fake_input(c(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_watch.root(), int16_t(onTerminal.x()),
                        int16_t(onTerminal.y()), 0);
    xcb_test_fake_input(c(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    m_watch.sync();
    EXPECT_TRUE(waitFor([&] { return typed().mid(before.size()).contains("\x1b[M"); }))
        << "the terminal got no click: " << typed().mid(before.size()).toHex().toStdString();

    release();
    EXPECT_TRUE(unmapped(window)) << "still shown after the modifiers went up";
}

TEST_F(FloatingKeyboardTest, ASnapWhileShownLeavesAHoleThatClosesAgain) {
    ASSERT_TRUE(waitFor([&] { return compositorRuns(); }));
    const auto shown = hold();
    ASSERT_TRUE(shown);
    const xcb_window_t window = shown->first;
    ASSERT_TRUE(waitFor([&] { return alphaAt(window, {0, 0}) == 0 && alphaAt(window, {300, 200}) > 180; }));

    // Alt+Super+Left: the terminal fills the left half of "R" (x 1280 to 1920), under the
    // keyboard's left part (to x 547 of the window).
    const auto start = Clock::now();
    m_keys.down("LEFT");
    m_keys.up("LEFT");
    ASSERT_TRUE(waitFor([&] { return alphaAt(window, {300, 200}) == 0; }, 1.0)) << "no hole opened";
    const double opened = since(start);
    keepPicture(window, "hole");
    EXPECT_GT(alphaAt(window, {800, 200}), 180) << "the rest stays";
    EXPECT_EQ(alphaAt(window, {540, 200}), 0);
    // Open for 0.5 s, shut 0.5 s later.
    EXPECT_TRUE(waitFor([&] { return alphaAt(window, {300, 200}) > 180; }, 2.0)) << "the hole stayed open";
    EXPECT_GT(since(start), opened + 0.5);
    release();
    EXPECT_TRUE(unmapped(window));
}

// The terminal goes to the top half of "R", above the keyboard, then grows into the left half,
// under the keyboard's left part: where the hole opens the screen shows the terminal itself
// (its empty background, white), never the desktop behind it, until the hole starts to close.
void FloatingKeyboardTest::expectLandingSeen(xcb_window_t panel) {
    const auto terminal = xcb_window_t(envPid("E2E_TERMINAL"));
    m_keys.press({"UP"});
    ASSERT_TRUE(waitFor([&] {
        const QRect frame = outerFrameOf(terminal);
        return frame.width() > 1200 && frame.bottom() < kOnRight.top();
    })) << "the terminal did not go to the top half";
    const QPoint point(1600, 800), reference(1600, 300);
    ASSERT_TRUE(kOnRight.contains(point) && !kOnRight.contains(reference));

    m_keys.press({"LEFT"});
    const auto start = Clock::now();
    std::optional<double> opened;
    QList<std::pair<double, std::optional<QRgb>>> seen;
    while (since(start) < 0.45) {
        if (!opened && seeThrough(panel, point - kOnRight.topLeft()))
            opened = since(start);
        if (opened)
            seen.append({since(start), onScreen(point)});
    }
    ASSERT_TRUE(opened) << "no hole opened at the point";
    const auto window = onScreen(reference);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window == QRgb(0xffffffff)) << "the terminal's own pixels: " << std::hex << *window;
    // One frame of the compositor's may pass before the window's pixels are up.
    int shown = 0;
    for (const auto& [at, pixel] : seen) {
        if (at > *opened + 0.05) {
            EXPECT_TRUE(pixel == window) << "at " << at << " s the hole shows " << std::hex
                                         << pixel.value_or(0) << ", not the terminal";
        }
        shown += pixel == window;
    }
    EXPECT_GT(shown, 0);
}

TEST_F(FloatingKeyboardTest, AWindowGrowingUnderItIsSeenThroughTheHole) {
    ASSERT_TRUE(waitFor([&] { return compositorRuns(); }));
    const auto shown = hold();
    ASSERT_TRUE(shown);
    ASSERT_TRUE(waitFor([&] { return alphaAt(shown->first, {300, 200}) > 180; }));
    expectLandingSeen(shown->first);
    release();
    EXPECT_TRUE(unmapped(shown->first));
}

TEST_F(FloatingKeyboardTest, WithoutACompositorItIsOpaqueAndShaped) {
    ::kill(envPid("E2E_COMPOSITOR_PID"), SIGTERM);
    ASSERT_TRUE(waitFor([&] { return !compositorRuns(); }));
    const auto shown = hold();
    ASSERT_TRUE(shown);
    const xcb_window_t window = shown->first;
    // The rounded outline is the window's shape: many rectangles, none at the corner.
    EXPECT_GT(shapeRectangles(window, XCB_SHAPE_SK_BOUNDING), 1);
    EXPECT_EQ(shapeRectangles(window, XCB_SHAPE_SK_INPUT), 0);
    EXPECT_EQ(geometry(window), kOnRight);
    keepPicture(window, "opaque");
    expectLandingSeen(window);
    release();
    EXPECT_TRUE(unmapped(window));
}

} // namespace
