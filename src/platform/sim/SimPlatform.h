#pragma once

#include "platform/Platform.h"

#include <memory>

namespace platform::sim {

// A Platform of simulated services for tests: a VirtualRuntime (created on the calling thread,
// which becomes its main thread), MemoryDefaults, FixedPaths under a fresh temporary folder and
// a SimBundle at <that folder>/Tilewick.app, and a SimDesktop behind Accessibility, Screens,
// Workspace and Sound (with no screens and no applications until the test adds them), a
// SimEventTap behind EventTap and LocalKeyMonitors, a light SimAppearance, SimLoginItems (not
// registered) and SimAlerts (answering with the last button until scripted). Each service is
// registered under its interface and under its own type, so tests reach e.g.
// `service<sim::VirtualRuntime>()`.
std::shared_ptr<Platform> makeSimPlatform();

} // namespace platform::sim
