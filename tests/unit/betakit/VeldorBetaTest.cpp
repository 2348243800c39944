#include "betakit/VeldorBeta.h"
#include "betakit/BetaKit.h"
#include "betakit/CrashDetection.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using betakit::BetaConfiguration;
using betakit::BetaFeedback;
using betakit::BetaSendError;
using betakit::CrashDetection;
using betakit::VeldorBeta;

class VeldorBetaTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        VeldorBeta::resetForTesting();
        VeldorBeta::Parts parts;
        parts.checkForUpdateQuietly = [this](const BetaConfiguration&) {
            checks.append(runtime().clock().uptime() - startedAt);
        };
        parts.showFeedbackWindow = [this](const BetaConfiguration&, const BetaFeedback& feedback) {
            feedbackShown.append(feedback);
        };
        VeldorBeta::setParts(parts);
        alerts().setResponder([this](const platform::ModalAlert&) {
            promptsAt.append(runtime().clock().uptime() - startedAt);
            return platform::kAlertFirstButton + 1;
        });
    }
    void TearDown() override {
        VeldorBeta::resetForTesting();
        SimPlatformTest::TearDown();
    }

    BetaConfiguration configuration(const QString& appID = QStringLiteral("tile-wick")) {
        return BetaConfiguration(sharedPlatform(), appID, QStringLiteral("Tilewick"),
                                 QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {QStringLiteral("modifiers")},
                                 nullptr);
    }
    QString folder(const QString& appID = QStringLiteral("tile-wick")) {
        return betakit::supportFolder(paths(), appID);
    }
    QString marker() { return folder() + QStringLiteral("/running"); }

    void start(const BetaConfiguration& config) {
        startedAt = runtime().clock().uptime();
        VeldorBeta::start(config);
        logStartedElsewhere();
    }

    static void touch(const QString& path, const QDateTime& modified) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    // A marker left by a run that did not quit in order, and optionally a crash report after it.
    void leaveCrashedRun(bool withReport) {
        const QDateTime markerDate = QDateTime::currentDateTimeUtc().addSecs(-60);
        touch(marker(), markerDate);
        if (withReport)
            touch(paths().diagnosticReports() + u'/' + configuration().processName() +
                      QStringLiteral("-1.ips"),
                  markerDate.addSecs(1));
    }

    double startedAt = 0;
    QList<double> checks;
    QList<double> promptsAt;
    QList<BetaFeedback> feedbackShown;
};

TEST_F(VeldorBetaTest, BeforeStartNothingHappensAndSendingIsNotSetUp) {
    EXPECT_EQ(VeldorBeta::reportText(BetaFeedback{}), QString());
    std::optional<std::variant<QString, BetaSendError>> result;
    VeldorBeta::send(BetaFeedback{}, [&](auto answer) { result = answer; });
    ASSERT_TRUE(result && std::holds_alternative<BetaSendError>(*result));
    EXPECT_EQ(std::get<BetaSendError>(*result), BetaSendError::notStarted());
    EXPECT_EQ(std::get<BetaSendError>(*result).message(),
              QStringLiteral("Beta feedback isn't set up in this build."));

    VeldorBeta::askAboutCrash();
    VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false);
    VeldorBeta::checkForUpdateQuietly();
    EXPECT_TRUE(alerts().shown().isEmpty());
    EXPECT_TRUE(feedbackShown.isEmpty());
    EXPECT_TRUE(checks.isEmpty());
    EXPECT_FALSE(VeldorBeta::configuration());
}

TEST_F(VeldorBetaTest, ConfigurationDefaults) {
    const auto config = configuration();
    EXPECT_TRUE(config.askAfterCrash);
    EXPECT_FALSE(config.checksForUpdates);
    // The maker's one web host serves reports as it serves the update feed.
    EXPECT_EQ(config.endpoint, QUrl(QStringLiteral("https://veldorpellrath.example/beta/report")));
    EXPECT_EQ(config.feedbackAddress, QStringLiteral("beta@veldorpellrath.example"));
    EXPECT_EQ(config.processName(), QStringLiteral("Tilewick"));
    EXPECT_EQ(&config.defaults(), &platform().defaults());
}

TEST_F(VeldorBetaTest, FirstRunWritesAnEmptyMarkerAndLogsACleanLaunch) {
    start(configuration());
    EXPECT_TRUE(QFileInfo(marker()).isFile());
    EXPECT_EQ(QFileInfo(marker()).size(), 0);
    EXPECT_FALSE(VeldorBeta::lastRunCrashed());
    EXPECT_EQ(loggedEvents(), QStringList{QStringLiteral("beta.launch crashed_last_time=false")});
}

