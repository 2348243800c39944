#pragma once

#include <QRect>

class QWindow;

namespace platform {

// How the desktop shows a window of this program as a floating panel: above every other window,
// full-screen ones included, on every workspace, never given the keyboard focus, never listed in
// task bars or pagers, and letting every pointer event through to the windows below it. Main
// thread.
class FloatingPanel {
public:
    virtual ~FloatingPanel() = default;
    // Makes `window` such a panel. Call before each show, once its native window exists (a native
    // window made anew is set up again).
    virtual void prepare(QWindow* window) = 0;
    // Puts the shown `window` above every other window again (windows mapped since went above it).
    virtual void raise(QWindow* window) = 0;
    // Whether translucent pixels of `window` reach the screen translucent: its native window has an
    // alpha channel and a compositor blends it. Otherwise the panel must be drawn opaque.
    virtual bool showsTranslucency(QWindow* window) const = 0;
    // How many device pixels one point of a window takes on the screen whose frame (device pixels,
    // top-left coordinates) is `screen`: the scale the toolkit gives its windows there
    // (QT_SCALE_FACTOR, Xft.dpi), 1 where it does not scale.
    virtual qreal scaleOf(const QRect& screen) const = 0;
};

} // namespace platform
