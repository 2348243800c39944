#include "platform/x11/X11Geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

using namespace platform::x11;

namespace {

// Two 1280×1080 monitors side by side on a 2560×1080 root window.
const QSize kRoot(2560, 1080);
const QRect kLeft(0, 0, 1280, 1080);
const QRect kRight(1280, 0, 1280, 1080);

} // namespace

TEST(X11GeometryTest, RootRectanglesBecomeBottomLeftScreenRectanglesOfThePrimary) {
    // Primary at the origin: a rectangle at the top of it sits high in screen coordinates.
    EXPECT_EQ(screenRect(QRect(0, 0, 1280, 1080), kLeft), QRectF(0, 0, 1280, 1080));
    EXPECT_EQ(screenRect(QRect(0, 30, 1280, 1050), kLeft), QRectF(0, 0, 1280, 1050));
    // A taller monitor to the right of the primary reaches below its bottom edge.
    EXPECT_EQ(screenRect(QRect(1280, 0, 1920, 1200), kLeft), QRectF(1280, -120, 1920, 1200));

    // The primary need not be at the root origin: everything is relative to it.
    const QRect primary(1280, 200, 1920, 1080);
    EXPECT_EQ(screenRect(primary, primary), QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(screenRect(QRect(0, 0, 1280, 1024), primary), QRectF(-1280, 256, 1280, 1024));
    EXPECT_EQ(topLeftPoint(QPoint(1380, 230), primary.topLeft()), QPointF(100, 30));
    EXPECT_EQ(rootPoint(QPointF(100, 30), primary.topLeft()), QPoint(1380, 230));
    EXPECT_EQ(rootPoint(QPointF(-0.6, 10.5), QPoint()), QPoint(-1, 11));
}

TEST(X11GeometryTest, PixelSizesRejectWhatXCannotHold) {
    EXPECT_EQ(pixelSize(QSizeF(640.4, 480.5)), QSize(640, 481));
    EXPECT_FALSE(pixelSize(QSizeF(-1, 10)));
    EXPECT_FALSE(pixelSize(QSizeF(std::numeric_limits<double>::quiet_NaN(), 10)));
    EXPECT_FALSE(pixelSize(QSizeF(10, std::numeric_limits<double>::infinity())));
    EXPECT_FALSE(pixelSize(QSizeF(40000, 10)));
}

TEST(X11GeometryTest, OuterFramesAddDecorationsAndRemoveShadowsBothWays) {
    const Extents openbox{1, 1, 20, 5};
    const QRect client(101, 120, 484, 316);
    EXPECT_EQ(outerFrame(client, openbox, {}), QRect(100, 100, 486, 341));
    EXPECT_EQ(clientFrame(QRect(100, 100, 486, 341), openbox, {}), client);

    // Client-side decorations: the client window includes a shadow the user does not see.
    const Extents shadow{23, 23, 15, 31};
    const QRect csd(200, 100, 846, 646);
    EXPECT_EQ(outerFrame(csd, {}, shadow), QRect(223, 115, 800, 600));
    EXPECT_EQ(clientFrame(QRect(223, 115, 800, 600), {}, shadow), csd);
    EXPECT_EQ(outerGrowth(openbox, shadow), QSize(-44, -21));

    // Shadows that leave no client area are not believed (they would send the window off-screen).
    EXPECT_EQ(plausibleShadows(shadow, csd.size()), shadow);
    EXPECT_EQ(plausibleShadows({500, 500, 500, 500}, QSize(400, 300)), Extents{});
    EXPECT_EQ(plausibleShadows({10, 10, 150, 150}, QSize(400, 300)), Extents{});

    EXPECT_EQ(Extents::fromCardinals({1, 2, 3}), Extents{});
    EXPECT_EQ(Extents::fromCardinals({1, 2, 3, 4}), (Extents{1, 2, 3, 4}));
    EXPECT_EQ(Extents::fromCardinals({0xFFFFFFFFu, 2, 3, 4}), (Extents{0, 2, 3, 4}));
}

TEST(X11GeometryTest, SizeIncrementsRoundDownFromTheBaseSize) {
    // xterm: base 4×4, minimum 10×17, increments 6×13.
    const SizeHints xterm =
        SizeHints::fromCardinals({16 | 64 | 256, 0, 0, 0, 0, 10, 17, 0, 0, 6, 13, 0, 0, 0, 0, 4, 4, 1});
    EXPECT_EQ(xterm.minimum, QSize(10, 17));
    EXPECT_EQ(xterm.base, QSize(4, 4));
    EXPECT_EQ(xterm.increment, QSize(6, 13));
    EXPECT_FALSE(xterm.isFixedSize());

    // Left half of a 1280×1080 monitor minus openbox's decorations (2×25): whole cells only,
    // never more than was asked for.
    EXPECT_EQ(acceptedSize(QSize(1278, 1055), xterm), QSize(1276, 1044));
    // Already a whole number of cells: unchanged.
    EXPECT_EQ(acceptedSize(QSize(484, 316), xterm), QSize(484, 316));
    // Below the minimum: the minimum (a whole cell count above it when needed).
    EXPECT_EQ(acceptedSize(QSize(1, 1), xterm), QSize(10, 17));

    // Without a base size the minimum is the base.
    SizeHints noBase;
    noBase.minimum = QSize(20, 20);
    noBase.increment = QSize(10, 10);
    EXPECT_EQ(acceptedSize(QSize(47, 20), noBase), QSize(40, 20));
    // Without a minimum the base is the minimum.
    SizeHints noMin;
    noMin.base = QSize(5, 5);
    noMin.increment = QSize(10, 10);
    EXPECT_EQ(acceptedSize(QSize(2, 38), noMin), QSize(5, 35));

    // A maximum caps the size; minimum equal to maximum is a fixed size.
    SizeHints fixed;
    fixed.minimum = fixed.maximum = QSize(300, 200);
    EXPECT_TRUE(fixed.isFixedSize());
    EXPECT_EQ(acceptedSize(QSize(1280, 1080), fixed), QSize(300, 200));

    // No hints at all: any size of at least one pixel.
    EXPECT_EQ(acceptedSize(QSize(0, 777), SizeHints{}), QSize(1, 777));
    // A truncated property gives no hints.
    EXPECT_EQ(SizeHints::fromCardinals({16, 0, 0}).minimum, QSize(0, 0));
}

TEST(X11GeometryTest, ScreenRectanglesGoBackToWholeRootPixels) {
    EXPECT_EQ(rootRect(QRectF(0, 0, 1280, 1050), kLeft), QRect(0, 30, 1280, 1050));
    EXPECT_EQ(rootRect(screenRect(QRect(1280, 0, 1920, 1200), kLeft), kLeft), QRect(1280, 0, 1920, 1200));
    const QRect primary(1280, 200, 1920, 1080);
    EXPECT_EQ(rootRect(QRectF(-1280, 256, 1280, 1024), primary), QRect(0, 0, 1280, 1024));
}

TEST(X11GeometryTest, AWindowShortOfItsCellKeepsToTheWorkAreasFarEdges) {
    // A work area 1049 pixels high below a 31-pixel panel on the left monitor, the right one whole.
    const QList<QRect> areas{QRect(0, 31, 1280, 1049), kRight};
    const QSize terminal(634, 515);
    // Left half: at its top-left corner, short at the right and the bottom... unless the cell
    // reaches the bottom without starting at the top.
    EXPECT_EQ(anchoredPosition(QRect(0, 31, 640, 1049), terminal, areas), QPoint(0, 31));
    // Right half: its right edge on the work area's.
    EXPECT_EQ(anchoredPosition(QRect(640, 31, 640, 1049), terminal, areas), QPoint(646, 31));
    // Bottom right quarter: right and bottom edges on the work area's; top right: the right only.
    EXPECT_EQ(anchoredPosition(QRect(640, 556, 640, 524), terminal, areas), QPoint(646, 565));
    EXPECT_EQ(anchoredPosition(QRect(640, 31, 640, 525), terminal, areas), QPoint(646, 31));
    // A middle third touches neither far edge; a cell of the whole width keeps its left edge.
    EXPECT_EQ(anchoredPosition(QRect(427, 31, 426, 1049), terminal, areas), QPoint(427, 31));
    EXPECT_EQ(anchoredPosition(QRect(0, 31, 1280, 1049), QSize(1276, 1040), areas), QPoint(0, 31));
    // On the right monitor its own edges count, not the left monitor's.
    EXPECT_EQ(anchoredPosition(QRect(1920, 540, 640, 540), terminal, areas), QPoint(1926, 565));
    EXPECT_EQ(anchoredPosition(QRect(1280, 540, 640, 540), terminal, areas), QPoint(1280, 565));
    // Larger than the cell (a minimum size): still ending on the edge, so it stays on the screen.
    EXPECT_EQ(anchoredPosition(QRect(1180, 31, 100, 1049), QSize(120, 1049), areas), QPoint(1160, 31));
    // Outside every work area, or none known: the top-left corner.
    EXPECT_EQ(anchoredPosition(QRect(3000, 0, 640, 540), terminal, areas), QPoint(3000, 0));
    EXPECT_EQ(anchoredPosition(QRect(640, 31, 640, 1049), terminal, {}), QPoint(640, 31));
}

TEST(X11GeometryTest, AClientKeptOnTheScreenIsCutToWhatIsLeftOfTheAskedRectangle) {
    // Left half of a work area below a 30-pixel panel, for a client whose shadows are 26, 26,
    // 23 and 29 pixels wide: the client asked for starts left of and above the work area.
    const QRect asked(-26, 7, 692, 822);
    // Moved onto the work area whole: what lies inside the asked rectangle is kept, so the
    // visible frame ends where the asked one ends, inside its cell.
    EXPECT_EQ(keptWithin(asked, QRect(0, 30, 692, 822)), QRect(0, 30, 666, 799));
    // Pushed in and shrunk to fit as well.
    EXPECT_EQ(keptWithin(asked, QRect(0, 30, 692, 770)), QRect(0, 30, 666, 770));
    // A right half pushed to the left: its left edge stays where asked.
    EXPECT_EQ(keptWithin(QRect(614, 7, 692, 822), QRect(588, 30, 692, 770)), QRect(614, 30, 666, 770));
    // Put where asked (even a size of its own, whole character cells): nothing to do.
    EXPECT_FALSE(keptWithin(asked, asked));
    EXPECT_FALSE(keptWithin(QRect(0, 0, 640, 1080), QRect(0, 0, 634, 1075)));
    // Put somewhere else altogether: not a window kept on the screen.
    EXPECT_FALSE(keptWithin(asked, QRect(900, 30, 692, 822)));
    EXPECT_FALSE(keptWithin(asked, QRect(0, 500, 692, 822)));
}

TEST(X11GeometryTest, StrutsTakeTheEdgesOfTheMonitorsTheyTouch) {
    // A 30-pixel panel along the top of the left monitor only.
    const auto topLeftPanel = Strut::fromPartial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1279, 0, 0});
    ASSERT_TRUE(topLeftPanel);
    EXPECT_EQ(visibleArea(kLeft, {*topLeftPanel}, kRoot), QRect(0, 30, 1280, 1050));
    EXPECT_EQ(visibleArea(kRight, {*topLeftPanel}, kRoot), kRight);

    // A bottom panel across the whole root (the older strut form) takes both bottoms.
    const auto bottomBar = Strut::fromFull({0, 0, 0, 40}, kRoot);
    ASSERT_TRUE(bottomBar);
    EXPECT_EQ(visibleArea(kLeft, {*bottomBar}, kRoot), QRect(0, 0, 1280, 1040));
    EXPECT_EQ(visibleArea(kRight, {*bottomBar}, kRoot), QRect(1280, 0, 1280, 1040));

    // Several panels: each edge takes the widest strut that reaches it.
    const auto dock = Strut::fromPartial({0, 48, 0, 0, 0, 0, 100, 900, 0, 0, 0, 0});
    EXPECT_EQ(visibleArea(kRight, {*topLeftPanel, *bottomBar, *dock}, kRoot), QRect(1280, 0, 1232, 1040));
    // The right-hand dock's band (y 100-900) misses a monitor below it.
    EXPECT_EQ(visibleArea(QRect(1280, 1080, 1280, 200), {*dock}, QSize(2560, 1280)),
              QRect(1280, 1080, 1280, 200));
}

