#pragma once

#include <QPointF>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The mouse pointer.
class Pointer {
public:
    virtual ~Pointer() = default;
    // Where the pointer is, in screen coordinates (origin at the bottom-left corner of the primary
    // screen, y upwards); none when it cannot be told. Callable from any thread.
    virtual std::optional<QPointF> location() const = 0;
    // The mouse buttons held now as a mask (1 the left button, 2 the right one, 4 the middle
    // one); 0 when none is held or when it cannot be told. Callable from any thread.
    virtual quint32 pressedButtons() const { return 0; }
    // Calls `handler` on the main thread each time the left mouse button goes down, in whichever
    // application. Dropping the returned token stops it. Null when the desktop cannot tell.
    [[nodiscard]] virtual std::shared_ptr<void> addLeftMouseDownMonitor(std::function<void()> handler) {
        (void)handler;
        return nullptr;
    }
};

} // namespace platform
