#pragma once

#include "X11Connection.h"
#include "platform/Screens.h"

#include <QPoint>

#include <memory>
#include <mutex>

namespace platform::x11 {

// The monitors of the X screen (RandR 1.5), primary first, with frames in screen coordinates
// and visible frames cut by the struts of every panel.
//
// Every call reads the server afresh (a few pipelined round trips): the server does not announce
// every change (monitors defined with `xrandr --setmonitor` come and go silently). When RandR, the
// client list or the work area say something changed, the main thread reads the list again and
// screensChanged() fires if it differs from the last one. Thread-safe.
class X11Screens : public Screens {
    Q_OBJECT
public:
    explicit X11Screens(std::shared_ptr<X11Connection> connection);

    QList<ScreenInfo> screens() const override;
    // The primary monitor's top-left corner in root coordinates: the origin of the top-left
    // coordinate space of Accessibility.
    QPoint primaryOrigin() const;

private:
    struct Monitor;
    // The monitors in the server's order, and which of them is the primary (-1: none).
    QList<Monitor> monitors(qsizetype& primary) const;
    void refresh();

    std::shared_ptr<X11Connection> m_x;
    std::mutex m_mutex;
    QList<ScreenInfo> m_last; // as last announced
};

} // namespace platform::x11
