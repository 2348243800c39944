#include "betakit/update/UpdateFeed.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

namespace {

using betakit::buildNumber;
using betakit::CheckResult;
using betakit::UpdateFeed;

TEST(BuildNumber, ReadsSignedDecimalIntegersWithinSixtyFourBitsAndNothingElse) {
    const std::vector<std::pair<QString, std::optional<qint64>>> cases{
        {"120", 120},
        {"+7", 7},
        {"-3", -3},
        {"007", 7},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"1.2", std::nullopt},
        {"124 ", std::nullopt},
        {" 124", std::nullopt},
        {"12a", std::nullopt},
        {"١٢", std::nullopt}, // digits of another script
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(buildNumber(text), expected) << qPrintable(text);
    EXPECT_EQ(betakit::feedBuildNumber(u"12a"), 0);
}

// A feed document with one member of "latest" replaced (or removed, with an undefined value).
QByteArray withLatest(const QString& key, const QJsonValue& value) {
    QJsonObject root = QJsonDocument::fromJson(UpdaterTest::feedJson("121")).object();
    QJsonObject latest = root["latest"].toObject();
    if (value.isUndefined())
        latest.remove(key);
    else
        latest[key] = value;
    root["latest"] = latest;
    return QJsonDocument(root).toJson();
}

TEST(UpdateFeedDecoding, TakesEveryFieldAndTreatsNullAsAbsent) {
    const auto decoded = UpdateFeed::decode(R"({"app":"tile-wick","extra":1,
        "latest":{"version":"1.4","build":"124","url":"https://veldorpellrath.example/t/124.zip",
                  "bytes":9007199254740993,"sha256":"AB","minMacOS":null},
        "versions":[{"version":"1.4","build":"124","date":"2024-05-01","changes":["One","Two"]},
                    {"version":"1.3","build":"120","date":null,"changes":[]}]})");
    ASSERT_TRUE(decoded.ok()) << qPrintable(decoded.error().description());
    const UpdateFeed& feed = decoded.value();
    EXPECT_EQ(feed.app, "tile-wick");
    EXPECT_EQ(feed.latest.build, "124");
    EXPECT_EQ(feed.latest.url, QUrl("https://veldorpellrath.example/t/124.zip"));
    EXPECT_EQ(feed.latest.bytes, 9007199254740993); // exact beyond the 53 bits of a double
    EXPECT_EQ(feed.latest.minMacOS, std::nullopt);
    ASSERT_EQ(feed.versions.size(), 2u);
    EXPECT_EQ(feed.versions[0].date, QString("2024-05-01"));
    EXPECT_EQ(feed.versions[0].changes, QStringList({"One", "Two"}));
    EXPECT_EQ(feed.versions[1].date, std::nullopt);
}

TEST(UpdateFeedDecoding, RejectsTheWholeDocumentForAMissingKeyOrAWrongType) {
    struct Case {
        const char* what;
        QByteArray json;
        QString problem;
    };
    const std::vector<Case> cases{
        {"latest build as a number", withLatest("build", 121), "“latest.build” should be text"},
        {"bytes missing", withLatest("bytes", QJsonValue::Undefined), "“latest.bytes” is missing"},
        {"bytes as text", withLatest("bytes", "10"), "“latest.bytes” should be a whole number"},
        {"bytes with a fraction", withLatest("bytes", 10.5), "“latest.bytes” should be a whole number"},
        {"bytes beyond 64 bits", withLatest("bytes", 1e19), "“latest.bytes” should be a whole number"},
        {"minMacOS as a number", withLatest("minMacOS", 14), "“latest.minMacOS” should be text"},
        {"url relative", withLatest("url", "a.zip"), "“latest.url” isn’t an http or https address"},
        {"url to a local file", withLatest("url", "file:///etc/passwd"),
         "“latest.url” isn’t an http or https address"},
        {"url over ftp", withLatest("url", "ftp://veldorpellrath.example/a.zip"),
         "“latest.url” isn’t an http or https address"},
        {"versions missing",
         R"({"app":"a","latest":{"version":"1","build":"1","url":"https://h/a","bytes":1,"sha256":"x"}})",
         "“versions” is missing"},
        {"a change that is not text",
         R"({"app":"a","latest":{"version":"1","build":"1","url":"https://h/a","bytes":1,"sha256":"x"},
             "versions":[{"version":"1","build":"1","changes":["a",2]}]})",
         "“versions[0].changes[1]” should be text"},
        {"a release that is not an object",
         R"({"app":"a","latest":{"version":"1","build":"1","url":"https://h/a","bytes":1,"sha256":"x"},"versions":[3]})",
         "“versions[0]” should be an object"},
        {"app null", R"({"app":null})", "“app” should be text"},
        {"an array", "[]", "it isn’t a JSON object"},
        {"not JSON", "{\"app\":", "isn’t valid JSON"},
    };
    for (const Case& c : cases) {
        const auto decoded = UpdateFeed::decode(c.json);
        ASSERT_FALSE(decoded.ok()) << c.what;
        EXPECT_EQ(decoded.error().kind(), betakit::UpdateError::Kind::Platform) << c.what;
        EXPECT_TRUE(decoded.error().description().contains(c.problem))
            << c.what << ": " << qPrintable(decoded.error().description());
    }
    EXPECT_TRUE(UpdateFeed::decode(withLatest("minMacOS", QJsonValue::Undefined)).ok());
}

