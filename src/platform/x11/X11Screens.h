#pragma once

#include "X11Connection.h"
#include "platform/Screens.h"

#include <QPoint>

#include <memory>
#include <mutex>

namespace platform::x11 {

// The monitors of the X screen (RandR 1.5), primary first, with frames in screen coordinates
// and visible frames cut by the panels: the struts of every dock, managed or not, and the work
// area where it takes more than the struts explain (panels the window manager draws itself).
//
// The monitors are read once and again after RandR events; the visible frames again when the
// connection says panels changed. So asking costs no round trip while nothing changed. Monitors
// defined with `xrandr --setmonitor` announce themselves with no event: they show with the next
// RandR event. When the list changes, screensChanged() fires on the main thread. Thread-safe.
class X11Screens : public Screens {
    Q_OBJECT
public:
    explicit X11Screens(std::shared_ptr<X11Connection> connection);

    QList<ScreenInfo> screens() const override;
    // The primary monitor's top-left corner in root coordinates: the origin of the top-left
    // coordinate space of Accessibility.
    QPoint primaryOrigin() const;

private:
    struct Monitor {
        QRect rect;
        xcb_atom_t id = XCB_ATOM_NONE;
        QString name;
        QByteArray edid;
    };
    // Reads the monitors in the server's order, the primary first.
    QList<Monitor> readMonitors() const;
    // Brings the list up to date; under m_mutex.
    void updateLocked() const;
    void refresh();

    std::shared_ptr<X11Connection> m_x;
    mutable std::mutex m_mutex;
    mutable QList<Monitor> m_monitors;
    mutable quint64 m_monitorsGeneration = 0;
    mutable quint64 m_panelsGeneration = 0;
    mutable QList<ScreenInfo> m_screens;
    QList<ScreenInfo> m_announced; // main thread
};

} // namespace platform::x11
