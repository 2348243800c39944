#pragma once

#include "platform/Platform.h"
#include "platform/sim/FixedPaths.h"
#include "platform/sim/MemoryDefaults.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimEventTap.h"
#include "platform/sim/SimIdentity.h"
#include "platform/sim/SimLauncher.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimReduceMotion.h"
#include "platform/sim/SimSystemFacts.h"
#include "platform/sim/VirtualRuntime.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

// A test that runs on the simulated platform: installed before the test body, removed after.
// The virtual runtime's main thread is the test's thread. The bundle points at the application
// folder of this build, so resources (fonts) are found as the program finds them.
class SimPlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    platform::Platform& platform() { return *m_platform; }
    // The platform for code that keeps it (the kit's configuration).
    const std::shared_ptr<platform::Platform>& sharedPlatform() const { return m_platform; }
    platform::sim::VirtualRuntime& runtime() { return m_platform->service<platform::sim::VirtualRuntime>(); }
    platform::sim::MemoryDefaults& defaults() { return m_platform->service<platform::sim::MemoryDefaults>(); }
    platform::sim::FixedPaths& paths() { return m_platform->service<platform::sim::FixedPaths>(); }
    platform::sim::SimBundle& bundle() { return m_platform->service<platform::sim::SimBundle>(); }
    platform::sim::SimDesktop& desktop() { return m_platform->service<platform::sim::SimDesktop>(); }
    platform::sim::SimAppearance& appearance() { return m_platform->service<platform::sim::SimAppearance>(); }
    platform::sim::SimEventTap& eventTap() { return m_platform->service<platform::sim::SimEventTap>(); }
    platform::sim::SimLoginItems& loginItems() { return m_platform->service<platform::sim::SimLoginItems>(); }
    platform::sim::SimAlerts& alerts() { return m_platform->service<platform::sim::SimAlerts>(); }
    platform::sim::SimReduceMotion& reduceMotion() {
        return m_platform->service<platform::sim::SimReduceMotion>();
    }
    platform::sim::SimIdentity& identity() { return m_platform->service<platform::sim::SimIdentity>(); }
    platform::sim::SimSystemFacts& systemFacts() {
        return m_platform->service<platform::sim::SimSystemFacts>();
    }
    platform::sim::SimLauncher& launcher() { return m_platform->service<platform::sim::SimLauncher>(); }

    // The activity-log events written so far, without their time stamps ("tap.reenabled timeout=true"),
    // oldest first. The first call gives the log store a folder of its own.
    QStringList loggedEvents();
    // The logged events named `name`.
    QStringList loggedEvents(const QString& name);
    // The log store got its folder from the code under test; loggedEvents() reads it there.
    void logStartedElsewhere() { m_logStarted = true; }

private:
    std::shared_ptr<platform::Platform> m_platform;
    bool m_logStarted = false;
};
