#include "betakit/ReportBuilder.h"
#include "betakit/BetaLog.h"
#include "betakit/BetaScrubber.h"
#include "betakit/LogStore.h"
#include "betakit/VeldorBeta.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

namespace {

using betakit::BetaConfiguration;
using betakit::BetaFeedback;
using betakit::BetaPair;
using betakit::BetaScrubber;
using betakit::BetaValue;
using betakit::ReportBuilder;
using Kind = BetaFeedback::Kind;
using Severity = BetaFeedback::Severity;
using SettingValue = ReportBuilder::SettingValue;

} // namespace

namespace betakit {
void PrintTo(const ReportBuilder::SettingValue& setting, std::ostream* out) {
    std::visit(
        [out](const auto& v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, QString>)
                *out << '"' << v.toStdString() << '"';
            else
                *out << v;
        },
        setting.value);
}
} // namespace betakit

namespace {

QString dataPath(const QString& name) {
    return QStringLiteral(TILEWICK_TEST_DATA_DIR "/") + name;
}

class ReportBuilderTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        identity().setValues({QStringLiteral("/home/jdoe"),
                              QStringLiteral("jdoe"),
                              QStringLiteral("Jane Doe"),
                              QStringLiteral("Jane's Desk"),
                              QStringLiteral("janes-desk"),
                              {QStringLiteral("6f1c2a9e0b7d4c3a8e5f1029384756ab")}});
        systemFacts().setValues({QStringLiteral("Fedora Linux 40 (Workstation Edition)"),
                                 {6, 8, 9},
                                 QStringLiteral("x86_64"),
                                 false,
                                 QByteArray("20XW0026GE")});
        bundle().setVersion(QStringLiteral("1.4"));
        bundle().setBuild(QStringLiteral("212"));
    }

    BetaConfiguration configuration() {
        return BetaConfiguration(sharedPlatform(), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                                 QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"),
                                 {QStringLiteral("keyboardOverlay"), QStringLiteral("modifiers"),
                                  QStringLiteral("lastTab"), QStringLiteral("bindingsVersion")},
                                 [this] {
                                     ++extrasRead;
                                     return extras;
                                 });
    }

    QByteArray build(const BetaFeedback& feedback) {
        return ReportBuilder::build(feedback, configuration(), runtime().clock().wallMillis(),
                                    BetaScrubber(platform()));
    }
    QJsonObject buildObject(const BetaFeedback& feedback) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(build(feedback), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return document.object();
    }
    QJsonObject diagnostics() {
        BetaFeedback feedback;
        feedback.includeDiagnostics = true;
        return buildObject(feedback).value(u"diagnostics").toObject();
    }

    void startLog() {
        betakit::LogStore::shared().start(paths().root() + QStringLiteral("/log"));
        logStartedElsewhere();
    }
    // A crash report of the program, dated `secondsAgo` before the clock's now.
    void placeCrashReport(const QString& name, qint64 secondsAgo, const QString& source = "example.ips") {
        const QString folder = paths().diagnosticReports();
        QDir().mkpath(folder);
        const QString path = folder + u'/' + name;
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(dataPath(QStringLiteral("crash-reports/") + source), path));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(
            QDateTime::fromMSecsSinceEpoch(runtime().clock().wallMillis() - secondsAgo * 1000, Qt::UTC),
            QFileDevice::FileModificationTime));
    }

    // Report bytes checked in as tests/data/reports/<name>.json. TILEWICK_UPDATE_GOLDENS=1 writes
    // them instead; read them before checking them in.
    static void expectGolden(const char* name, const QByteArray& report) {
        const QString path = dataPath(QStringLiteral("reports/%1.json").arg(QLatin1String(name)));
        if (qEnvironmentVariableIntValue("TILEWICK_UPDATE_GOLDENS") == 1) {
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(report);
            return;
        }
        QFile expected(path);
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        EXPECT_EQ(report.toStdString(), expected.readAll().toStdString());
    }

    std::vector<BetaPair> extras;
    int extrasRead = 0;
};

