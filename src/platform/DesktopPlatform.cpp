#include "DesktopPlatform.h"

#include "EnvironmentKeyboard.h"
#include "qt/AppFolderBundle.h"
#include "qt/QtAlerts.h"
#include "qt/QtAppearance.h"
#include "qt/QtRuntime.h"
#include "x11/X11Desktop.h"
#include "xdg/GtkReduceMotion.h"
#include "xdg/JsonFileDefaults.h"
#include "xdg/XdgLoginItems.h"
#include "xdg/XdgPaths.h"

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
    // Windows, screens and running applications, when an X server answers.
    x11::provideX11Desktop(*platform, {domain, appName, bundle->bundlePath()});
    return platform;
}

} // namespace platform
