#pragma once

#include "platform/Appearance.h"

namespace platform::sim {

// A desktop whose scheme the test sets; light until told otherwise. Setting it announces the
// change as a desktop switch would.
class SimAppearance final : public Appearance {
public:
    void setSystemScheme(Scheme scheme) {
        m_system = scheme;
        announce();
    }

protected:
    Scheme systemScheme() const override { return m_system; }

private:
    Scheme m_system = Scheme::Light;
};

} // namespace platform::sim
