#include "SimScreens.h"

namespace platform::sim {

SimScreens::SimScreens(std::shared_ptr<SimDesktop> desktop) : m_desktop(std::move(desktop)) {
    connect(m_desktop.get(), &SimDesktop::screensChanged, this, &Screens::screensChanged,
            Qt::DirectConnection);
}

} // namespace platform::sim
