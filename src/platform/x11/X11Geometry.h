#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// Geometry of the X11 backend, free of any X connection: where the X server's root coordinates
// (origin top-left of the root window, y down) meet the coordinate spaces the program expects,
// and what window managers and clients ask of frames and sizes.
namespace platform::x11 {

// --- Coordinate spaces ---

// Root rectangles are integer pixels; `primary` is the primary monitor in root coordinates.

// A root rectangle in screen coordinates (origin bottom-left of the primary monitor, y up).
QRectF screenRect(const QRect& root, const QRect& primary);
// A screen rectangle back in root coordinates, to the nearest pixel.
QRect rootRect(const QRectF& screen, const QRect& primary);
// A root point in the top-left space of Accessibility (origin top-left of the primary monitor).
QPointF topLeftPoint(const QPoint& root, const QPoint& primaryOrigin);
// A top-left point back in root pixels, to the nearest pixel.
QPoint rootPoint(const QPointF& topLeft, const QPoint& primaryOrigin);
// A size in whole pixels; negative or non-finite values give none.
std::optional<QSize> pixelSize(const QSizeF& size);

// --- Frames ---

// Widths of the four sides of a frame (_NET_FRAME_EXTENTS, _GTK_FRAME_EXTENTS order).
struct Extents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;

    // From the four CARDINALs of a property; none when it holds fewer than four.
    static Extents fromCardinals(const QList<quint32>& values);
    friend bool operator==(const Extents&, const Extents&) = default;
};

// The frame people see around a client window: the window manager's decorations (`decorations`)
// added, and the invisible shadow margins of client-side decorations (`shadows`) taken away.
QRect outerFrame(const QRect& client, const Extents& decorations, const Extents& shadows);
// The client rectangle that gives `outer` as its outer frame.
QRect clientFrame(const QRect& outer, const Extents& decorations, const Extents& shadows);
// How much wider and taller the outer frame is than the client.
QSize outerGrowth(const Extents& decorations, const Extents& shadows);
// The shadows of a client of `size` as far as they can be believed: margins that leave no client
// area inside them are a hostile or broken property, taken as none.
Extents plausibleShadows(const Extents& shadows, const QSize& size);

// ICCCM window gravities (WM_NORMAL_HINTS win_gravity).
enum Gravity : int {
    NorthWestGravity = 1,
    NorthGravity,
    NorthEastGravity,
    WestGravity,
    CenterGravity,
    EastGravity,
    SouthWestGravity,
    SouthGravity,
    SouthEastGravity,
    StaticGravity
};
// Where a client asks to be in a ConfigureRequest so that, framed by `decorations`, the client
// window lands at `client`: the window manager places the frame by the client's gravity.
QPoint configurePosition(const QPoint& client, const Extents& decorations, int gravity);

// --- Size hints (WM_NORMAL_HINTS) ---

struct SizeHints {
    // Each 0×0 when the client gives none.
    QSize minimum{0, 0};
    QSize maximum{0, 0};
    QSize base{0, 0};
    QSize increment{0, 0};
    int gravity = NorthWestGravity;

    // From the raw WM_SIZE_HINTS property (18 CARDINALs); missing fields stay empty.
    static SizeHints fromCardinals(const QList<quint32>& values);
    // Whether the window has one fixed size.
    bool isFixedSize() const;
};

// The client size a client accepts for `requested`: within minimum and maximum, and with a size
// increment (terminals) the base size plus whole increments, rounded down so the window never
// spills over the area it was given. The window keeps its top-left corner, so it stays anchored
// at the layout's leading edge and any shortfall is left at the trailing edge.
QSize acceptedSize(const QSize& requested, const SizeHints& hints);

// Where a window asked to fill `asked` goes when it takes `size` (its size increments leave it
// short): at the asked top-left corner, except along an axis where `asked` ends on the far edge
// (right, bottom) of the work area that holds it and does not start on its near edge: there it
// ends on that edge, so a right or bottom half touches the edge of the screen. `areas` are the
// monitors' work areas.
QPoint anchoredPosition(const QRect& asked, const QSize& size, const QList<QRect>& areas);

// What is left of the client rectangle `asked` inside `got`, where the window manager put the
// client instead: a window manager that keeps the whole client window on the screen, its
// invisible shadows included, pushes it inwards, and the visible frame then reaches past the
// frame asked for by the width of the shadow. Within what is left it stays inside it. None when the
// client is where it was asked, or when the window manager put it somewhere else altogether
// (less than half of it is left each way).
std::optional<QRect> keptWithin(const QRect& asked, const QRect& got);

// --- Struts ---

// Space a panel reserves at the edges of the root window (_NET_WM_STRUT_PARTIAL). Starts and
// ends are inclusive root coordinates along the edge.
struct Strut {
    int left = 0, right = 0, top = 0, bottom = 0;
    int leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    int topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;

    // From _NET_WM_STRUT_PARTIAL's 12 CARDINALs; none when it holds fewer.
    static std::optional<Strut> fromPartial(const QList<quint32>& values);
    // From the older _NET_WM_STRUT's 4 CARDINALs, which reserve whole edges of `root`.
    static std::optional<Strut> fromFull(const QList<quint32>& values, const QSize& root);
};

// The part of `monitor` that panels leave free. A strut takes its edge of every monitor its
// reserved band touches, except a monitor it would cover entirely: such a strut belongs to a
// panel at the inner edge of a neighbouring monitor (struts can only be measured from the root
// window's edges).
//
// `workarea` (the window manager's _NET_WORKAREA, one rectangle for all monitors) covers panels
// the window manager draws itself: each edge it takes beyond what the struts explain is taken
// from every monitor whose same edge lies in that band, and never a whole monitor.
QRect visibleArea(const QRect& monitor, const QList<Strut>& struts, const QSize& root,
                  const std::optional<QRect>& workarea = std::nullopt);

// --- Display identity ---

// The monitor name an EDID block gives (descriptor 0xFC), empty when it gives none.
QString edidName(const QByteArray& edid);
// Whether an EDID block carries a serial number (the numeric one, or a serial descriptor 0xFF).
bool edidHasSerial(const QByteArray& edid);
// What a display's identity is made from: its EDID, which follows it from port to port; with an
// EDID that has no serial number (two of a model would be one display) also the monitor's name,
// the port it is plugged into; without an EDID the monitor's name alone. Nothing of the other
// displays takes part, so plugging or unplugging one never changes another's identity.
QByteArray displayIdentityKey(const QByteArray& edid, const QString& monitorName);
// A lasting display identity made from `key`: 36 characters, 8-4-4-4-12 upper-case hexadecimal.
QString displayUuid(const QByteArray& key);

} // namespace platform::x11
