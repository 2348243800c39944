#include "SimPlatform.h"

#include "FixedPaths.h"
#include "MemoryDefaults.h"
#include "SimAlerts.h"
#include "SimAppearance.h"
#include "SimBundle.h"
#include "SimDesktop.h"
#include "SimEventTap.h"
#include "SimIdentity.h"
#include "SimInstalledApplications.h"
#include "SimKeyboard.h"
#include "SimLauncher.h"
#include "SimLoginItems.h"
#include "SimReduceMotion.h"
#include "SimSystemFacts.h"
#include "SimTrayColors.h"
#include "VirtualRuntime.h"

namespace platform::sim {

namespace {
template <typename Interface, typename Impl>
void provideBoth(Platform& platform, const std::shared_ptr<Impl>& service) {
    platform.provide<Interface>(service);
    platform.provide<Impl>(service);
}
} // namespace

std::shared_ptr<Platform> makeSimPlatform() {
    auto platform = std::make_shared<Platform>();
    auto paths = std::make_shared<FixedPaths>();
    provideBoth<Runtime>(*platform, std::make_shared<VirtualRuntime>());
    provideBoth<Defaults>(*platform, std::make_shared<MemoryDefaults>());
    provideBoth<Bundle>(*platform, std::make_shared<SimBundle>(paths->root() + "/Tilewick.app"));
    provideBoth<Paths>(*platform, paths);
    provideBoth<Keyboard>(*platform, std::make_shared<SimKeyboard>());
    provideBoth<Appearance>(*platform, std::make_shared<SimAppearance>());
    provideBoth<ReduceMotion>(*platform, std::make_shared<SimReduceMotion>());
    provideBoth<LoginItems>(*platform, std::make_shared<SimLoginItems>());
    provideBoth<Alerts>(*platform, std::make_shared<SimAlerts>());
    provideBoth<TrayColors>(*platform, std::make_shared<SimTrayColors>());
    provideBoth<Identity>(*platform,
                          std::make_shared<SimIdentity>(SimIdentity::Values{.homeFolder = paths->home()}));
    provideBoth<SystemFacts>(*platform, std::make_shared<SimSystemFacts>());
    provideBoth<Launcher>(*platform, std::make_shared<SimLauncher>());
    provideBoth<InstalledApplications>(*platform, std::make_shared<SimInstalledApplications>());

    auto eventTap = std::make_shared<SimEventTap>();
    provideBoth<EventTap>(*platform, eventTap);
    platform->provide<LocalKeyMonitors>(eventTap);

    auto desktop = std::make_shared<SimDesktop>();
    provideDesktop(*platform, desktop);
    platform->provide<SimDesktop>(desktop);
    // A worker that calls an application that never answers is held for the messaging time-out on
    // the virtual clock; the main thread cannot sleep, so there the wait is only recorded.
    std::weak_ptr<Runtime> weakRuntime = platform->shared<Runtime>();
    desktop->setStallHandler([weakRuntime](double seconds) {
        if (auto runtime = weakRuntime.lock(); runtime && !runtime->isMainThread())
            runtime->sleep(seconds);
    });
    return platform;
}

} // namespace platform::sim