TEST_F(VeldorBetaTest, StartRemovesWhatAnUpdateLeftInTheTemporaryFolder) {
    const QString archive = paths().temporary() + "/beta-update-0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0.zip";
    QDir().mkpath(paths().temporary());
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    start(configuration());
    EXPECT_FALSE(QFileInfo::exists(archive));
}

// crashed last time, askAfterCrash, checksForUpdates
class VeldorBetaScheduleTest : public VeldorBetaTest,
                               public testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(VeldorBetaScheduleTest, PromptAndFirstCheckFollowTheCrashAndTheSwitches) {
    const auto [crashed, ask, checksForUpdates] = GetParam();
    if (crashed)
        leaveCrashedRun(true);
    auto config = configuration();
    config.askAfterCrash = ask;
    config.checksForUpdates = checksForUpdates;
    start(config);
    runtime().advance(20);
    EXPECT_EQ(VeldorBeta::lastRunCrashed(), crashed);
    EXPECT_EQ(promptsAt, crashed && ask ? QList<double>{1.5} : QList<double>{});
    EXPECT_EQ(checks, checksForUpdates ? QList<double>{crashed ? 8.0 : 4.0} : QList<double>{});
    EXPECT_EQ(loggedEvents(), QStringList{crashed ? QStringLiteral("beta.launch crashed_last_time=true")
                                                  : QStringLiteral("beta.launch crashed_last_time=false")});
}

INSTANTIATE_TEST_SUITE_P(All, VeldorBetaScheduleTest,
                         testing::Combine(testing::Bool(), testing::Bool(), testing::Bool()));

TEST_F(VeldorBetaTest, ASecondStartChangesNothing) {
    start(configuration());
    auto other = configuration(QStringLiteral("other"));
    other.checksForUpdates = true;
    start(other);
    runtime().advance(20);
    EXPECT_EQ(VeldorBeta::configuration()->appID, QStringLiteral("tile-wick"));
    EXPECT_EQ(VeldorBeta::supportFolder(), folder());
    EXPECT_FALSE(QFileInfo::exists(folder(QStringLiteral("other"))));
    EXPECT_TRUE(checks.isEmpty());
    EXPECT_EQ(loggedEvents().size(), 1);
}

TEST_F(VeldorBetaTest, CrashPromptOpensFeedbackOnlyOnTellUs) {
    leaveCrashedRun(true);
    start(configuration());
    alerts().clickNext(QStringLiteral("Not Now"));
    runtime().advance(2);
    ASSERT_EQ(alerts().shown().size(), 1);
    const auto& alert = alerts().shown().first();
    EXPECT_EQ(alert.message, QStringLiteral("Tilewick quit unexpectedly last time. Tell us what happened?"));
    EXPECT_EQ(alert.informativeText, QStringLiteral("A few words help us fix it. You choose what to send."));
    EXPECT_EQ(alert.buttons, (QStringList{QStringLiteral("Tell Us…"), QStringLiteral("Not Now")}));
    EXPECT_TRUE(feedbackShown.isEmpty());

    alerts().clickNext(QStringLiteral("Tell Us…"));
    VeldorBeta::askAboutCrash();
    BetaFeedback expected;
    expected.afterCrash = true;
    EXPECT_EQ(feedbackShown, QList<BetaFeedback>{expected});
    EXPECT_EQ(loggedEvents().filter(QStringLiteral("beta.")).size(), 1); // only the launch
}

TEST_F(VeldorBetaTest, MarkerAcrossCleanAndUncleanEnds) {
    // A clean quit logs "beta.quit" before the next launch and takes the marker away; old reports
    // of this program then don't count.
    touch(paths().diagnosticReports() + QStringLiteral("/Tilewick-old.ips"), QDateTime::currentDateTimeUtc());
    start(configuration());
    betakit::WillTerminate::post();
    EXPECT_FALSE(QFileInfo::exists(marker()));
    EXPECT_EQ(loggedEvents(), (QStringList{QStringLiteral("beta.launch crashed_last_time=false"),
                                           QStringLiteral("beta.quit")}));
    EXPECT_FALSE(CrashDetection::checkCrashedLastTime(folder(), paths().diagnosticReports(),
                                                      QStringLiteral("Tilewick")));

    // A marker the user deleted: the hook still logs and drains.
    QFile::remove(marker());
    betakit::WillTerminate::post();
    EXPECT_EQ(loggedEvents().last(), QStringLiteral("beta.quit"));

    // An unclean end without a report of its own is no crash.
    QDir(paths().diagnosticReports()).removeRecursively();
    leaveCrashedRun(false);
    EXPECT_FALSE(CrashDetection::checkCrashedLastTime(folder(), paths().diagnosticReports(),
                                                      QStringLiteral("Tilewick")));
}