// Report bytes for fixed identity, facts, settings, crash report and log.
TEST_F(ReportBuilderTest, GoldenReports) {
    defaults().set(QStringLiteral("keyboardOverlay"), true);
    defaults().set(QStringLiteral("modifiers"), quint64(1572864));
    defaults().set(QStringLiteral("lastTab"), QStringLiteral("halves"));
    extras = {{"launchAtLogin", false}, {"accessibilityAllowed", true}, {"hotkeysActive", true}};
    placeCrashReport(QStringLiteral("Tilewick-2023-12-31-230000.ips"), 3600);
    startLog();
    runtime().advance(0.25);
    betakit::BetaLog::event("beta.launch", {{"crashed_last_time", true}});
    betakit::BetaLog::event("snap", {{"layout", "left_half"}, {"host", "janes-desk"}});
    betakit::BetaLog::event("jdoe.private", {{"from", "192.168.1.20"}});
    runtime().advance(1.5);

    struct Golden {
        const char* name;
        BetaFeedback feedback;
    };
    const Golden goldens[] = {
        {"problem",
         {Kind::Problem, Severity::Annoying, QStringLiteral("  Snapping stops\nafter sleep "),
          QStringLiteral("Since 1.4 on /home/jdoe/Desktop, \"left half\" does nothing.\n\tJane Doe\n\\o/ "
                         "ünïcödé 👍🏽 \u0001"),
          QStringLiteral(" jane@example.org\n"), false, false}},
        {"idea-after-crash",
         {Kind::Idea, Severity::Blocking, QStringLiteral("Thirds on wide screens"), QString(),
          QStringLiteral("   "), false, true}},
        {"diagnostics",
         {Kind::Problem, std::nullopt, QStringLiteral("Crashed while moving a window"),
          QStringLiteral("It crashed on janes-desk."), QString(), true, true}},
    };
    for (const Golden& golden : goldens) {
        SCOPED_TRACE(golden.name);
        expectGolden(golden.name, build(golden.feedback));
    }
}

// Diagnostics with nothing to report still hold all four members.
TEST_F(ReportBuilderTest, GoldenReportWithEmptyDiagnostics) {
    systemFacts().setValues({QStringLiteral("Debian GNU/Linux 12 (bookworm)"),
                             {6, 1, 0},
                             QStringLiteral("aarch64"),
                             true,
                             std::nullopt});
    BetaFeedback feedback{Kind::Love, Severity::Minor, QStringLiteral("Love it"), QString(), QString(), true,
                          false};
    expectGolden("empty-diagnostics", build(feedback));
}

TEST_F(ReportBuilderTest, SeverityOnlyForAProblemThatHasOne) {
    struct Case {
        Kind kind;
        std::optional<Severity> severity;
        std::optional<QString> reported;
    };
    const Case cases[] = {
        {Kind::Problem, Severity::Minor, QStringLiteral("minor")},
        {Kind::Problem, Severity::Blocking, QStringLiteral("blocking")},
        {Kind::Problem, std::nullopt, std::nullopt},
        {Kind::Idea, Severity::Blocking, std::nullopt},
        {Kind::Love, Severity::Minor, std::nullopt},
    };
    for (const Case& c : cases) {
        BetaFeedback feedback;
        feedback.kind = c.kind;
        feedback.severity = c.severity;
        const QJsonObject report = buildObject(feedback);
        EXPECT_EQ(report.value(u"kind").toString(), BetaFeedback::rawValue(c.kind));
        EXPECT_EQ(report.contains(u"severity"), c.reported.has_value());
        if (c.reported) {
            EXPECT_EQ(report.value(u"severity").toString(), *c.reported);
        }
    }
}