TEST(X11GeometryTest, ConfigureRequestsPlaceTheFrameByTheClientsGravity) {
    // Where the client asks to be so that it lands at (100, 200) inside a frame of 1, 1, 20, 5.
    const Extents frame{1, 1, 20, 5};
    const struct {
        int gravity;
        QPoint request;
    } cases[] = {
        {NorthWestGravity, {99, 180}},  {NorthGravity, {100, 180}},
        {NorthEastGravity, {101, 180}}, {WestGravity, {99, 192}},
        {CenterGravity, {100, 192}},    {SouthEastGravity, {101, 205}},
        {StaticGravity, {100, 200}},    {0, {99, 180}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(configurePosition(QPoint(100, 200), frame, c.gravity), c.request) << c.gravity;

    std::array<quint32, 18> hints{};
    hints[0] = 512;
    hints[17] = StaticGravity;
    EXPECT_EQ(SizeHints::fromCardinals(QList<quint32>(hints.begin(), hints.end())).gravity, StaticGravity);
    EXPECT_EQ(SizeHints::fromCardinals({512, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).gravity, NorthWestGravity);
}

TEST(X11GeometryTest, TheWorkAreaCoversPanelsWithoutStrutsAlongTheMonitorsEdges) {
    // A taskbar the window manager draws itself: 26 pixels off the bottom, no strut says so.
    const QRect workarea(0, 0, 2560, 1054);
    EXPECT_EQ(visibleArea(kLeft, {}, kRoot, workarea), QRect(0, 0, 1280, 1054));
    EXPECT_EQ(visibleArea(kRight, {}, kRoot, workarea), QRect(1280, 0, 1280, 1054));
    // A left edge in the band of the work area's left cut, and only that monitor.
    EXPECT_EQ(visibleArea(kRight, {}, kRoot, QRect(60, 0, 2500, 1080)), kRight);
    EXPECT_EQ(visibleArea(kLeft, {}, kRoot, QRect(60, 0, 2500, 1080)), QRect(60, 0, 1220, 1080));
    // A cut the struts explain stays theirs: a panel on the left monitor keeps the right one whole.
    const auto topLeftPanel = Strut::fromPartial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1279, 0, 0});
    EXPECT_EQ(visibleArea(kRight, {*topLeftPanel}, kRoot, QRect(0, 30, 2560, 1050)), kRight);
    // A work area that would swallow a monitor takes nothing from it.
    EXPECT_EQ(visibleArea(kRight, {}, kRoot, QRect(0, 0, 1280, 1080)), kRight);
}

TEST(X11GeometryTest, AStrutThatWouldSwallowAMonitorBelongsToItsNeighbour) {
    // A panel at the left edge of the right monitor can only say "1310 from the root's left".
    const auto innerPanel = Strut::fromPartial({1310, 0, 0, 0, 0, 1079, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(visibleArea(kRight, {*innerPanel}, kRoot), QRect(1310, 0, 1250, 1080));
    EXPECT_EQ(visibleArea(kLeft, {*innerPanel}, kRoot), kLeft);

    // Monitors of different heights: a bottom panel on the shorter one is measured from the
    // root's bottom, which lies below it.
    const QSize root(3200, 1200);
    const QRect shorter(0, 0, 1280, 1024), taller(1280, 0, 1920, 1200);
    const auto bottom = Strut::fromPartial({0, 0, 0, 206, 0, 0, 0, 0, 0, 0, 0, 1279});
    EXPECT_EQ(visibleArea(shorter, {*bottom}, root), QRect(0, 0, 1280, 994));
    EXPECT_EQ(visibleArea(taller, {*bottom}, root), taller);

    // An inverted band reserves nothing; short properties are no strut.
    const auto inverted = Strut::fromPartial({50, 0, 0, 0, 900, 100, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(visibleArea(kLeft, {*inverted}, kRoot), kLeft);
    EXPECT_FALSE(Strut::fromPartial({1, 2, 3, 4}));
    EXPECT_FALSE(Strut::fromFull({1, 2}, kRoot));
}

TEST(X11GeometryTest, DisplaysAreNamedAndIdentifiedFromTheirEdid) {
    QByteArray edid(128, '\0');
    edid.replace(0, 8, QByteArray("\x00\xff\xff\xff\xff\xff\xff\x00", 8));
    // Descriptor 2 is the monitor name.
    const QByteArray name("\x00\x00\x00\xfc\x00"
                          "DELL U2720Q\n ",
                          18);
    edid.replace(72, 18, name);
    EXPECT_EQ(edidName(edid), "DELL U2720Q");
    EXPECT_EQ(edidName(edid.left(100)), "");
    EXPECT_EQ(edidName(QByteArray(128, '\x01')), "");

    const QString uuid = displayUuid(edid);
    EXPECT_EQ(uuid.size(), 36);
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_EQ(uuid.count('-'), 4);
    EXPECT_EQ(uuid, displayUuid(edid)) << "the same display keeps its identity";
    EXPECT_NE(uuid, displayUuid("monitor:HDMI-1"));
}

TEST(X11GeometryTest, ADisplaysIdentityDependsOnItselfAlone) {
    QByteArray model(128, '\0');
    model.replace(0, 8, QByteArray("\x00\xff\xff\xff\xff\xff\xff\x00", 8));
    QByteArray numbered = model;
    numbered.replace(12, 4, QByteArray("\x01\x02\x03\x04", 4));
    QByteArray described = model;
    described.replace(90, 18,
                      QByteArray("\x00\x00\x00\xff\x00"
                                 "CN0123456789\n",
                                 18));
    EXPECT_FALSE(edidHasSerial(model));
    EXPECT_TRUE(edidHasSerial(numbered));
    EXPECT_TRUE(edidHasSerial(described));
    EXPECT_FALSE(edidHasSerial(numbered.left(127)));

    const auto id = [](const QByteArray& edid, const char* port) {
        return displayUuid(displayIdentityKey(edid, port));
    };
    // With a serial number a display keeps its identity on any port.
    EXPECT_EQ(id(numbered, "DP-1"), id(numbered, "HDMI-1"));
    EXPECT_EQ(id(described, "DP-1"), id(described, "DP-2"));
    // Without one, two of a model are told apart by their ports, whether or not the other is there.
    EXPECT_NE(id(model, "DP-1"), id(model, "DP-2"));
    EXPECT_EQ(id(model, "DP-1"), id(model, "DP-1"));
    // Without an EDID, the monitor's name.
    EXPECT_EQ(displayIdentityKey({}, "R"), QByteArray("monitor:R"));
    EXPECT_EQ(displayIdentityKey(QByteArray(128, '\x01'), "R"), QByteArray("monitor:R"));
}
