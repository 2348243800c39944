#include "betakit/ReportJson.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <limits>

namespace {

using betakit::JsonValue;
using betakit::ReportJson;

std::string written(const JsonValue& value) {
    return ReportJson::write(value).value_or("(failed)").toStdString();
}

TEST(ReportJsonTest, StringsEscapeOnlyWhatJsonRequires) {
    struct Case {
        QString text;
        const char* json;
    };
    const Case cases[] = {
        {QStringLiteral("plain"), R"("plain")"},
        {QStringLiteral("a/b\\c\"d"), R"("a/b\\c\"d")"},
        {QStringLiteral("\b\f\n\r\t"), R"("\b\f\n\r\t")"},
        {QStringLiteral("\u0001\u001f\u007f"), "\"\\u0001\\u001f\x7f\""},
        {QStringLiteral("ünï 👍🏽 \u2028"), "\"ünï 👍🏽 \u2028\""},
        // A lone surrogate can't be written as UTF-8; the document stays valid UTF-8.
        {QStringLiteral("a") + QChar(0xD800), "\"a?\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(written(JsonValue::string(c.text)), c.json);
    }
}

TEST(ReportJsonTest, NumbersAndBooleans) {
    EXPECT_EQ(written(JsonValue::integer(std::numeric_limits<qint64>::min())), "-9223372036854775808");
    EXPECT_EQ(written(JsonValue::unsignedInteger(std::numeric_limits<quint64>::max())),
              "18446744073709551615");
    EXPECT_EQ(written(JsonValue::number(0.1)), "0.1");
    EXPECT_EQ(written(JsonValue::number(100.0)), "100");
    EXPECT_EQ(written(JsonValue::number(-2.5e-7)), "-2.5e-07");
    EXPECT_EQ(written(JsonValue::number(1e20)), "1e+20");
    EXPECT_EQ(written(JsonValue::boolean(false)), "false");
    // JSON has no infinities or NaN: the whole document fails.
    for (const double bad :
         {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(ReportJson::write(JsonValue::object(
            {{"ok", JsonValue::integer(1)}, {"bad", JsonValue::array({JsonValue::number(bad)})}})));
}

TEST(ReportJsonTest, PrettyWithSortedKeysAtEveryLevel) {
    const JsonValue document = JsonValue::object({
        {"zeta", JsonValue::array(
                     {JsonValue::integer(1),
                      JsonValue::object({{"b", JsonValue::boolean(true)}, {"a", JsonValue::string("x")}})})},
        {"Alpha", JsonValue::object({})},
        {"alpha", JsonValue::array({})},
    });
    const std::string text = written(document);
    EXPECT_EQ(text, "{\n"
                    "  \"Alpha\" : {\n"
                    "\n"
                    "  },\n"
                    "  \"alpha\" : [\n"
                    "\n"
                    "  ],\n"
                    "  \"zeta\" : [\n"
                    "    1,\n"
                    "    {\n"
                    "      \"a\" : \"x\",\n"
                    "      \"b\" : true\n"
                    "    }\n"
                    "  ]\n"
                    "}");
    EXPECT_FALSE(QJsonDocument::fromJson(QByteArray::fromStdString(text)).isNull());
}

} // namespace
