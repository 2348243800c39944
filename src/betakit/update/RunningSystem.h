#pragma once

#include "UpdateFeed.h"

#include <QString>

#include <memory>

namespace platform {
class Platform;
class SystemFacts;
} // namespace platform

namespace betakit {

// The running system as the updater compares and names it: the distribution's release number and
// name from the platform's system facts. A feed's minimum (under the key "minMacOS", as the
// maker's server writes it) is compared with that release number; a system without one (a rolling
// release) reaches every minimum.
class RunningSystem final : public SystemVersion {
public:
    explicit RunningSystem(std::shared_ptr<const platform::SystemFacts> facts);

    bool isAtLeast(qint64 major, qint64 minor, qint64 patch) const override;

private:
    std::shared_ptr<const platform::SystemFacts> m_facts;
};

// The name of the running system for the update window's texts ("Debian GNU/Linux"), from the
// system facts of `platform`; "Linux" when they name none.
QString runningSystemName(const platform::Platform& platform);

} // namespace betakit
