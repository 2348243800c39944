#pragma once

#include "SimDesktop.h"
#include "platform/Sound.h"

namespace platform::sim {

// Counts alert sounds on the desktop (SimDesktop::beeps).
class SimSound : public Sound {
public:
    explicit SimSound(std::shared_ptr<SimDesktop> desktop) : m_desktop(std::move(desktop)) {}
    void beep() override { ++m_desktop->m_beeps; }

private:
    std::shared_ptr<SimDesktop> m_desktop;
};

} // namespace platform::sim
