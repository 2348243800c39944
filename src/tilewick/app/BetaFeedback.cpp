#include "BetaFeedback.h"

#include "betakit/CrashReportWriter.h"
#include "platform/Platform.h"
#include "tilewick/store/TilewickStore.h"

#include <QPointer>

namespace tilewick {

betakit::BetaConfiguration betaConfiguration(const TilewickStore& store,
                                             std::shared_ptr<platform::Platform> platform) {
    betakit::BetaConfiguration configuration(
        std::move(platform), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
        QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"),
        {QStringLiteral("keyboardOverlay"), QStringLiteral("modifiers"), QStringLiteral("lastTab"),
         QStringLiteral("bindingsVersion")},
        [store = QPointer<const TilewickStore>(&store)] {
            // The kit keeps its configuration past the store.
            return store ? betaDiagnostics(*store) : std::vector<betakit::BetaPair>();
        });
    configuration.checksForUpdates = true;
    // A feed of one's own (a test's loopback server); a build it offers must still be signed by
    // the installed build's developer to be installed.
    if (const QString feed = qEnvironmentVariable("TILEWICK_UPDATE_FEED"); !feed.isEmpty())
        configuration.updateFeed = QUrl(feed);
    return configuration;
}

std::vector<betakit::BetaPair> betaDiagnostics(const TilewickStore& store) {
    return {{"launchAtLogin", store.launchAtLogin()},
            {"accessibilityAllowed", store.trusted()},
            {"hotkeysActive", store.hotkeysActive()}};
}

void startBetaKit(const TilewickStore& store, const std::shared_ptr<platform::Platform>& platform) {
    betakit::VeldorBeta::start(betaConfiguration(store, platform));
}

void installCrashReportWriter(const TilewickStore& store,
                              const std::shared_ptr<platform::Platform>& platform) {
    const betakit::BetaConfiguration configuration = betaConfiguration(store, platform);
    // Nothing on Linux writes crash reports for us; the next start finds this one.
    betakit::CrashReportWriter::install(platform->paths().diagnosticReports(),
                                        {configuration.processName(),
                                         configuration.appVersion.value_or(platform->bundle().version()),
                                         configuration.appBuild.value_or(platform->bundle().build())});
}

} // namespace tilewick
