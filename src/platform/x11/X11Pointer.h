#pragma once

#include "X11Connection.h"
#include "platform/Pointer.h"

#include <memory>

namespace platform::x11 {

class X11Screens;

// The core pointer of the X server, asked for when needed (one round trip). Thread-safe.
class X11Pointer : public Pointer {
public:
    X11Pointer(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Screens> screens);
    std::optional<QPointF> location() const override;

private:
    std::shared_ptr<X11Connection> m_x;
    std::shared_ptr<X11Screens> m_screens;
};

} // namespace platform::x11
