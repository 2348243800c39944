#include "DesktopPlatform.h"

#include "platform/EnvironmentKeyboard.h"
#include "platform/linux/LinuxIdentity.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/qt/AppFolderBundle.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtAppearance.h"
#include "platform/qt/QtRuntime.h"
#include "platform/x11/X11Desktop.h"
#include "platform/xdg/DesktopEntryIndex.h"
#include "platform/xdg/GtkReduceMotion.h"
#include "platform/xdg/JsonFileDefaults.h"
#include "platform/xdg/XdgInstalledApplications.h"
#include "platform/xdg/XdgLauncher.h"
#include "platform/xdg/XdgLoginItems.h"
#include "platform/xdg/XdgPaths.h"

namespace platform {

std::shared_ptr<Platform> makeDesktopPlatform(const QString& fallbackDomain, const QString& appName) {
    auto platform = std::make_shared<Platform>();
    auto paths = std::make_shared<XdgPaths>();
    auto bundle = std::make_shared<qt::AppFolderBundle>();
    const QString domain = bundle->identifier().isEmpty() ? fallbackDomain : bundle->identifier();
    auto runtime = std::make_shared<qt::QtRuntime>();
    platform->provide<Runtime>(runtime);
    platform->provide<Paths>(paths);
    platform->provide<Bundle>(bundle);
    platform->provide<Defaults>(std::make_shared<JsonFileDefaults>(paths->configHome(), domain, runtime));
    platform->provide<LoginItems>(std::make_shared<XdgLoginItems>(paths, bundle, appName));
    platform->provide<Alerts>(std::make_shared<QtAlerts>());
    platform->provide<Keyboard>(std::make_shared<EnvironmentKeyboard>());
    platform->provide<Appearance>(std::make_shared<qt::QtAppearance>());
    platform->provide<ReduceMotion>(std::make_shared<GtkReduceMotion>(paths->configHome()));
    platform->provide<InstalledApplications>(std::make_shared<XdgInstalledApplications>(
        std::make_shared<DesktopEntryIndex>(DesktopEntryIndex::standardFolders())));
    platform->provide<Identity>(std::make_shared<LinuxIdentity>());
    platform->provide<SystemFacts>(std::make_shared<LinuxSystemFacts>());
    platform->provide<Launcher>(std::make_shared<XdgLauncher>());
    // Windows, screens and running applications, when an X server answers.
    x11::provideX11Desktop(*platform, {domain, appName, bundle->bundlePath()});
    return platform;
}

} // namespace platform