TEST_F(ReportBuilderTest, EmailIsTrimmedAndBringsNews) {
    struct Case {
        QString email;
        std::optional<QString> reported;
    };
    const Case cases[] = {
        {QString(), std::nullopt},
        {QStringLiteral(" \n\t"), std::nullopt},
        {QStringLiteral("  ann@example.org \n"), QStringLiteral("ann@example.org")},
        // Neither checked nor scrubbed: the user gave it to be answered.
        {QStringLiteral("not an address"), QStringLiteral("not an address")},
    };
    for (const Case& c : cases) {
        BetaFeedback feedback;
        feedback.email = c.email;
        const QJsonObject report = buildObject(feedback);
        EXPECT_EQ(report.contains(u"email"), c.reported.has_value());
        EXPECT_EQ(report.contains(u"news"), c.reported.has_value());
        if (c.reported) {
            EXPECT_EQ(report.value(u"email").toString(), *c.reported);
            EXPECT_EQ(report.value(u"news"), QJsonValue(true));
        }
    }
}

TEST_F(ReportBuilderTest, TextsAreCleanedScrubbedThenCut) {
    BetaFeedback feedback;
    feedback.summary = QStringLiteral("Jane Doe\n") + QString(250, u's');
    feedback.details = QStringLiteral("jane doe ") + QStringLiteral("e\u0301").repeated(20000);
    const QJsonObject report = buildObject(feedback);
    // "[name removed]" (14) + blank + 185 of the rest.
    EXPECT_EQ(report.value(u"summary").toString(), QStringLiteral("[name removed] ") + QString(185, u's'));
    const QString details = report.value(u"details").toString();
    EXPECT_TRUE(details.startsWith(QStringLiteral("[name removed] e\u0301")));
    EXPECT_EQ(details, QStringLiteral("[name removed] ") + QStringLiteral("e\u0301").repeated(20000 - 15));
    // Free text keeps single words of the name and the account name.
    feedback.summary = QStringLiteral("Jane jdoe");
    EXPECT_EQ(buildObject(feedback).value(u"summary").toString(), QStringLiteral("Jane jdoe"));
}

TEST_F(ReportBuilderTest, WithoutDiagnosticsNothingElseIsRead) {
    placeCrashReport(QStringLiteral("Tilewick-1.ips"), 60);
    defaults().set(QStringLiteral("lastTab"), QStringLiteral("halves"));
    extras = {{"hotkeysActive", true}};
    BetaFeedback feedback;
    const QJsonObject report = buildObject(feedback);
    EXPECT_FALSE(report.contains(u"diagnostics"));
    EXPECT_EQ(extrasRead, 0);
    EXPECT_EQ(report.keys(),
              QStringList({"afterCrash", "app", "details", "kind", "schema", "sentAt", "summary", "system"}));
    EXPECT_EQ(report.value(u"sentAt").toString(), QStringLiteral("2024-01-01T00:00:00.000Z"));
    EXPECT_EQ(report.value(u"schema"), QJsonValue(1));
}

TEST_F(ReportBuilderTest, StoredSettingsAreReportedByType) {
    struct Case {
        const char* what;
        platform::DefaultsValue stored;
        QJsonValue reported;
    };
    const Case cases[] = {
        {"Boolean", true, QJsonValue(true)},
        {"integer", qint64(-42), QJsonValue(-42)},
        {"unsigned integer", quint64(1572864), QJsonValue(1572864)},
        {"double", 0.25, QJsonValue(0.25)},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), QJsonValue("[text]")},
        {"infinity", std::numeric_limits<double>::infinity(), QJsonValue("[text]")},
        {"plain word", QStringLiteral("two_thirds-1.5+x"), QJsonValue("two_thirds-1.5+x")},
        {"empty text", QString(), QJsonValue("")},
        {"64 characters", QString(64, u'a'), QJsonValue(QString(64, u'a'))},
        {"65 characters", QString(65, u'a'), QJsonValue("[text]")},
        {"text with a blank", QStringLiteral("two words"), QJsonValue("[text]")},
        {"the account name", QStringLiteral("JDOE"), QJsonValue("[text]")},
        {"a computer name", QStringLiteral("janes-desk"), QJsonValue("[text]")},
        {"an address", QStringLiteral("10.0.0.1"), QJsonValue("[text]")},
        {"data", QByteArray("abc"), QJsonValue("[text]")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        defaults().set(QStringLiteral("lastTab"), c.stored);
        EXPECT_EQ(diagnostics().value(u"settings").toObject(), QJsonObject({{"lastTab", c.reported}}));
    }
}

