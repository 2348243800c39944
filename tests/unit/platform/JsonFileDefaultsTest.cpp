#include "platform/xdg/JsonFileDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

using platform::DefaultsValue;
using platform::JsonFileDefaults;

namespace {

constexpr const char* kDomain = "com.corvane.tilewick";

class JsonFileDefaultsTest : public ::testing::Test {
protected:
    QString folder() const { return m_dir.path() + "/config"; }
    QString file() const { return folder() + "/" + kDomain + "/defaults.json"; }

    void writeFile(const QByteArray& text) {
        QDir().mkpath(QFileInfo(file()).absolutePath());
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readFile(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList keptFiles() const {
        return QDir(QFileInfo(file()).absolutePath()).entryList({"defaults.json.unreadable-*"}, QDir::Files);
    }

    // Opens the domain and returns what it said on stderr.
    std::string open(std::unique_ptr<JsonFileDefaults>& defaults) {
        testing::internal::CaptureStderr();
        defaults = std::make_unique<JsonFileDefaults>(folder(), kDomain);
        return testing::internal::GetCapturedStderr();
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(JsonFileDefaultsTest, EveryTypeRoundTripsThroughTheFileExactly) {
    const QByteArray binary("\x00\x01\xfe\xff{}\"\n", 9);
    {
        JsonFileDefaults d(folder(), kDomain);
        d.set("showInDock", false);
        d.set("bindingsVersion", std::numeric_limits<qint64>::min());
        d.set("maxInt", std::numeric_limits<qint64>::max());
        d.set("modifiers", std::numeric_limits<quint64>::max());
        d.set("third", 1.0 / 3.0);
        d.set("tiny", 5e-324);
        d.set("notANumber", std::numeric_limits<double>::quiet_NaN());
        d.set("infinite", -std::numeric_limits<double>::infinity());
        d.set("lastTab", QString("twoThirds \u00e9\u4e2d\n\"quoted\""));
        d.set("bindings", binary);
        d.set("empty", QByteArray());
        d.set("line\nbreak key", true);
        d.set("gone", true);
        d.remove("gone");
    }
    JsonFileDefaults d(folder(), kDomain);
    EXPECT_EQ(d.boolValue("showInDock"), false);
    EXPECT_EQ(d.int64Value("bindingsVersion"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(d.int64Value("maxInt"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.uint64Value("modifiers"), std::numeric_limits<quint64>::max());
    EXPECT_EQ(d.doubleValue("third"), 1.0 / 3.0);
    EXPECT_EQ(d.doubleValue("tiny"), 5e-324);
    EXPECT_TRUE(std::isnan(d.doubleValue("notANumber").value_or(0)));
    EXPECT_EQ(d.doubleValue("infinite"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(d.stringValue("lastTab"), QString("twoThirds \u00e9\u4e2d\n\"quoted\""));
    EXPECT_EQ(d.dataValue("bindings"), binary);
    EXPECT_EQ(d.dataValue("empty"), QByteArray());
    EXPECT_EQ(d.boolValue("line\nbreak key"), true);
    EXPECT_FALSE(d.contains("gone"));
    EXPECT_EQ(d.keys().size(), 12);

    // The file is plain JSON with tagged values.
    const QJsonObject object = QJsonDocument::fromJson(readFile(file())).object();
    EXPECT_EQ(object.value("modifiers").toObject().value("type").toString(), "uint64");
    EXPECT_EQ(object.value("modifiers").toObject().value("value").toString(), "18446744073709551615");
    EXPECT_EQ(object.value("showInDock").toObject().value("value"), QJsonValue(false));
}

TEST_F(JsonFileDefaultsTest, AbsentAndAnotherTypeAreToldApart) {
    JsonFileDefaults d(folder(), kDomain);
    EXPECT_FALSE(d.value("keyboardOverlay").has_value());
    d.set("keyboardOverlay", qint64(1));
    EXPECT_TRUE(d.contains("keyboardOverlay"));
    EXPECT_FALSE(d.boolValue("keyboardOverlay").has_value());
    EXPECT_FALSE(d.uint64Value("keyboardOverlay").has_value());
    EXPECT_EQ(d.int64Value("keyboardOverlay"), 1);
    EXPECT_FALSE(QFileInfo::exists(file() + ".tmp"));
    EXPECT_TRUE(keptFiles().isEmpty());
}

TEST_F(JsonFileDefaultsTest, WronglyTypedEntriesReadAsAbsentAndTheFileIsKept) {
    const QByteArray original = R"({
"good":{"type":"bool","value":true},
"handWritten":{"type":"int64","value":42},
"boolAsText":{"type":"bool","value":"yes"},
"negativeUnsigned":{"type":"uint64","value":"-1"},
"fraction":{"type":"int64","value":1.5},
"badBase64":{"type":"data","value":"@@@"},
"noType":{"value":"x"},
"plain":"not tagged",
"unknownType":{"type":"date","value":"2024-01-01"}
})";
    writeFile(original);
    std::unique_ptr<JsonFileDefaults> d;
    const std::string said = open(d);
    EXPECT_EQ(d->boolValue("good"), true);
    EXPECT_EQ(d->int64Value("handWritten"), 42);
    EXPECT_EQ(d->keys(), (QStringList{"good", "handWritten"}));

    ASSERT_EQ(keptFiles().size(), 1);
    EXPECT_EQ(readFile(d->keptUnreadablePath()), original);
    EXPECT_NE(said.find(d->keptUnreadablePath().toStdString()), std::string::npos) << said;
    // The new file holds what was readable, so it survives a restart without another change.
    JsonFileDefaults again(folder(), kDomain);
    EXPECT_EQ(again.keys(), (QStringList{"good", "handWritten"}));
}

TEST_F(JsonFileDefaultsTest, TruncatedFileKeepsTheEntriesBeforeTheCut) {
    QMap<QString, DefaultsValue> values{{"a", true}, {"b", qint64(7)}, {"c", QString("halves")}, {"d", 2.5}};
    const QByteArray whole = JsonFileDefaults::encode(values);
    const QByteArray cut = whole.left(whole.indexOf("\"d\"") + 10);
    writeFile(cut);
    std::unique_ptr<JsonFileDefaults> d;
    const std::string said = open(d);
    EXPECT_EQ(d->keys(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(d->stringValue("c"), "halves");
    ASSERT_EQ(keptFiles().size(), 1);
    EXPECT_EQ(readFile(d->keptUnreadablePath()), cut);
    EXPECT_FALSE(said.empty());
}

TEST_F(JsonFileDefaultsTest, GarbageFileStartsWithDefaultsAndIsKeptEveryTime) {
    writeFile("\x89PNG not json at all {{{");
    std::unique_ptr<JsonFileDefaults> d;
    EXPECT_NE(open(d).find("unreadable"), std::string::npos);
    EXPECT_TRUE(d->keys().isEmpty());
    d->set("lastTab", QString("thirds"));

    // A second bad file in the same second is kept under its own name.
    writeFile("[1, 2");
    open(d);
    EXPECT_EQ(keptFiles().size(), 2);
    EXPECT_TRUE(d->keys().isEmpty());
}

TEST_F(JsonFileDefaultsTest, EmptyFileIsNotAnError) {
    writeFile("");
    std::unique_ptr<JsonFileDefaults> d;
    EXPECT_EQ(open(d), "");
    EXPECT_TRUE(d->keys().isEmpty());
    EXPECT_TRUE(keptFiles().isEmpty());
}

TEST_F(JsonFileDefaultsTest, UnwritableFolderKeepsValuesInMemoryAndSaysSoOnce) {
    // A file where the folder should be: no user, not even root, can write there.
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    std::unique_ptr<JsonFileDefaults> d;
    EXPECT_EQ(open(d), "");
    testing::internal::CaptureStderr();
    d->set("showInMenuBar", true);
    d->set("showInDock", false);
    d->remove("showInDock");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d->boolValue("showInMenuBar"), true);
    EXPECT_FALSE(d->contains("showInDock"));
    EXPECT_NE(said.find("cannot save settings"), std::string::npos);
    EXPECT_EQ(said.find("cannot save settings"), said.rfind("cannot save settings")) << said;
}

TEST_F(JsonFileDefaultsTest, FileThatCannotBeOpenedIsNeverWrittenOver) {
    ASSERT_TRUE(QDir().mkpath(file())); // a folder where the file should be
    QFile inside(file() + "/precious");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();

    std::unique_ptr<JsonFileDefaults> d;
    EXPECT_NE(open(d), "");
    d->set("lastTab", QString("quarters"));
    EXPECT_EQ(d->stringValue("lastTab"), "quarters");
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_TRUE(QFileInfo::exists(file() + "/precious"));
}

} // namespace
