#include "betakit/CrashReader.h"
#include "betakit/CrashReportWriter.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <csignal>

#include <sys/stat.h>

namespace {

using betakit::CrashReader;

const QDateTime kDate = QDateTime::fromString(QStringLiteral("2026-12-05T17:20:53Z"), Qt::ISODate);

QString dataPath(const QString& name) {
    return QStringLiteral(TILEWICK_TEST_DATA_DIR "/crash-reports/") + name;
}

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Each report beside the summary it gives ("<name>.txt"), or none when no .txt is checked in.
// TILEWICK_UPDATE_GOLDENS=1 writes the summaries instead; read them before checking them in.
TEST(CrashReaderTest, GoldenReportsGiveTheirSummaries) {
    for (const char* name : {"example", "minimal", "wrong-types", "truncated", "one-line", "body-array"}) {
        SCOPED_TRACE(name);
        const auto summary =
            CrashReader::summarizeCrashReport(readText(dataPath(name + QStringLiteral(".ips"))), kDate);
        const QString expectedPath = dataPath(name + QStringLiteral(".txt"));
        if (qEnvironmentVariableIntValue("TILEWICK_UPDATE_GOLDENS") == 1 && summary) {
            QFile out(expectedPath);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(summary->toUtf8());
            continue;
        }
        if (QFile::exists(expectedPath)) {
            ASSERT_TRUE(summary);
            EXPECT_EQ(summary->toStdString(), readText(expectedPath).toStdString());
        } else {
            EXPECT_FALSE(summary);
        }
    }
}

TEST(CrashReaderTest, OnlyTheFirstFortyFramesAndTheirLibrariesAreShown) {
    QJsonArray frames;
    for (int i = 0; i < 55; ++i)
        frames.append(QJsonObject{{"imageIndex", i}, {"imageOffset", 16}});
    QJsonArray images;
    for (int i = 0; i < 55; ++i)
        images.append(QJsonObject{{"name", QStringLiteral("lib%1").arg(i)}});
    const QJsonObject body{{"threads", QJsonArray{QJsonObject{{"frames", frames}}}}, {"usedImages", images}};
    const auto summary = CrashReader::summarizeCrashReport(
        QStringLiteral("{}\n") + QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact)),
        kDate);
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->contains(QStringLiteral("\n 39  lib39")));
    EXPECT_FALSE(summary->contains(QStringLiteral(" 40  lib40")));
    EXPECT_TRUE(summary->endsWith(QStringLiteral("\n  lib39")));
}

TEST(CrashReaderTest, HostileFilesGiveNoEntryRatherThanACrash) {
    QTemporaryDir folder;
    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    const QByteArray deep =
        QByteArray("{}\n{\"asi\":") + QByteArray(100000, '[') + QByteArray(100000, ']') + "}";
    EXPECT_FALSE(CrashReader::crashEntry(write(QStringLiteral("deep.ips"), deep)));
    QByteArray huge = "{}\n{\"asi\":\"" + QByteArray(CrashReader::kMaxReportBytes, 'a') + "\"}";
    EXPECT_FALSE(CrashReader::crashEntry(write(QStringLiteral("huge.ips"), huge)));
    EXPECT_FALSE(
        CrashReader::crashEntry(write(QStringLiteral("latin1.ips"), "{\"app_name\":\"caf\xe9\"}\n{}\n")));
    EXPECT_FALSE(CrashReader::crashEntry(folder.filePath(QStringLiteral("missing.ips"))));
    EXPECT_FALSE(CrashReader::crashEntry(folder.path()));
}

