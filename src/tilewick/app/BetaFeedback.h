#pragma once

#include "betakit/VeldorBeta.h"

#include <vector>

namespace tilewick {

// The program's side of the beta kit: its configuration and the diagnostics its reports carry.

// The configuration the program starts the kit with.
betakit::BetaConfiguration betaConfiguration();
// launchAtLogin, accessibilityAllowed and hotkeysActive from the store, in this order. Main thread.
std::vector<betakit::BetaPair> betaDiagnostics();
// Starts the kit with betaConfiguration() and arms the crash-report writer.
void startBetaKit();

} // namespace tilewick
