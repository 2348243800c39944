#include "BetaFeedback.h"

#include "betakit/CrashReportWriter.h"
#include "platform/Platform.h"
#include "tilewick/store/TilewickStore.h"

namespace tilewick {

betakit::BetaConfiguration betaConfiguration() {
    betakit::BetaConfiguration configuration(QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                                             QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"),
                                             {QStringLiteral("keyboardOverlay"), QStringLiteral("modifiers"),
                                              QStringLiteral("lastTab"), QStringLiteral("bindingsVersion")},
                                             betaDiagnostics);
    configuration.checksForUpdates = true;
    return configuration;
}

std::vector<betakit::BetaPair> betaDiagnostics() {
    const TilewickStore& store = TilewickStore::shared();
    return {{"launchAtLogin", store.launchAtLogin()},
            {"accessibilityAllowed", store.trusted()},
            {"hotkeysActive", store.hotkeysActive()}};
}

void startBetaKit() {
    const betakit::BetaConfiguration configuration = betaConfiguration();
    betakit::VeldorBeta::start(configuration);
    // Nothing on Linux writes crash reports for us; the next start finds this one.
    const auto& platform = platform::Platform::current();
    betakit::CrashReportWriter::install(platform.paths().diagnosticReports(),
                                        {configuration.processName(),
                                         configuration.appVersion.value_or(platform.bundle().version()),
                                         configuration.appBuild.value_or(platform.bundle().build())});
}

} // namespace tilewick
