#include "SimPlatformTest.h"

#include "platform/sim/SimPlatform.h"

void SimPlatformTest::SetUp() {
    m_platform = platform::sim::makeSimPlatform();
    bundle().setBundlePath(TILEWICK_TEST_APP_DIR);
    platform::Platform::install(m_platform);
}

void SimPlatformTest::TearDown() {
    platform::Platform::uninstall();
    m_platform.reset();
}
