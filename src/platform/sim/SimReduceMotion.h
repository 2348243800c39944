#pragma once

#include "platform/ReduceMotion.h"

namespace platform::sim {

// A desktop whose reduce-motion setting the test sets; off until told otherwise.
class SimReduceMotion final : public ReduceMotion {
public:
    void setReduceMotion(bool on) { m_on = on; }
    bool reduceMotion() const override { return m_on; }

private:
    bool m_on = false;
};

} // namespace platform::sim
