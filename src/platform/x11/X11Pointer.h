#pragma once

#include "X11Connection.h"
#include "platform/Pointer.h"

#include <QList>

#include <memory>
#include <mutex>
#include <vector>

namespace platform::x11 {

class X11Screens;

// The core pointer of the X server: where it is and which buttons it holds, asked for when
// needed (one round trip each), and presses of the primary button anywhere, from XInput 2 raw
// events on the root window (which come whichever client the press goes to, grabs included).
// Thread-safe; mouse-down monitors are called on the thread that opened the connection.
class X11Pointer : public Pointer {
public:
    X11Pointer(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Screens> screens);
    std::optional<QPointF> location() const override;
    quint32 pressedButtons() const override;
    std::shared_ptr<void> addLeftMouseDownMonitor(std::function<void()> handler) override;

    // The mask of pressedButtons for the server's key-and-button mask: the logical buttons 1, 3
    // and 2 (primary, secondary, middle) as 1, 2 and 4.
    static quint32 buttonsOf(quint16 serverMask);
    // Whether the physical button `button` is the primary one under the pointer mapping `map`
    // (map[n - 1] is the logical button of physical button n; an empty map is the identity).
    static bool isPrimary(quint32 button, const QList<quint8>& map);

private:
    void handleEvent(const xcb_generic_event_t* event);
    void readMapping();

    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<X11Screens> m_screens;
    quint8 m_xiOpcode = 0;
    std::shared_ptr<void> m_eventHandler;
    mutable std::mutex m_mutex;
    QList<quint8> m_mapping;
    std::vector<std::weak_ptr<std::function<void()>>> m_monitors;
};

} // namespace platform::x11
