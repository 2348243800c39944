#include "platform/xdg/XdgPaths.h"

#include <gtest/gtest.h>

namespace {

TEST(XdgPaths, FollowsTheVariables) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    env.insert("XDG_CONFIG_HOME", "/cfg/");
    env.insert("XDG_DATA_HOME", "/data");
    env.insert("XDG_STATE_HOME", "/state");
    env.insert("TMPDIR", "/run/user/1000/tmp/");
    platform::XdgPaths paths(env);
    EXPECT_EQ(paths.home(), "/home/ann");
    EXPECT_EQ(paths.configHome(), "/cfg");
    EXPECT_EQ(paths.autostart(), "/cfg/autostart");
    EXPECT_EQ(paths.applicationSupport(), "/data");
    EXPECT_EQ(paths.diagnosticReports(), "/state/DiagnosticReports");
    EXPECT_EQ(paths.temporary(), "/run/user/1000/tmp");
}

TEST(XdgPaths, FallsBackUnderHomeForMissingOrRelativeValues) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    env.insert("XDG_CONFIG_HOME", "relative/config");
    env.insert("XDG_DATA_HOME", "");
    env.insert("TMPDIR", "tmp");
    platform::XdgPaths paths(env);
    EXPECT_EQ(paths.configHome(), "/home/ann/.config");
    EXPECT_EQ(paths.autostart(), "/home/ann/.config/autostart");
    EXPECT_EQ(paths.applicationSupport(), "/home/ann/.local/share");
    EXPECT_EQ(paths.diagnosticReports(), "/home/ann/.local/state/DiagnosticReports");
    EXPECT_EQ(paths.temporary(), "/tmp");
}

} // namespace
