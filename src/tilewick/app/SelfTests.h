#pragma once

#include <QString>

#include <functional>

namespace platform {
class Runtime;
}

namespace tilewick {

class BetaActivity;
class ToolSession;

// The developer self-tests: each drives a piece of the program on the main loop and writes a
// plain-text report (UTF-8, replacing the file whole); a report that cannot be written is named
// on stderr.

// Clicks the application picker of the Default App Snaps page at the magnifying glass, the chevron
// and the field, typing "dic" after each click, in a window that is never put on screen. For each
// it reports what the click reached and what the picker and the store made of it, or "no picker
// box". It chooses the tab through the store, so the settings keep "lastTab" at appSnaps.
void testPicker(ToolSession& session, const QString& path);

// Runs the quiet update checks' schedule for 130 s on the real clock, the program counting as in
// use and every check recorded instead of made, and reports when they came:
// "checks at: 5.0 s, 65.0 s, 125.0 s".
void testUpdateTimer(ToolSession& session, const QString& path);

// How long the update timer test runs, in seconds.
inline constexpr double kUpdateTimerRun = 130;

// The update timer test's course: records the checks `activity` makes while `run` lets the main
// loop go for kUpdateTimerRun seconds, with the program counting as in use, and gives the report.
// The recorder and the override stay in place.
QString recordQuietChecks(BetaActivity& activity, platform::Runtime& runtime,
                          const std::function<void(double seconds)>& run);

} // namespace tilewick
