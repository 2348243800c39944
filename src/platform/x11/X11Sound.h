#pragma once

#include "X11Connection.h"
#include "platform/Sound.h"

#include <memory>

namespace platform::x11 {

// The X server's bell at its configured volume.
class X11Sound : public Sound {
public:
    explicit X11Sound(std::shared_ptr<X11Connection> connection) : m_x(std::move(connection)) {}
    void beep() override {
        xcb_bell(m_x->xcb(), 0);
        m_x->flush();
    }

private:
    std::shared_ptr<X11Connection> m_x;
};

} // namespace platform::x11
