#include "betakit/BetaLog.h"
#include "betakit/LogStore.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRandomGenerator>

#include <cmath>
#include <limits>
#include <locale>

using namespace betakit;

namespace {

enum class Fruit { kiwi, bloodOrange };
const char* betaLogName(Fruit f) {
    return f == Fruit::kiwi ? "kiwi" : "blood orange";
}
static_assert(BetaLogName<Fruit>);
static_assert(!BetaLogName<int>);

std::string body(std::string_view name, std::initializer_list<BetaPair> pairs = {}) {
    return BetaLog::body(name, std::span<const BetaPair>(pairs.begin(), pairs.size()));
}

TEST(BetaLog, BodyIsNameThenPairsInOrder) {
    EXPECT_EQ(body("beta.quit"), "beta.quit");
    EXPECT_EQ(body("hotkeys", {{"active", true}, {"accessibility", false}}),
              "hotkeys active=true accessibility=false");
    EXPECT_EQ(body("snap", {{"n", 1}, {"n", 2}}), "snap n=1 n=2");
}

TEST(BetaLog, NameRuleAppliesToNamesKeysAndStaticValues) {
    const std::string name64(64, 'a');
    const std::string name65(65, 'a');
    EXPECT_EQ(BetaLog::validName(name64), name64);
    EXPECT_EQ(BetaLog::validName("Az09_.-"), "Az09_.-");
    for (std::string_view bad :
         {std::string_view(name65), std::string_view(""), std::string_view("a b"), std::string_view("a=b"),
          std::string_view("a/b"), std::string_view("caf\xc3\xa9"), std::string_view("a+b"),
          std::string_view("a\nb")}) {
        EXPECT_EQ(BetaLog::validName(bad), "invalid_name") << bad;
    }
    EXPECT_EQ(body("bad name", {{"bad key", "bad value"}, {"ok", "fine"}}),
              "invalid_name invalid_name=invalid_name ok=fine");
    EXPECT_EQ(BetaValue::name("a=b").text(), "invalid_name");
}

TEST(BetaValue, Numbers) {
    EXPECT_EQ(BetaValue(2.0).text(), "2");
    EXPECT_EQ(BetaValue(2.5).text(), "2.5");
    EXPECT_EQ(BetaValue(1e15).text(), "1e+15");
    EXPECT_EQ(BetaValue(999'999'999'999'999.0).text(), "999999999999999");
    EXPECT_EQ(BetaValue(-999'999'999'999'999.0).text(), "-999999999999999");
    EXPECT_EQ(BetaValue(0.1 + 0.2).text(), "0.3");
    EXPECT_EQ(BetaValue(-0.0).text(), "0");
    EXPECT_EQ(BetaValue(3.14159265).text(), "3.14159");
    EXPECT_EQ(BetaValue(1.23456789e-7).text(), "1.23457e-07");
    EXPECT_EQ(BetaValue(2.5f).text(), "2.5");
    EXPECT_EQ(BetaValue(std::nan("")).text(), "nan");
    EXPECT_EQ(BetaValue(std::numeric_limits<double>::infinity()).text(), "inf");
    EXPECT_EQ(BetaValue(-std::numeric_limits<double>::infinity()).text(), "-inf");
    EXPECT_EQ(BetaValue::fromDouble(1e300).text(), "1e+300");

    EXPECT_EQ(BetaValue(-12).text(), "-12");
    EXPECT_EQ(BetaValue(std::numeric_limits<quint64>::max()).text(), "18446744073709551615");
    EXPECT_EQ(BetaValue(std::numeric_limits<qint64>::min()).text(), "-9223372036854775808");
    EXPECT_EQ(BetaValue::fromInt(qint8(-7)).text(), "-7");
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(BetaValue, NumbersIgnoreTheLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(BetaValue(2.5).text(), "2.5");
    EXPECT_EQ(BetaValue(1234567).text(), "1234567");
    std::locale::global(previous);
}

TEST(BetaValue, BooleansNamesAndCases) {
    EXPECT_EQ(BetaValue(false), BetaValue::fromBool(false));
    EXPECT_EQ(BetaValue(false).text(), "false");
    EXPECT_EQ(BetaValue(true).text(), "true");
    EXPECT_EQ(BetaValue("multi").text(), "multi");
    EXPECT_EQ(BetaValue::fromCase(Fruit::kiwi).text(), "kiwi");
    EXPECT_EQ(BetaValue::fromCase(Fruit::bloodOrange).text(), "invalid_name");
}

TEST(BetaValue, RunTimeTextIsEscapedIntoTheValueAlphabet) {
    EXPECT_EQ(BetaValue::fromText(u"1234").text(), "1234");
    EXPECT_EQ(BetaValue::fromText(u"true").text(), "true");
    EXPECT_EQ(BetaValue::fromText(u"My File.txt").text(), "My+20File.txt");
    EXPECT_EQ(BetaValue::fromText(u"a=b\nc").text(), "a+3Db+0Ac");
    EXPECT_EQ(BetaValue::fromText(u"1+1").text(), "1+2B1");
    EXPECT_EQ(BetaValue::fromText(QString::fromUtf8("caf\xc3\xa9")).text(), "caf+C3+A9");
    EXPECT_EQ(BetaValue::fromText(u"").text(), "invalid_name");

    // Long text is cut to the 64 characters a value may have, never inside an escape.
    const QString exactly64 = QString(61, u'x') + u' ';
    EXPECT_EQ(BetaValue::fromText(exactly64).text(), std::string(61, 'x').append("+20"));
    EXPECT_EQ(BetaValue::fromText(QString(64, u'y')).text(), std::string(64, 'y'));
    EXPECT_EQ(BetaValue::fromText(QString(65, u'y')).text(), std::string(64, 'y'));
    const BetaValue cut = BetaValue::fromText(QString(62, u'x') + QStringLiteral("  tail"));
    EXPECT_EQ(cut.text(), std::string(62, 'x'));
    const BetaValue full = BetaValue::fromText(QString(200, u' '));
    EXPECT_EQ(full.text().size(), 63u);
    EXPECT_TRUE(full.text().ends_with("+20"));
}

TEST(LogStore, StampIsUtcWithTruncatedMilliseconds) {
    EXPECT_EQ(LogStore::stamp(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(LogStore::stamp(1'772'355'903'250), "2026-03-01T09:05:03.250Z");
    EXPECT_EQ(LogStore::stamp(1'709'251'199'999), "2024-02-29T23:59:59.999Z");
    // Agrees with Qt's own calendar across four centuries of dates.
    QRandomGenerator random(20260301); // seeded: every run checks the same dates
    for (int i = 0; i < 2000; ++i) {
        const qint64 ms = qint64(random.bounded(quint64(253'402'300'799'999)));
        const QString expected = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
        ASSERT_EQ(QString::fromStdString(LogStore::stamp(ms)), expected) << ms;
    }
}

TEST(LogStore, LineGrammar) {
    const auto& g = LogStore::lineRegex();
    EXPECT_TRUE(g.match(u"2026-03-01T09:05:03.250Z hotkeys active=true accessibility=true").hasMatch());
    EXPECT_TRUE(g.match(u"2026-03-01T09:05:03Z beta.quit").hasMatch());
    EXPECT_TRUE(g.match(u"2026-03-01T09:05:03.250Z n v=1e+20").hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01T09:05:03.250Z").hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01T09:05:03.250Z a+b").hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01T09:05:03.250Z snap k=v ").hasMatch());
    EXPECT_FALSE(g.match(QStringLiteral("2026-03-01T09:05:03.250Z snap k=") + QString(65, u'v')).hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01 09:05:03.250Z snap").hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01T09:05:03.250Z snap\r").hasMatch());
    EXPECT_FALSE(g.match(u"2026-03-01T09:05:03.250Z snap\n").hasMatch());
}

} // namespace