TEST_F(VeldorBetaTest, OnlyThisProgramsReportsAtOrAfterTheMarkerCount) {
    const QDateTime marked = QDateTime::currentDateTimeUtc().addSecs(-100);
    const QString reports = paths().diagnosticReports();
    struct Case {
        QString file;
        int secondsAfterMarker;
        bool counts;
    };
    const Case cases[] = {
        {QStringLiteral("/Tilewick-2026-12-05-172053.ips"), 1, true},
        {QStringLiteral("/Tilewick-early.ips"), -1, false},
        {QStringLiteral("/Tilewick-exact.ips"), 0, true},
        {QStringLiteral("/Retired/Tilewick-retired.ips"), 2, true},
        {QStringLiteral("/Tilewick.ips"), 5, false},
        {QStringLiteral("/Tilewick-upper.IPS"), 5, false},
        {QStringLiteral("/Tilewick-text.crash"), 5, false},
        {QStringLiteral("/Other-1.ips"), 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        QDir(reports).removeRecursively();
        touch(marker(), marked);
        touch(reports + c.file, marked.addSecs(c.secondsAfterMarker));
        EXPECT_EQ(CrashDetection::checkCrashedLastTime(folder(), paths().diagnosticReports(),
                                                       QStringLiteral("Tilewick")),
                  c.counts);
    }

    // Newest first, across both folders.
    QDir(reports).removeRecursively();
    touch(reports + QStringLiteral("/Tilewick-a.ips"), marked.addSecs(1));
    touch(reports + QStringLiteral("/Retired/Tilewick-b.ips"), marked.addSecs(3));
    touch(reports + QStringLiteral("/Tilewick-c.ips"), marked.addSecs(2));
    EXPECT_EQ(CrashDetection::crashReports(paths().diagnosticReports(), marked, QStringLiteral("Tilewick")),
              (QStringList{reports + QStringLiteral("/Retired/Tilewick-b.ips"),
                           reports + QStringLiteral("/Tilewick-c.ips"),
                           reports + QStringLiteral("/Tilewick-a.ips")}));
}

// Something other than a regular file at the marker's path is left alone: a FIFO without a reader
// would hold the start at open() for ever.
TEST_F(VeldorBetaTest, WhatIsNoRegularFileAtTheMarkerNeitherBlocksNorCounts) {
    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        bool (*stillThere)(const QString&);
    } cases[] = {
        {"FIFO",
         [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
         [](const QString& path) {
             struct stat info {};
             return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
         }},
        {"folder", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path)); },
         [](const QString& path) { return QFileInfo(path).isDir(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        c.make(marker());
        auto checked = std::async(std::launch::async, [this] {
            return CrashDetection::checkCrashedLastTime(folder(), paths().diagnosticReports(),
                                                        QStringLiteral("Tilewick"));
        });
        if (checked.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "the crash check waits on the marker";
            // A reader lets the blocked open() go, so the test can end.
            QFile reader(marker());
            (void)reader.open(QIODevice::ReadOnly);
        }
        EXPECT_FALSE(checked.get());
        EXPECT_TRUE(c.stillThere(marker()));
    }
}

// Only the program writes its reports, one per crash. A folder filled with look-alikes is looked at
// only in part, so the start stays quick (bench/crash_check_bench times 100,000 of them).
TEST_F(VeldorBetaTest, TheCrashCheckDatesABoundedNumberOfReportsPerFolder) {
    const QDateTime marked = QDateTime::currentDateTimeUtc().addSecs(-100);
    const QString reports = paths().diagnosticReports();
    QDir().mkpath(reports);
    for (int i = 0; i < CrashDetection::kMaxDatedPerFolder + 7; ++i) {
        const int fd = ::creat(QFile::encodeName(reports + QStringLiteral("/Tilewick-%1.ips").arg(i)), 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    // Entries that are no reports of the program cost no dating; the other folder has its own bound.
    touch(reports + QStringLiteral("/Other-1.ips"), marked.addSecs(5));
    touch(reports + QStringLiteral("/Retired/Tilewick-retired.ips"), marked.addSecs(5));
    EXPECT_EQ(
        CrashDetection::crashReports(paths().diagnosticReports(), marked, QStringLiteral("Tilewick")).size(),
        CrashDetection::kMaxDatedPerFolder + 1);
}

} // namespace
