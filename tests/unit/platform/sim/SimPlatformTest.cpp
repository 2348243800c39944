#include "support/SimPlatformTest.h"

#include <QDir>

namespace {

using SimPlatform = SimPlatformTest;

TEST_F(SimPlatform, InstallsSimulatedServicesWithPrivateFolders) {
    auto& current = platform::Platform::current();
    EXPECT_EQ(&current.runtime(), static_cast<platform::Runtime*>(&runtime()));
    EXPECT_EQ(&current.defaults(), static_cast<platform::Defaults*>(&defaults()));
    EXPECT_TRUE(current.paths().configHome().startsWith(paths().root()));
    EXPECT_TRUE(current.paths().diagnosticReports().startsWith(paths().root()));
    EXPECT_NE(current.paths().home(), QDir::homePath());
    EXPECT_EQ(current.bundle().identifier(), "com.corvane.tilewick");

    int fired = 0;
    current.runtime().after(0.6, [&] { ++fired; });
    runtime().advance(0.6);
    EXPECT_EQ(fired, 1);
}

TEST(MemoryDefaults, TellsAbsentFromAnotherType) {
    platform::sim::MemoryDefaults d;
    EXPECT_FALSE(d.contains("showInDock"));
    d.set("showInDock", true);
    EXPECT_EQ(d.boolValue("showInDock"), true);
    EXPECT_FALSE(d.int64Value("showInDock").has_value());
    EXPECT_TRUE(d.contains("showInDock"));
    d.set("showInDock", QString("yes"));
    EXPECT_FALSE(d.boolValue("showInDock").has_value());
    d.remove("showInDock");
    EXPECT_TRUE(d.keys().isEmpty());
    EXPECT_EQ(d.writeCount(), 3);
}

} // namespace