TEST(CrashReaderTest, AReportOfExactlyTheSizeLimitIsRead) {
    QTemporaryDir folder;
    for (const qint64 size : {CrashReader::kMaxReportBytes, CrashReader::kMaxReportBytes + 1}) {
        SCOPED_TRACE(size);
        const QByteArray head = "{\"app_name\":\"Tilewick\"}\n{\"asi\":\"";
        const QByteArray tail = "\"}";
        QFile file(folder.filePath(QStringLiteral("Tilewick-%1.ips").arg(size)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(head + QByteArray(size - head.size() - tail.size(), 'a') + tail);
        file.close();
        ASSERT_EQ(QFileInfo(file.fileName()).size(), size);
        EXPECT_EQ(CrashReader::crashEntry(file.fileName()).has_value(), size == CrashReader::kMaxReportBytes);
    }
}

TEST(CrashReaderTest, EntryNamesKeepTheirLengthWithForeignCharactersReplaced) {
    EXPECT_EQ(CrashReader::entryName(QStringLiteral("/r/Tilewick-2026:12 \u00e9\U0001F600(1).ips")),
              QStringLiteral("Tilewick-2026-12 --(1)"));
    EXPECT_EQ(CrashReader::entryName(QStringLiteral("/r/") + QString(130, u'x') + QStringLiteral(".ips")),
              QString(120, u'x'));
}

TEST(CrashReaderTest, FieldsPassOnlyWhenTheWholeValueIsAllowed) {
    const struct {
        QJsonValue value;
        bool kept;
    } cases[] = {
        {QStringLiteral("EXC_BAD_ACCESS (SIGSEGV)"), true},
        {QString(120, u'x'), true},
        {QString(121, u'x'), false},
        {QStringLiteral("Evil\n"), false},
        {QStringLiteral("Evil\nLine"), false},
        {QStringLiteral("Evil\r"), false},
        {QStringLiteral("\nEvil"), false},
        {QStringLiteral("say \"hi\""), false},
        {QString(), false},
        {QJsonValue(42), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        EXPECT_EQ(CrashReader::sanitizedReportField(c.value),
                  c.kept ? std::optional(c.value.toString()) : std::nullopt);
    }
}

TEST(CrashReaderTest, AQueueNameWithALineFeedIsLeftOut) {
    const auto header = [](const QString& queue) {
        const QJsonObject body{
            {"threads", QJsonArray{QJsonObject{{"queue", queue}, {"frames", QJsonArray()}}}}};
        const auto summary = CrashReader::summarizeCrashReport(
            QStringLiteral("{}\n") + QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact)),
            kDate);
        return summary ? summary->split(u'\n').filter(QStringLiteral("Crashed thread")).join(u'|')
                       : QString();
    };
    EXPECT_EQ(header(QStringLiteral("com.corvane.tilewick.appsnaps")),
              QStringLiteral("Crashed thread 0 (queue com.corvane.tilewick.appsnaps):"));
    EXPECT_EQ(header(QStringLiteral("main\n")), QStringLiteral("Crashed thread 0:"));
    EXPECT_EQ(header(QString(81, u'q')), QStringLiteral("Crashed thread 0:"));
}

TEST(CrashReaderTest, SymbolsAreCutAtTwoHundredCharactersAndStayOnTheirLine) {
    const QString face = QStringLiteral("\U0001F600");
    const QJsonObject frame{{"symbolLocation", 12}};
    const struct {
        QString symbol;
        QString text;
    } cases[] = {
        {QString(200, u'a') + u'b', u' ' + QString(200, u'a') + QStringLiteral(" + 12")},
        // The two halves of the 200th character stay together; none of the 201st is kept.
        {QString(199, u'a') + face + face, u' ' + QString(199, u'a') + face + QStringLiteral(" + 12")},
        {face.repeated(201), u' ' + face.repeated(200) + QStringLiteral(" + 12")},
        {QStringLiteral("main\nCrashed thread 7:\u2028x"),
         QStringLiteral(" main\uFFFDCrashed thread 7:\uFFFDx + 12")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.symbol.size());
        EXPECT_EQ(CrashReader::frameSymbolText(c.symbol, frame).toStdString(), c.text.toStdString());
    }
}

class CrashReportWriterTest : public SimPlatformTest {
protected:
    QString install() {
        const QString folder = paths().diagnosticReports();
        betakit::CrashReportWriter::install(
            folder, {QStringLiteral("Tilewick"), QStringLiteral("1.4"), QStringLiteral("212")});
        return folder;
    }
    // The test process keeps no handler of its own.
    static void uninstall() {
        for (const int fatal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
            signal(fatal, SIG_DFL);
    }
    static mode_t mode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
};

TEST_F(CrashReportWriterTest, AReportOfTheHandlerIsReadBack) {
    const QString folder = install();
    uninstall();
    ASSERT_TRUE(betakit::CrashReportWriter::writeReportForTesting(SIGSEGV));
    const QStringList reports = QDir(folder).entryList({QStringLiteral("Tilewick-*.ips")}, QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    // Reports and the folder that lists them are the user's alone.
    EXPECT_EQ(mode(folder), 0700u);
    EXPECT_EQ(mode(folder + u'/' + reports.first()), 0600u);
    // Another crash in the same second gets a file of its own.
    ASSERT_TRUE(betakit::CrashReportWriter::writeReportForTesting(SIGABRT));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("Tilewick-*.ips")}, QDir::Files).size(), 2);

    const auto entry = CrashReader::crashEntry(folder + u'/' + reports.first());
    ASSERT_TRUE(entry);
    const QStringList lines = entry->text.split(u'\n');
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Crash of Tilewick 1.4 (212) at ")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Linux "))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("Exception: Fatal signal (SIGSEGV) sent by process %1").arg(getpid()));
    EXPECT_EQ(lines[3], QStringLiteral("Termination: SIGNAL 11 Segmentation fault: 11"));
    EXPECT_EQ(lines[5], QStringLiteral("Crashed thread 0 (queue main):"));
    // The frames name the libraries they lie in.
    EXPECT_TRUE(entry->text.contains(QStringLiteral("  betakit_tests  "))) << entry->text.toStdString();
    EXPECT_TRUE(entry->text.contains(QStringLiteral("\n  libc.so.6  "))) << entry->text.toStdString();
}