TEST(UpdateFeedDecision, NewerOnlyWhenTheLatestBuildIsAboveTheGivenOne) {
    const UpdateFeed feed = UpdaterTest::feed("120");
    EXPECT_TRUE(feed.isNewer(119));
    EXPECT_FALSE(feed.isNewer(120));
    EXPECT_FALSE(feed.isNewer(121));
    const UpdateFeed unreadable = UpdaterTest::feed("12a");
    EXPECT_FALSE(unreadable.isNewer(0));
    EXPECT_TRUE(unreadable.isNewer(-1));
}

TEST(UpdateFeedDecision, ChangesAboveABuildComeHighestFirst) {
    UpdateFeed feed = UpdaterTest::feed("103");
    feed.versions.clear();
    for (const char* build : {"98", "103", "x", "101", "100"})
        feed.versions.push_back({QString("v") + build, build, std::nullopt, {}});
    QStringList builds;
    for (const auto& release : feed.changes(100))
        builds.append(release.build);
    EXPECT_EQ(builds, QStringList({"103", "101"}));
    EXPECT_EQ(feed.changes(-1).back().build, "x"); // unreadable counts as 0
}

class RecordedSystemVersion final : public betakit::SystemVersion {
public:
    explicit RecordedSystemVersion(qint64 major, qint64 minor) : m_major(major), m_minor(minor) {}
    bool isAtLeast(qint64 major, qint64 minor, qint64 patch) const override {
        asked.push_back({major, minor, patch});
        return std::tie(m_major, m_minor) >= std::tie(major, minor);
    }
    mutable std::vector<std::array<qint64, 3>> asked;

private:
    qint64 m_major, m_minor;
};

class UpdateFeedSystem : public SimPlatformTest {};

TEST_F(UpdateFeedSystem, TheMinimumIsReadAsMajorAndMinorOfDottedNumbers) {
    auto system = std::make_shared<RecordedSystemVersion>(13, 5);
    platform().provide<betakit::SystemVersion>(system);
    const std::vector<std::pair<QString, std::array<qint64, 3>>> cases{
        {"14", {14, 0, 0}},     {"", {0, 0, 0}},       {"x.5", {5, 0, 0}},
        {"13.4.1", {13, 4, 0}}, {"14..2", {14, 2, 0}}, {"-1.+2", {-1, 2, 0}},
    };
    for (const auto& [minimum, expected] : cases) {
        UpdateFeed feed = UpdaterTest::feed("121");
        feed.latest.minMacOS = minimum;
        system->asked.clear();
        const bool runs = feed.runsOnThisMac();
        ASSERT_EQ(system->asked.size(), 1u) << qPrintable(minimum);
        EXPECT_EQ(system->asked[0], expected) << qPrintable(minimum);
        EXPECT_EQ(runs, std::tie(expected[0], expected[1]) <= std::make_tuple(13, 5)) << qPrintable(minimum);
    }
    UpdateFeed noMinimum = UpdaterTest::feed("121");
    system->asked.clear();
    EXPECT_TRUE(noMinimum.runsOnThisMac());
    EXPECT_TRUE(system->asked.empty());
}

TEST_F(UpdateFeedSystem, WithoutASystemVersionEveryMinimumIsReached) {
    UpdateFeed feed = UpdaterTest::feed("121");
    feed.latest.minMacOS = QStringLiteral("99.0");
    EXPECT_TRUE(feed.runsOnThisMac());
}

TEST_F(UpdateFeedSystem, CheckResultOfAFeedAndTheInstalledBuild) {
    platform().provide<betakit::SystemVersion>(std::make_shared<RecordedSystemVersion>(13, 0));
    const UpdateFeed feed = UpdaterTest::feed("121");
    UpdateFeed needsNewer = feed;
    needsNewer.latest.minMacOS = QStringLiteral("14.1");
    UpdateFeed needsUnnamed = feed;
    needsUnnamed.latest.minMacOS = QStringLiteral("x.99");

    EXPECT_EQ(CheckResult::of(feed, 120), CheckResult::Value(CheckResult::Available{feed}));
    EXPECT_EQ(CheckResult::of(needsNewer, 120), CheckResult::Value(CheckResult::TooOld{"14.1"}));
    EXPECT_EQ(CheckResult::of(needsUnnamed, 120), CheckResult::Value(CheckResult::TooOld{"x.99"}));
    EXPECT_EQ(CheckResult::of(feed, 121), CheckResult::Value(CheckResult::UpToDate{"1.121", false}));
    EXPECT_EQ(CheckResult::of(feed, 125), CheckResult::Value(CheckResult::UpToDate{"1.121", true}));
    // An installed build that can't be read is up to date, and counts as 0 for "ahead".
    EXPECT_EQ(CheckResult::of(feed, std::nullopt), CheckResult::Value(CheckResult::UpToDate{"1.121", false}));
    EXPECT_EQ(CheckResult::of(UpdaterTest::feed("-4"), std::nullopt),
              CheckResult::Value(CheckResult::UpToDate{"1.-4", true}));
}

} // namespace
