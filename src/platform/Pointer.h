#pragma once

#include <QPointF>

#include <optional>

namespace platform {

// The mouse pointer.
class Pointer {
public:
    virtual ~Pointer() = default;
    // Where the pointer is, in screen coordinates (origin at the bottom-left corner of the primary
    // screen, y upwards); none when it cannot be told. Callable from any thread.
    virtual std::optional<QPointF> location() const = 0;
};

} // namespace platform
