#pragma once

#include "platform/Platform.h"
#include "platform/sim/FixedPaths.h"
#include "platform/sim/MemoryDefaults.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualRuntime.h"

#include <gtest/gtest.h>

#include <memory>

// A test that runs on the simulated platform: installed before the test body, removed after.
// The virtual runtime's main thread is the test's thread. The bundle points at the application
// folder of this build, so resources (fonts) are found as the program finds them.
class SimPlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    platform::Platform& platform() { return *m_platform; }
    platform::sim::VirtualRuntime& runtime() { return m_platform->service<platform::sim::VirtualRuntime>(); }
    platform::sim::MemoryDefaults& defaults() { return m_platform->service<platform::sim::MemoryDefaults>(); }
    platform::sim::FixedPaths& paths() { return m_platform->service<platform::sim::FixedPaths>(); }
    platform::sim::SimBundle& bundle() { return m_platform->service<platform::sim::SimBundle>(); }
    platform::sim::SimDesktop& desktop() { return m_platform->service<platform::sim::SimDesktop>(); }

private:
    std::shared_ptr<platform::Platform> m_platform;
};
