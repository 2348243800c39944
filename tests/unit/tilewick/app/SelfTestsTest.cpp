// The self-tests: the update timer's course on the virtual clock, and both tests run as the
// program runs them (the real executable with no display and private XDG folders).

#include "tilewick/app/SelfTests.h"
#include "tilewick/app/BetaActivity.h"
#include "tilewick/app/ShellEvents.h"

#include "support/SimPlatformTest.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using namespace Qt::StringLiterals;
using tilewick::BetaActivity;
using tilewick::test::runTool;
using tilewick::test::storedSettings;
using tilewick::test::ToolRun;

class UpdateTimerCourseTest : public SimPlatformTest {};

TEST_F(UpdateTimerCourseTest, RecordsTheChecksOfTheRunWhileTheProgramCountsAsInUse) {
    tilewick::ShellEvents events;
    // Neither active nor in front: only the override makes the program count as in use.
    BetaActivity activity(events, runtime(), {[] { return false; }, [] { return false; }}, nullptr);
    const QString report = tilewick::recordQuietChecks(activity, runtime(), [&](double seconds) {
        EXPECT_EQ(seconds, 130);
        runtime().advance(40);
        // Leaving the application changes nothing while the override holds.
        emit events.applicationDidResignActive();
        emit events.windowWillClose(u"main"_s);
        runtime().advance(seconds - 40);
    });
    EXPECT_EQ(report, u"checks at: 5.0 s, 65.0 s, 125.0 s"_s);
    EXPECT_EQ(activity.inFrontOverride, std::optional(true));
}

TEST_F(UpdateTimerCourseTest, ReportsNoTimesWhenNoCheckCame) {
    tilewick::ShellEvents events;
    BetaActivity activity(events, runtime(), {[] { return false; }, [] { return false; }}, nullptr);
    const QString report =
        tilewick::recordQuietChecks(activity, runtime(), [&](double) { runtime().advance(4.9); });
    EXPECT_EQ(report, u"checks at: "_s);
}

QString readReport(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(SelfTestsTest, PickerReportsWhereEachClickLandsAndWhatTheTypingReached) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString path = home.filePath(u"picker.txt"_s);
    const ToolRun run = runTool(home, {u"--test-picker"_s, path});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    // The window is never shown, so it is never the key window; each click opens the list and
    // leaves the cursor in the field, the typing reaches the field and the store's query.
    EXPECT_EQ(readReport(path),
              u"  magnifying glass hits PickerBoxView, key window false\n"
              u"magnifying glass: list open true, cursor in field true, typed \"dic\", "
              u"query \"dic\"\n"
              u"  chevron hits PickerBoxView, key window false\n"
              u"chevron: list open true, cursor in field true, typed \"dic\", query \"dic\"\n"
              u"  field hits PickerTextField, key window false\n"
              u"field: list open true, cursor in field true, typed \"dic\", query \"dic\""_s);
    EXPECT_EQ(storedSettings(home), (QStringList{u"lastTab=appSnaps"_s}));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"XDG_DATA_HOME/Veldor Pellrath Beta"_s)));
}

// It runs for 130 s on the real clock, as the test asks of the program: labelled slow.
TEST(SelfTestsSlow, UpdateTimerChecksFiveSecondsInThenEveryMinute) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString path = home.filePath(u"timer.txt"_s);
    const ToolRun run = runTool(home, {u"--test-update-timer"_s, path}, {}, 200000);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QString report = readReport(path);
    const QRegularExpression format(u"^checks at: (\\d+\\.\\d) s, (\\d+\\.\\d) s, (\\d+\\.\\d) s$"_s);
    const QRegularExpressionMatch times = format.match(report);
    ASSERT_TRUE(times.hasMatch()) << report.toStdString();
    // The first check after 5 s; each repeat at most 5 s after its minute (the timer's tolerance),
    // never before it.
    const std::pair<double, double> windows[] = {{5.0, 5.5}, {65.0, 70.5}, {125.0, 130.0}};
    for (int i = 0; i < 3; ++i) {
        const double at = times.captured(i + 1).toDouble();
        EXPECT_GE(at, windows[i].first) << report.toStdString();
        EXPECT_LE(at, windows[i].second) << report.toStdString();
    }
    // Nothing was written but the report.
    EXPECT_TRUE(storedSettings(home).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"XDG_DATA_HOME/Veldor Pellrath Beta"_s)));
}

} // namespace
