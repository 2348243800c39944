#pragma once

#include "platform/FloatingPanel.h"

#include <xcb/xcb.h>

namespace platform::x11 {

// Floating panels on X11, over Qt's own connection (the panel is a Qt window):
// - override-redirect: the window manager leaves the window alone, so it never gets the focus,
//   is on every workspace, and is no client that task bars or pagers list. Its type says
//   _NET_WM_WINDOW_TYPE_NOTIFICATION, for compositors;
// - an empty input shape (Shape extension), so every click goes to the window below;
// - raised to the top of the stack at each show, above the window manager's full-screen windows;
// - translucent only with a 32-bit visual and a compositor, that is while the selection
//   _NET_WM_CM_S<screen> has an owner.
// Does nothing off Qt's xcb platform, where nothing is ever translucent.
class X11FloatingPanel final : public FloatingPanel {
public:
    void prepare(QWindow* window) override;
    void raise(QWindow* window) override;
    bool showsTranslucency(QWindow* window) const override;
    // Qt's device pixel ratio of its screen at that place (Qt keeps a screen's top-left corner in
    // device pixels and scales its size).
    qreal scaleOf(const QRect& screen) const override;

private:
    xcb_atom_t atom(xcb_connection_t* c, const char* name) const;

    mutable xcb_atom_t m_compositorSelection = XCB_ATOM_NONE;
    mutable xcb_atom_t m_windowType = XCB_ATOM_NONE;
    mutable xcb_atom_t m_notification = XCB_ATOM_NONE;
};

} // namespace platform::x11
