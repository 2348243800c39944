#include "betakit/LogStore.h"
#include "betakit/BetaLog.h"

#include "support/SimPlatformTest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace betakit;

namespace {

qint64 utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

class LogStoreTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        folder = paths().applicationSupport() + "/Veldor Pellrath Beta/tile-wick";
    }

    LogStore& store() { return LogStore::shared(); }

    // Moves the virtual clock to `iso` (UTC); whole seconds first, so no millisecond is lost.
    void setNow(const char* iso) {
        const qint64 delta = utc(iso) - platform().clock().wallMillis();
        ASSERT_GE(delta, 0);
        runtime().advance(double(delta / 1000));
        runtime().advance(double(delta % 1000) / 1000.0);
        ASSERT_EQ(platform().clock().wallMillis(), utc(iso));
    }

    QString path(const char* day) const { return folder + "/activity-" + day + ".log"; }

    QStringList lines(const char* day) {
        store().flush();
        QFile f(path(day));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Files this process holds open, by path.
    static QStringList openFiles() {
        QStringList result;
        for (const QFileInfo& fd :
             QDir("/proc/self/fd").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            result << fd.symLinkTarget();
        return result;
    }

    static void write(const QString& filePath, const QByteArray& content) {
        QFile f(filePath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    QString folder;
};

TEST_F(LogStoreTest, WritesStampedLinesInCallOrder) {
    store().start(folder);
    setNow("2026-03-01T09:05:03.250Z");
    BetaLog::event("hotkeys", {{"active", true}, {"accessibility", true}});
    runtime().advance(0.001);
    BetaLog::event("beta.quit");
    BetaLog::event("overlay.shown", {{"delay", 0.12}});
    EXPECT_EQ(lines("2026-03-01"),
              (QStringList{"2026-03-01T09:05:03.250Z hotkeys active=true accessibility=true",
                           "2026-03-01T09:05:03.251Z beta.quit",
                           "2026-03-01T09:05:03.251Z overlay.shown delay=0.12"}));
}

TEST_F(LogStoreTest, LinesFromManyThreadsKeepEachThreadsOrder) {
    store().start(folder);
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i)
                BetaLog::event("tick", {{"thread", t}, {"n", i}});
        });
    }
    for (auto& thread : threads)
        thread.join();
    const QStringList all = lines("2024-01-01");
    ASSERT_EQ(all.size(), kThreads * kPerThread);
    std::vector<int> next(kThreads, 0);
    for (const QString& line : all) {
        const QStringList parts = line.split(u' ');
        const int t = parts[2].mid(7).toInt();
        EXPECT_EQ(parts[3], QString("n=%1").arg(next[t]++));
    }
}

TEST_F(LogStoreTest, LinesBeforeStartWaitWithTheirOwnStamps) {
    setNow("2026-03-01T23:59:59.999Z");
    BetaLog::event("early.one");
    runtime().advance(0.001);
    BetaLog::event("early.two");
    store().flush();
    EXPECT_FALSE(QDir(folder).exists());

    runtime().advance(60);
    store().start(folder);
    BetaLog::event("after.start");
    EXPECT_EQ(lines("2026-03-01"), QStringList{"2026-03-01T23:59:59.999Z early.one"});
    EXPECT_EQ(lines("2026-03-02"),
              (QStringList{"2026-03-02T00:00:00.000Z early.two", "2026-03-02T00:01:00.000Z after.start"}));
}

TEST_F(LogStoreTest, KeepsAtMostFiveHundredLinesBeforeStart) {
    for (int i = 0; i < 501; ++i)
        BetaLog::event("early", {{"n", i}});
    store().start(folder);
    const QStringList all = lines("2024-01-01");
    ASSERT_EQ(all.size(), 500);
    EXPECT_TRUE(all.first().endsWith(" early n=0"));
    EXPECT_TRUE(all.last().endsWith(" early n=499"));
}

TEST_F(LogStoreTest, MidnightClosesOneDayFileAndOpensTheNext) {
    store().start(folder);
    setNow("2026-03-01T23:59:59.999Z");
    BetaLog::event("late");
    store().flush();
    EXPECT_TRUE(openFiles().contains(path("2026-03-01")));
    runtime().advance(0.001);
    BetaLog::event("early");
    EXPECT_EQ(lines("2026-03-01"), QStringList{"2026-03-01T23:59:59.999Z late"});
    EXPECT_EQ(lines("2026-03-02"), QStringList{"2026-03-02T00:00:00.000Z early"});
    EXPECT_FALSE(openFiles().contains(path("2026-03-01")));
    EXPECT_TRUE(openFiles().contains(path("2026-03-02")));
}

