#include "SimBundle.h"

namespace platform::sim {

SimBundle::SimBundle(QString bundlePath) : m_bundlePath(std::move(bundlePath)) {}

} // namespace platform::sim
