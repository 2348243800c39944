#pragma once

#include "betakit/VeldorBeta.h"

#include <memory>
#include <vector>

namespace platform {
class Platform;
}

namespace tilewick {

class TilewickStore;

// The program's side of the beta kit: its configuration and the diagnostics its reports carry.

// The configuration the program starts the kit with, on `platform`; its diagnostics read `store`.
betakit::BetaConfiguration betaConfiguration(const TilewickStore& store,
                                             std::shared_ptr<platform::Platform> platform);
// launchAtLogin, accessibilityAllowed and hotkeysActive from the store, in this order. Main thread.
std::vector<betakit::BetaPair> betaDiagnostics(const TilewickStore& store);
// Arms the crash-report writer in the platform's diagnostic-reports folder, for betaConfiguration().
void installCrashReportWriter(const TilewickStore& store,
                              const std::shared_ptr<platform::Platform>& platform);
// Starts the kit with betaConfiguration().
void startBetaKit(const TilewickStore& store, const std::shared_ptr<platform::Platform>& platform);

} // namespace tilewick