TEST_F(ReportBuilderTest, UnsignedSettingsKeepTheirExactValue) {
    defaults().set(QStringLiteral("modifiers"), std::numeric_limits<quint64>::max());
    BetaFeedback feedback;
    feedback.includeDiagnostics = true;
    EXPECT_TRUE(build(feedback).contains("\"modifiers\" : 18446744073709551615"));
}

TEST_F(ReportBuilderTest, ExtraSettingsReadTheirTextAndWinOverStoredOnes) {
    struct Case {
        BetaValue value;
        SettingValue reported;
    };
    const Case cases[] = {
        {true, {true}},
        {false, {false}},
        {42, {qint64(42)}},
        {-7, {qint64(-7)}},
        {0.5, {0.5}},
        {BetaValue::name("1e3"), {1000.0}},
        {BetaValue::name("99999999999999999999"), {1e20}},
        {BetaValue::name("0x10"), {16.0}},
        {BetaValue::name("nan"), SettingValue::text("nan")},
        {BetaValue::name("inf"), SettingValue::text("inf")},
        {BetaValue::name("-infinity"), SettingValue::text("-infinity")},
        {BetaValue::name("1e999"), SettingValue::text("1e999")},
        {BetaValue::name("1.5x"), SettingValue::text("1.5x")},
        {"jdoe", SettingValue::text("jdoe")},
        {"halves", SettingValue::text("halves")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.text());
        EXPECT_EQ(ReportBuilder::extraSettingValue(c.value), c.reported);
    }

    defaults().set(QStringLiteral("lastTab"), QStringLiteral("halves"));
    defaults().set(QStringLiteral("keyboardOverlay"), false);
    extras = {{"lastTab", "thirds"}, {"hotkeysActive", true}, {"ratio", BetaValue::name("nan")}};
    EXPECT_EQ(
        diagnostics().value(u"settings").toObject(),
        QJsonObject(
            {{"keyboardOverlay", false}, {"lastTab", "thirds"}, {"hotkeysActive", true}, {"ratio", "nan"}}));
    EXPECT_EQ(extrasRead, 1);
}

TEST_F(ReportBuilderTest, AtMostTheThreeNewestCrashReportsOfTheLastThreeDays) {
    placeCrashReport(QStringLiteral("Tilewick-a.ips"), 60);
    placeCrashReport(QStringLiteral("Tilewick-b.ips"), 120, "one-line.ips"); // unreadable
    placeCrashReport(QStringLiteral("Tilewick-c.ips"), 180, "minimal.ips");
    placeCrashReport(QStringLiteral("Tilewick-d.ips"), 240);
    placeCrashReport(QStringLiteral("Tilewick-e.ips"), ReportBuilder::kCrashWindowSeconds + 60);
    placeCrashReport(QStringLiteral("Other-f.ips"), 30);
    QStringList names;
    for (const QJsonValue crash : diagnostics().value(u"crashes").toArray())
        names << crash.toObject().value(u"name").toString();
    // The unreadable one is not replaced by the fourth.
    EXPECT_EQ(names, QStringList({"Tilewick-a", "Tilewick-c"}));
}

TEST_F(ReportBuilderTest, CrashTextsAreScrubbedWithAllNames) {
    // The program's name in the report is also a word of this user's full name.
    identity().setValues(
        {QStringLiteral("/home/jdoe"), QStringLiteral("jdoe"), QStringLiteral("Ann Tilewick"), {}, {}, {}});
    placeCrashReport(QStringLiteral("Tilewick-a.ips"), 60);
    const QJsonArray crashes = diagnostics().value(u"crashes").toArray();
    ASSERT_EQ(crashes.size(), 1);
    const QString text = crashes[0].toObject().value(u"text").toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Crash of [name removed] 1.4"))) << text.toStdString();
    EXPECT_EQ(crashes[0].toObject().value(u"name").toString(), QStringLiteral("Tilewick-a"));
}

