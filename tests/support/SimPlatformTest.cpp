#include "SimPlatformTest.h"

#include "betakit/LogStore.h"
#include "platform/sim/SimPlatform.h"

void SimPlatformTest::SetUp() {
    m_platform = platform::sim::makeSimPlatform();
    bundle().setBundlePath(TILEWICK_TEST_APP_DIR);
    platform::Platform::install(m_platform);
    // The log store binds to the runtime it first sees; each test gets one on its own platform.
    betakit::LogStore::resetSharedForTesting();
}

void SimPlatformTest::TearDown() {
    betakit::LogStore::resetSharedForTesting();
    platform::Platform::uninstall();
    m_platform.reset();
}
