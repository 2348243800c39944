#pragma once

#include "X11Property.h"

#include "platform/TrayColors.h"

#include <xcb/xcb.h>

#include <memory>

class QSocketNotifier;

namespace platform::x11 {

// The normal icon colour of a `_NET_SYSTEM_TRAY_COLORS` property: its first three 32-bit values,
// 16-bit red, green and blue. None when the property is missing, not CARDINAL, or too short.
std::optional<QColor> trayIconColor(const Property& colors);

// The tray's colours from the X server: the owner of the selection `_NET_SYSTEM_TRAY_S<screen>`
// (the tray manager) and its `_NET_SYSTEM_TRAY_COLORS`. It follows the property, a new manager
// (its MANAGER message on the root window) and the manager going away. Its own small connection:
// the shared one keeps the windows' state and hands no property events on.
class X11TrayColors final : public TrayColors {
    Q_OBJECT
public:
    // Null when no X server of $DISPLAY answers. Main thread, after the application object.
    static std::shared_ptr<X11TrayColors> open();
    ~X11TrayColors() override;

    std::optional<QColor> iconColor() const override { return m_color; }

private:
    X11TrayColors(xcb_connection_t* xcb, int screenNumber);
    void readEvents();
    // Finds the manager afresh, watches it and reads its colours.
    void followManager();
    void readColors();

    xcb_connection_t* m_xcb;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_atom_t m_manager = XCB_ATOM_NONE;
    xcb_atom_t m_colors = XCB_ATOM_NONE;
    xcb_window_t m_owner = XCB_WINDOW_NONE;
    std::optional<QColor> m_color;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform::x11
