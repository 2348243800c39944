#include "SimPlatformTest.h"

#include "betakit/LogStore.h"
#include "platform/sim/SimPlatform.h"

#include <limits>

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

QStringList SimPlatformTest::loggedEvents() {
    auto& store = betakit::LogStore::shared();
    if (!m_logStarted) {
        store.start(paths().root() + QStringLiteral("/activity-log"));
        m_logStarted = true;
    }
    store.flush();
    QStringList events;
    // A line is a 24-character time stamp, a blank, then the event.
    for (const QString& line :
         store.recentLines(std::numeric_limits<qint64>::max(), runtime().clock().wallMillis()))
        events.append(line.mid(25));
    return events;
}

QStringList SimPlatformTest::loggedEvents(const QString& name) {
    QStringList named;
    for (const QString& event : loggedEvents())
        if (event == name || event.startsWith(name + u' '))
            named.append(event);
    return named;
}
