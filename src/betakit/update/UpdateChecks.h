#pragma once

#include "betakit/VeldorBeta.h"

namespace betakit {

// Quiet checks come at least this far apart (seconds of the runtime's clock).
inline constexpr double kQuietCheckSpacing = 10.0;

// The quiet check behind VeldorBeta::checkForUpdateQuietly, once the kit is started with checks
// on: it fetches the feed only when the installed build reads, no quiet check is in flight, no
// kit window is open and the last one was at least 10 s ago; it offers, in the update window,
// a build above both the installed and the declined build that runs here, and is silent
// otherwise.
void quietUpdateCheck(const BetaConfiguration& config);
bool quietUpdateCheckInFlight();

// The check on request behind VeldorBeta::checkForUpdate, once the kit is started: the update
// window in its checking stage, then the check's answer; a window that is downloading or
// installing only comes forward.
void updateCheckOnRequest(const BetaConfiguration& config);

// The application quits: the quiet check's fetch and the update window with its work go now.
void releaseUpdaterForQuit();

// Forgets the quiet checks' state and the open update window.
void resetUpdateChecksForTesting();

} // namespace betakit