TEST_F(ReportBuilderTest, LogFillsTheBudgetWithScrubbedLinesOldestFirst) {
    startLog();
    for (int i = 0; i < 8000; ++i) {
        betakit::BetaLog::event("snap", {{"index", i},
                                         {"user", i == 7999 ? BetaValue("jdoe") : BetaValue("ann")},
                                         {"layout", "left_half"}});
        runtime().advance(0.01);
    }
    BetaFeedback feedback;
    feedback.includeDiagnostics = true;
    const QByteArray report = build(feedback);
    const QString log =
        QJsonDocument::fromJson(report).object().value(u"diagnostics").toObject().value(u"log").toString();
    const QStringList lines = log.split(u'\n');
    ASSERT_GT(lines.size(), 100);
    EXPECT_TRUE(lines.last().contains(QStringLiteral("snap index=7999 user=removed layout=left_half")))
        << lines.last().toStdString();
    EXPECT_LT(lines.first().section(u'=', 1, 1).section(u' ', 0, 0).toInt(), 7999 - 100);
    // The budget counts one byte per line feed, which the document writes as two characters.
    EXPECT_GT(report.size(), ReportBuilder::kLogBudget - 100);
    EXPECT_LT(report.size(), ReportBuilder::kLogBudget + lines.size() + 100);
}

TEST_F(ReportBuilderTest, NoLogWhenTheReportAlreadyFillsTheBudget) {
    startLog();
    betakit::BetaLog::event("snap", {{"layout", "left_half"}});
    BetaFeedback feedback;
    feedback.includeDiagnostics = true;
    // 20,000 characters of 21 UTF-8 bytes each.
    feedback.details = (QStringLiteral("e") + QString(10, QChar(0x0301))).repeated(20000);
    const QJsonObject report = buildObject(feedback);
    EXPECT_EQ(report.value(u"diagnostics").toObject().value(u"log").toString(), QString());
    feedback.details.clear();
    EXPECT_TRUE(buildObject(feedback)
                    .value(u"diagnostics")
                    .toObject()
                    .value(u"log")
                    .toString()
                    .endsWith(QStringLiteral("snap layout=left_half")));
}

TEST_F(ReportBuilderTest, VersionsComeFromTheConfigurationElseTheApplicationFolder) {
    BetaConfiguration config = configuration();
    BetaFeedback feedback;
    const auto app = [&] {
        const QByteArray report = ReportBuilder::build(feedback, config, 0, BetaScrubber(platform()));
        return QJsonDocument::fromJson(report).object().value(u"app").toObject();
    };
    EXPECT_EQ(app(),
              QJsonObject({{"id", "tile-wick"}, {"name", "Tilewick"}, {"version", "1.4"}, {"build", "212"}}));
    config.appVersion = QStringLiteral("2.0 beta (3)");
    config.appBuild = QStringLiteral("");
    bundle().setBuild(QStringLiteral("999"));
    EXPECT_EQ(app().value(u"version").toString(), QStringLiteral("2.0-beta--3-"));
    EXPECT_EQ(app().value(u"build").toString(), QStringLiteral("0"));
    config.appVersion.reset();
    config.appBuild.reset();
    bundle().setVersion(QString());
    EXPECT_EQ(app().value(u"version").toString(), QStringLiteral("0"));
    EXPECT_EQ(app().value(u"build").toString(), QStringLiteral("999"));
}