TEST_F(LogStoreTest, DailyCapWritesOneMarkerThenDrops) {
    setNow("2026-03-01T12:00:00.000Z");
    QDir().mkpath(folder);
    write(path("2026-03-01"), QByteArray(1'999'989, 'x') + '\n');
    store().start(folder);
    const std::string body = "fill k=" + std::string(100 - 25 - 7 - 1, 'v');
    store().stampAndAppend(platform().clock().wallMillis(), body); // 100 bytes with its line feed
    BetaLog::event("dropped");
    store().flush();
    QFile f(path("2026-03-01"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    const QByteArray tail = "2026-03-01T12:00:00.000Z " + QByteArray::fromStdString(body) +
                            "\n2026-03-01T12:00:00.000Z beta.log_full\n";
    EXPECT_TRUE(content.endsWith(tail));
    EXPECT_EQ(content.size(), 1'999'990 + 100 + 39);

    // After a restart the size is read again: nothing more that day, and no second marker.
    LogStore::resetSharedForTesting();
    store().start(folder);
    BetaLog::event("still.dropped");
    store().flush();
    EXPECT_EQ(QFileInfo(path("2026-03-01")).size(), content.size());
    runtime().advance(12 * 3600);
    BetaLog::event("next.day");
    EXPECT_EQ(lines("2026-03-02"), QStringList{"2026-03-02T00:00:00.000Z next.day"});
}

// The line whose line feed reaches the cap exactly is the day's last: the marker follows it. One
// byte short of the cap, the next line still goes in and the marker follows that one.
TEST_F(LogStoreTest, TheLineThatEndsAtTheCapIsFollowedByTheMarker) {
    setNow("2026-03-01T12:00:00.000Z");
    const QByteArray stamp = "2026-03-01T12:00:00.000Z ";
    const std::string body = "fill k=" + std::string(100 - 25 - 7 - 1, 'v'); // 100 bytes with stamp and feed
    const QByteArray line = stamp + QByteArray::fromStdString(body) + '\n';
    const QByteArray marker = stamp + "beta.log_full\n";
    const struct {
        qint64 before; // bytes in the day file before the 100-byte line
        QByteArray tail;
    } cases[] = {
        {LogStore::kDailyCap - 100, line + marker},
        {LogStore::kDailyCap - 101, line + stamp + "next\n" + marker},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        LogStore::resetSharedForTesting();
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        write(path("2026-03-01"), QByteArray(c.before - 1, 'x') + '\n');
        store().start(folder);
        store().stampAndAppend(platform().clock().wallMillis(), body);
        BetaLog::event("next");
        BetaLog::event("dropped");
        store().flush();
        QFile f(path("2026-03-01"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        EXPECT_EQ(content.mid(c.before).toStdString(), c.tail.toStdString());
    }
}

TEST_F(LogStoreTest, RestartAtTheCapWritesTheMarkerOnlyIfItIsMissing) {
    setNow("2026-03-01T12:00:00.000Z");
    QDir().mkpath(folder);
    const QByteArray marker = "2026-03-01T12:00:00.000Z beta.log_full\n";
    const struct {
        QByteArray before, after;
    } cases[] = {
        {QByteArray(2'000'000, 'x'), QByteArray(2'000'000, 'x')},
        // A line cut short one byte below the cap gets its line feed, which fills the day.
        {QByteArray(1'999'999, 'x'), QByteArray(1'999'999, 'x') + '\n' + marker},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before.size());
        LogStore::resetSharedForTesting();
        write(path("2026-03-01"), c.before);
        store().start(folder);
        BetaLog::event("dropped");
        BetaLog::event("dropped.too");
        store().flush();
        QFile f(path("2026-03-01"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == c.after);
    }
}

TEST_F(LogStoreTest, ALineCutShortDoesNotSwallowTheNext) {
    setNow("2026-03-01T12:00:00.000Z");
    QDir().mkpath(folder);
    write(path("2026-03-01"), "2026-03-01T11:00:00.000Z complete\n2026-03-01T11:00:01.000Z cut sh");
    store().start(folder);
    BetaLog::event("after.crash");
    EXPECT_EQ(lines("2026-03-01"),
              (QStringList{"2026-03-01T11:00:00.000Z complete", "2026-03-01T11:00:01.000Z cut sh",
                           "2026-03-01T12:00:00.000Z after.crash"}));
}

TEST_F(LogStoreTest, PruningKeepsThreeDaysAndOtherFiles) {
    setNow("2026-03-04T10:00:00.000Z");
    QDir().mkpath(folder);
    for (const char* name : {"activity-2026-02-27.log", "activity-2026-02-28.log", "activity-2026-03-01.log",
                             "activity-2026-03-02.log", "activity-2026-03-03.log", "running",
                             "activity-notes.txt", "Activity-2026-01-01.log"})
        write(folder + "/" + name, "x\n");
    store().start(folder);
    store().flush();
    const auto expectDayFiles = [&](const QStringList& days) {
        QStringList expected = {"Activity-2026-01-01.log", "activity-notes.txt", "running"};
        for (const QString& day : days)
            expected << "activity-" + day + ".log";
        expected.sort();
        QStringList found = QDir(folder).entryList(QDir::Files);
        found.sort();
        EXPECT_EQ(found, expected);
    };
    expectDayFiles({"2026-03-01", "2026-03-02", "2026-03-03"});

    // A new day file prunes again; the day three days back may still hold lines within reach.
    setNow("2026-03-05T00:00:00.000Z");
    BetaLog::event("new.day");
    store().flush();
    expectDayFiles({"2026-03-02", "2026-03-03", "2026-03-05"});
}

TEST_F(LogStoreTest, PruningNeverDeletesTheFileBeingWritten) {
    setNow("2026-03-10T10:00:00.000Z");
    store().start(folder);
    // A line whose stamp is older than the retention (its caller took the time long ago).
    store().stampAndAppend(utc("2026-03-01T08:00:00.000Z"), "stale.line");
    EXPECT_EQ(lines("2026-03-01"), QStringList{"2026-03-01T08:00:00.000Z stale.line"});
}

TEST_F(LogStoreTest, ReadingBackTakesTheNewestLinesWithinTheBudget) {
    EXPECT_TRUE(store().recentLines(10'000, platform().clock().wallMillis()).isEmpty()); // no folder yet
    setNow("2026-03-01T10:00:00.000Z");
    QDir().mkpath(folder);
    write(path("2026-02-26"), "2026-02-26T09:59:59.999Z too.old\n2026-02-26T10:00:00.000Z oldest\n");
    write(path("2026-02-27"),
          "\n2026-02-27T10:00:00.000Z kept k=v\nnot a line\n2026-02-27T10:00:01.000Z bad=\n");
    write(path("2026-02-28"), "2026-02-28T10:00:00.000Z invalid.utf8 \xff\xfe\n");
    write(folder + "/notes.log", "2026-02-28T10:00:00.000Z not.a.day.file\n");
    store().start(folder);
    BetaLog::event("newest");
    const qint64 now = platform().clock().wallMillis();

    const QStringList all = {"2026-02-26T10:00:00.000Z oldest", "2026-02-27T10:00:00.000Z kept k=v",
                             "2026-03-01T10:00:00.000Z newest"};
    EXPECT_EQ(store().recentLines(10'000, now), all);
    // Each line costs its bytes plus one for its line feed.
    const qint64 lastTwo = all[1].size() + 1 + all[2].size() + 1;
    EXPECT_EQ(store().recentLines(lastTwo, now), all.mid(1));
    EXPECT_EQ(store().recentLines(lastTwo + all[0].size(), now), all.mid(1));
    EXPECT_EQ(store().recentLines(all[2].size() + 1, now), all.mid(2));
    EXPECT_TRUE(store().recentLines(all[2].size(), now).isEmpty());
    EXPECT_TRUE(store().recentLines(0, now).isEmpty());
}

TEST_F(LogStoreTest, LineFeedsInRunTimeTextStayInsideOneLine) {
    store().start(folder);
    const QString title = "Report\n2026-01-01T00:00:00.000Z beta.quit forged=yes";
    BetaLog::event("window.title", {{"title", BetaValue::fromText(title)}, {"after", 1}});
    const QStringList written = lines("2024-01-01");
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(LogStore::lineRegex().match(written[0]).hasMatch()) << written[0].toStdString();
    EXPECT_EQ(store().recentLines(10'000, platform().clock().wallMillis()), written);
}

TEST_F(LogStoreTest, AnUnusableFolderDropsLinesReportsOnceAndRecovers) {
    store().start(folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    write(folder, "a file where the folder should be");

    testing::internal::CaptureStderr();
    BetaLog::event("lost.one");
    store().flush();
    runtime().advance(1);
    BetaLog::event("lost.two");
    store().flush();
    runtime().advance(5);
    BetaLog::event("lost.three"); // tried again, failed again, not reported again
    store().flush();
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    EXPECT_NE(report.find("activity-2024-01-01.log"), std::string::npos) << report;

    ASSERT_TRUE(QFile::remove(folder));
    BetaLog::event("lost.four"); // within the retry interval
    runtime().advance(5);
    testing::internal::CaptureStderr();
    BetaLog::event("back");
    const QStringList written = lines("2024-01-01");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("writing again"), std::string::npos);
    EXPECT_EQ(written, QStringList{"2024-01-01T00:00:11.000Z back"});
}

TEST_F(LogStoreTest, ADayFileRemovedOrReplacedWhileOpenIsOpenedAfresh) {
    const struct {
        const char* what;
        std::function<void(const QString& folder, const QString& file)> change;
    } cases[] = {
        {"folder removed", [](const QString& dir, const QString&) { QDir(dir).removeRecursively(); }},
        {"file removed", [](const QString&, const QString& file) { QFile::remove(file); }},
        {"file replaced",
         [](const QString&, const QString& file) {
             write(file + ".new", "2024-01-01T00:00:00.000Z other\n");
             ::rename(QFile::encodeName(file + ".new"), QFile::encodeName(file));
         }},
    };
    store().start(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList before = lines("2024-01-01");
        BetaLog::event("before");
        store().flush();
        c.change(folder, path("2024-01-01"));
        const QStringList kept = lines("2024-01-01");
        BetaLog::event("after");
        EXPECT_EQ(lines("2024-01-01"), kept + QStringList{"2024-01-01T00:00:00.000Z after"});
        EXPECT_EQ(openFiles().count(path("2024-01-01")), 1);
    }
}

TEST_F(LogStoreTest, DestroyingAStoreWritesWhatItWasHanded) {
    auto own = std::make_unique<LogStore>(platform().shared<platform::Runtime>());
    own->start(folder);
    own->stampAndAppend(platform().clock().wallMillis(), "handed.over");
    own.reset();
    runtime().runUntilIdle();
    EXPECT_EQ(lines("2024-01-01"), QStringList{"2024-01-01T00:00:00.000Z handed.over"});
}

// What stands in the way of the day file, and how it is cleared.
struct Obstacle {
    const char* what;
    std::function<void(const QString&file)> place, clear;
};

// Writes past the end of a file of kLimit bytes fail, as on a full disk (EFBIG instead of ENOSPC).
constexpr rlim_t kLimit = 4096;
rlimit g_savedLimit;

const Obstacle kObstacles[] = {
    {"FullDisk",
     [](const QString& file) {
         QFile f(file);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QByteArray(kLimit - 1, 'x') + '\n') == kLimit);
         f.close();
         std::signal(SIGXFSZ, SIG_IGN);
         getrlimit(RLIMIT_FSIZE, &g_savedLimit);
         rlimit limit = g_savedLimit;
         limit.rlim_cur = kLimit;
         ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
     },
     [](const QString&) { setrlimit(RLIMIT_FSIZE, &g_savedLimit); }},
    {"Device", [](const QString& file) { ASSERT_TRUE(QFile::link("/dev/full", file)); },
     [](const QString& file) { QFile::remove(file); }},
    {"Fifo", [](const QString& file) { ASSERT_EQ(::mkfifo(QFile::encodeName(file), 0600), 0); },
     [](const QString& file) { QFile::remove(file); }},
};

class LogStoreObstacleTest : public LogStoreTest, public testing::WithParamInterface<Obstacle> {};

TEST_P(LogStoreObstacleTest, DropsLinesReportsOnceAndResumesWhenCleared) {
    QDir().mkpath(folder);
    GetParam().place(path("2024-01-01"));
    // Nothing is written into a FIFO, where it could fill the pipe and block the queue.
    struct stat info {};
    const bool fifo = ::stat(QFile::encodeName(path("2024-01-01")), &info) == 0 && S_ISFIFO(info.st_mode);
    const int reader = fifo ? ::open(QFile::encodeName(path("2024-01-01")), O_RDONLY | O_NONBLOCK) : -1;
    store().start(folder);
    testing::internal::CaptureStderr();
    BetaLog::event("lost");
    store().flush();
    runtime().advance(6);
    BetaLog::event("lost.again");
    store().flush();
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    if (fifo) {
        char byte = 0;
        EXPECT_NE(::read(reader, &byte, 1), 1);
        ::close(reader);
    }

    GetParam().clear(path("2024-01-01"));
    runtime().advance(6);
    BetaLog::event("written");
    EXPECT_EQ(lines("2024-01-01").last(), "2024-01-01T00:00:12.000Z written");
}

INSTANTIATE_TEST_SUITE_P(Obstacles, LogStoreObstacleTest, testing::ValuesIn(kObstacles),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
