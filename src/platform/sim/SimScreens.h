#pragma once

#include "SimDesktop.h"
#include "platform/Screens.h"

namespace platform::sim {

// The desktop's screens as the program sees them.
class SimScreens : public Screens {
    Q_OBJECT
public:
    explicit SimScreens(std::shared_ptr<SimDesktop> desktop);
    QList<ScreenInfo> screens() const override { return m_desktop->screens(); }

private:
    std::shared_ptr<SimDesktop> m_desktop;
};

} // namespace platform::sim