TEST_F(ReportBuilderTest, CleanVersion) {
    struct Case {
        std::optional<QString> text;
        QString clean;
    };
    const Case cases[] = {
        {std::nullopt, "0"},
        {QString(), "0"},
        {QStringLiteral("1.4.2+build_7-rc"), "1.4.2+build_7-rc"},
        {QStringLiteral("1.0 (beta)"), "1.0--beta-"},
        {QStringLiteral("1.0\n"), "1.0-"},
        {QStringLiteral("ß1"), "0"},
        {QStringLiteral("v1é"), "v1-"},
        {QStringLiteral(".5"), "0"},
        {QStringLiteral("-5"), "0"},
        {QStringLiteral("_5"), "0"},
        {QString(50, u'7'), QString(40, u'7')},
        {QStringLiteral("👍🏽"), "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.value_or("(none)").toStdString());
        EXPECT_EQ(ReportBuilder::cleanVersion(c.text), c.clean);
    }
}

TEST_F(ReportBuilderTest, SystemFacts) {
    struct Case {
        const char* what;
        platform::sim::SimSystemFacts::Values facts;
        QJsonObject system;
        QString model;
    };
    const Case cases[] = {
        {"plain release name",
         {QStringLiteral("Ubuntu 24.04.1 LTS"),
          {6, 8, 0},
          QStringLiteral("x86_64"),
          false,
          QByteArray("ThinkPad1,2")},
         {{"macOS", "Ubuntu 24.04.1 LTS"}, {"arch", "Intel"}, {"rosetta", false}},
         "ThinkPad1,2"},
        {"release name with a slash, ARM, translated",
         {QStringLiteral("Debian GNU/Linux 12 (bookworm)"),
          {6, 1, 0},
          QStringLiteral("aarch64"),
          true,
          QByteArray("Pi4\0junk", 8)},
         {{"macOS", "6.1.0"}, {"arch", "Apple silicon"}, {"rosetta", true}},
         "Pi4"},
        {"nothing readable",
         {QString(), {0, 0, 0}, QString(), false, std::nullopt},
         {{"macOS", "0.0.0"}, {"arch", "Intel"}, {"rosetta", false}},
         "unknown"},
        {"61 characters and a model with blanks",
         {QString(61, u'a'), {5, 10, 3}, QStringLiteral("armv7l"), false, QByteArray("XPS 13 9310\n")},
         {{"macOS", "5.10.3"}, {"arch", "Intel"}, {"rosetta", false}},
         "unknown"},
        {"model of 40 characters",
         {QStringLiteral("Sim Linux 1.0"), {6, 1, 0}, QStringLiteral("x86_64"), false, QByteArray(40, 'M')},
         {{"macOS", "Sim Linux 1.0"}, {"arch", "Intel"}, {"rosetta", false}},
         QString(40, u'M')},
        {"model of 41 characters",
         {QStringLiteral("Sim Linux 1.0"), {6, 1, 0}, QStringLiteral("x86_64"), false, QByteArray(41, 'M')},
         {{"macOS", "Sim Linux 1.0"}, {"arch", "Intel"}, {"rosetta", false}},
         "unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        systemFacts().setValues(c.facts);
        BetaFeedback feedback;
        feedback.includeDiagnostics = true;
        const QJsonObject report = buildObject(feedback);
        EXPECT_EQ(report.value(u"system").toObject(), c.system);
        EXPECT_EQ(report.value(u"diagnostics").toObject().value(u"model").toString(), c.model);
    }
}

// The extra settings read the program's state, which lives on the main thread.
TEST_F(ReportBuilderTest, OffTheMainThreadNoReportIsBuilt) {
    extras = {{"hotkeysActive", true}};
    BetaFeedback feedback;
    feedback.includeDiagnostics = true;
    QByteArray report = "untouched";
    const BetaConfiguration config = configuration();
    runtime().serialQueue(QStringLiteral("test.worker"))->sync([&] {
        report = ReportBuilder::build(feedback, config, 0, BetaScrubber(platform()));
    });
    EXPECT_TRUE(report.isEmpty());
    EXPECT_EQ(extrasRead, 0);
}

} // namespace
