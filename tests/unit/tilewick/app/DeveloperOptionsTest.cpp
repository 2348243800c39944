// The developer options, run against the built program with no display: a tool runs, writes
// its file and exits 0 without starting the program; anything else starts the program, which
// then needs an X session.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kNeedsX11Status = 2;

struct OptionCase {
    const char* name;
    QStringList arguments; // "A" and "B" stand for output files
    int status;
    // Files that must exist, and those that must not, after the run.
    QStringList written;
    QStringList notWritten;
    const char* stderrHas;
};

class DeveloperOptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(DeveloperOptionsTest, RunsTheFirstOptionBeforeAnythingElse) {
    const OptionCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto file = [&](const QString& name) { return dir.filePath(name + ".png"); };
    QStringList arguments;
    for (const QString& argument : c.arguments)
        arguments << (argument == "A" || argument == "B" ? file(argument) : argument);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(name, dir.filePath(name));
    program.setProcessEnvironment(env);
    program.start(TILEWICK_TEST_APP_DIR "/Contents/bin/Tilewick", arguments);
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());

    EXPECT_EQ(program.exitCode(), c.status) << errors.toStdString();
    for (const QString& name : c.written)
        EXPECT_TRUE(QFileInfo(file(name)).size() > 0) << name.toStdString();
    for (const QString& name : c.notWritten)
        EXPECT_FALSE(QFileInfo::exists(file(name))) << name.toStdString();
    EXPECT_TRUE(errors.contains(QString::fromUtf8(c.stderrHas))) << errors.toStdString();
    // A tool never starts the program: no activity log, not even its folder.
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("XDG_DATA_HOME/Veldor Pellrath Beta")));
}

INSTANTIATE_TEST_SUITE_P(
    Scan, DeveloperOptionsTest,
    ::testing::Values(
        OptionCase{"First", {"--render-icon-check", "A"}, 0, {"A"}, {}, ""},
        OptionCase{"AfterOtherArguments", {"--verbose", "--render-quarter-concept", "B"}, 0, {"B"}, {}, ""},
        OptionCase{"OnlyTheFirstOptionRuns",
                   {"--render-icon-check", "A", "--render-quarter-concept", "B"},
                   0,
                   {"A"},
                   {"B"},
                   ""},
        // Every option has its tool: one that takes a folder, given a file that is not there, names it.
        OptionCase{"FolderToolGivenAFile", {"--render-tabs", "A"}, 0, {}, {"A"}, "could not write into"},
        OptionCase{"LastArgumentStartsTheProgram",
                   {"--render-icon-check"},
                   kNeedsX11Status,
                   {},
                   {},
                   "needs an X11 session"},
        OptionCase{"LetterCaseMatters",
                   {"--Render-Icon-Check", "A"},
                   kNeedsX11Status,
                   {},
                   {"A"},
                   "needs an X11 session"}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

} // namespace
