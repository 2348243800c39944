#pragma once

#include "SimDesktop.h"
#include "platform/Pointer.h"

#include <memory>

namespace platform::sim {

// The desktop's mouse pointer as the program sees it.
class SimPointer : public Pointer {
public:
    explicit SimPointer(std::shared_ptr<SimDesktop> desktop) : m_desktop(std::move(desktop)) {}
    std::optional<QPointF> location() const override { return m_desktop->pointerLocation(); }
    quint32 pressedButtons() const override { return m_desktop->pressedMouseButtons(); }
    std::shared_ptr<void> addLeftMouseDownMonitor(std::function<void()> handler) override {
        return m_desktop->addLeftMouseDownMonitor(std::move(handler));
    }

private:
    std::shared_ptr<SimDesktop> m_desktop;
};

} // namespace platform::sim