// A call through a null or wild function pointer leaves a broken stack: the unwinder stops at pc 0,
// and at a pc without unwind information reads the code there and faults again inside the handler.
// Either way the report is written and read, naming the interrupted address, and the process still
// dies of its own signal.
TEST_F(CrashReportWriterTest, ACallThroughABadFunctionPointerLeavesAReadableReport) {
    const QString folder = install();
    for (const std::uintptr_t address : {std::uintptr_t(0), std::uintptr_t(0x10)}) {
        SCOPED_TRACE(address);
        QDir(folder).removeRecursively();
        EXPECT_EXIT(
            {
                using Call = void (*)();
                volatile Call call = reinterpret_cast<Call>(address);
                call();
            },
            testing::KilledBySignal(SIGSEGV), "");
        const QStringList reports = QDir(folder).entryList({QStringLiteral("Tilewick-*.ips")}, QDir::Files);
        ASSERT_EQ(reports.size(), 1);
        const auto entry = CrashReader::crashEntry(folder + u'/' + reports.first());
        ASSERT_TRUE(entry);
        const QString hex = QStringLiteral("0x") + QString::number(quint64(address), 16);
        const QStringList lines = entry->text.split(u'\n');
        ASSERT_EQ(lines.size(), 9) << entry->text.toStdString();
        EXPECT_EQ(lines[2], QStringLiteral("Exception: Fatal signal (SIGSEGV) SEGV_MAPERR at ") + hex);
        EXPECT_EQ(lines[5], QStringLiteral("Crashed thread 0:"));
        EXPECT_EQ(lines[6].simplified(), QStringLiteral("0 ? ") + hex) << entry->text.toStdString();
    }
    uninstall();
}

} // namespace
