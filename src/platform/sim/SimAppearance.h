#pragma once

#include "platform/Appearance.h"

namespace platform::sim {

// A desktop whose scheme the test sets; light until told otherwise.
class SimAppearance final : public Appearance {
public:
    void setSystemScheme(Scheme scheme) { m_system = scheme; }

protected:
    Scheme systemScheme() const override { return m_system; }

private:
    Scheme m_system = Scheme::Light;
};

} // namespace platform::sim
