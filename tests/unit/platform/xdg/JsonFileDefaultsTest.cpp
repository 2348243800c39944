#include "platform/xdg/JsonFileDefaults.h"
#include "platform/FileAccess.h"
#include "platform/sim/VirtualRuntime.h"

#include "support/FillableFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

using platform::DefaultsValue;
using platform::JsonFileDefaults;
using platform::sim::VirtualRuntime;

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
    QStringList filesBeside(const QString& pattern) const {
        return QDir(QFileInfo(file()).absolutePath())
            .entryList({pattern}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }
    QMap<QString, DefaultsValue> stored() const {
        bool complete = false;
        return JsonFileDefaults::decode(readFile(file()), &complete);
    }
    QStringList keptFiles() const { return filesBeside("defaults.json.unreadable-*"); }
    ino_t inode() const {
        struct stat info {};
        return ::stat(QFile::encodeName(file()).constData(), &info) == 0 ? info.st_ino : 0;
    }

    std::unique_ptr<JsonFileDefaults> make() {
        return std::make_unique<JsonFileDefaults>(folder(), kDomain, runtime);
    }
    // Opens the domain and returns what it said on stderr.
    std::string open(std::unique_ptr<JsonFileDefaults>& defaults) {
        testing::internal::CaptureStderr();
        defaults = make();
        return testing::internal::GetCapturedStderr();
    }

    std::shared_ptr<VirtualRuntime> runtime = std::make_shared<VirtualRuntime>();

private:
    QTemporaryDir m_dir;
};

TEST_F(JsonFileDefaultsTest, EveryTypeRoundTripsThroughTheFileExactly) {
    const QByteArray binary("\x00\x01\xfe\xff{}\"\n", 9);
    {
        JsonFileDefaults d(folder(), kDomain, runtime);
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
    JsonFileDefaults d(folder(), kDomain, runtime);
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
    JsonFileDefaults d(folder(), kDomain, runtime);
    EXPECT_FALSE(d.value("keyboardOverlay").has_value());
    d.set("keyboardOverlay", qint64(1));
    EXPECT_TRUE(d.contains("keyboardOverlay"));
    EXPECT_FALSE(d.boolValue("keyboardOverlay").has_value());
    EXPECT_FALSE(d.uint64Value("keyboardOverlay").has_value());
    EXPECT_EQ(d.int64Value("keyboardOverlay"), 1);
    d.flush();
    EXPECT_EQ(filesBeside("*"), QStringList{"defaults.json"}) << "no temporary or kept file is left";
}

TEST_F(JsonFileDefaultsTest, ChangesAreWrittenTogetherLaterAndOnlyWhenTheyChangeSomething) {
    auto d = make();
    d->set("lastTab", QString("halves"));
    d->set("lastTab", QString("thirds"));
    d->set("notANumber", std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(QFileInfo::exists(file())) << "the caller does not wait for the disk";
    runtime->advance(JsonFileDefaults::kSaveDelay);
    EXPECT_EQ(stored().value("lastTab"), DefaultsValue(QString("thirds")));

    // Every write replaces the file, so an unchanged file tells that nothing was written.
    const ino_t written = inode();
    d->set("lastTab", QString("thirds"));
    d->set("notANumber", std::numeric_limits<double>::quiet_NaN());
    d->remove("absent");
    runtime->advance(10);
    d->flush();
    EXPECT_EQ(inode(), written);

    // flush() writes what is pending at once; so does the end of the program.
    d->set("lastTab", QString("quarters"));
    d->flush();
    EXPECT_NE(inode(), written);
    d->set("lastTab", QString("sixths"));
    d.reset();
    EXPECT_EQ(make()->stringValue("lastTab"), "sixths");
}

TEST_F(JsonFileDefaultsTest, EditsByHandWinForTheKeysTheyChangeAndAreAnnounced) {
    auto d = make();
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, DefaultsValue>>{{"lastTab", QString("halves")},
                                                                      {"showInDock", true},
                                                                      {"keyboardOverlay", true},
                                                                      {"gone", qint64(3)}})
        d->set(key, value);
    d->flush();
    QSignalSpy announced(d.get(), &platform::Defaults::changedExternally);

    // The user edits the file while the program changes other keys and one of the same.
    auto edited = stored();
    edited.insert("lastTab", QString("thirds"));
    edited.insert("keyboardOverlay", false);
    edited.insert("added", 2.5);
    edited.remove("gone");
    writeFile(JsonFileDefaults::encode(edited));
    d->set("showInDock", false);
    d->set("keyboardOverlay", qint64(7));
    runtime->advance(JsonFileDefaults::kSaveDelay);

    const QMap<QString, DefaultsValue> expected{
        {"lastTab", QString("thirds")}, {"showInDock", false}, {"keyboardOverlay", false}, {"added", 2.5}};
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(d->keys(), expected.keys());
    EXPECT_EQ(d->boolValue("keyboardOverlay"), false);
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced[0][0].toStringList(), (QStringList{"added", "gone", "keyboardOverlay", "lastTab"}));

    // A file removed or emptied holds no edit: it is written again from memory.
    for (const bool removed : {true, false}) {
        removed ? (void)QFile::remove(file()) : writeFile("");
        d->set("lastTab", QString(removed ? "quarters" : "sixths"));
        d->flush();
        EXPECT_EQ(stored().size(), expected.size());
    }
}

// A hand edit that cannot be read whole takes only what it holds readably: keys after a cut, or in
// a file that is not JSON at all, are unreadable, not removed.
TEST_F(JsonFileDefaultsTest, AnEditReadOnlyInPartDeletesNoneOfTheKeysItLacks) {
    const QMap<QString, DefaultsValue> before{
        {"a", true}, {"b", qint64(7)}, {"c", QString("halves")}, {"d", 2.5}};
    QMap<QString, DefaultsValue> edited = before;
    edited.insert("a", false);
    edited.insert("c", QString("thirds"));
    const QByteArray whole = JsonFileDefaults::encode(edited);
    const struct {
        const char* name;
        QByteArray text;
        std::string said;
        QMap<QString, DefaultsValue> after;
    } cases[] = {
        {"cut before c",
         whole.left(whole.indexOf("\"c\"") + 4),
         "is partly readable",
         {{"a", false}, {"b", qint64(7)}, {"c", QString("halves")}, {"d", 2.5}}},
        {"cut within d",
         whole.left(whole.indexOf("\"d\"") + 10),
         "is partly readable",
         {{"a", false}, {"b", qint64(7)}, {"c", QString("thirds")}, {"d", 2.5}}},
        {"not JSON", "\x89PNG {{{", "is not readable", before},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = make();
        for (auto it = before.begin(); it != before.end(); ++it)
            d->set(it.key(), it.value());
        d->flush();
        writeFile(c.text);
        d->set("e", true);
        testing::internal::CaptureStderr();
        d->flush();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        auto expected = c.after;
        expected.insert("e", true);
        EXPECT_EQ(stored(), expected);
        EXPECT_EQ(d->keys(), expected.keys());
        d.reset();
        QFile::remove(file());
    }
}

// A settings file of exactly the size limit is read; one byte more is no settings file.
TEST_F(JsonFileDefaultsTest, AFileOfExactlyTheSizeLimitIsRead) {
    for (const qint64 size : {platform::kSmallFileLimit, platform::kSmallFileLimit + 1}) {
        SCOPED_TRACE(size);
        const QByteArray head = R"({"lastTab":{"type":"string","value":")";
        const QByteArray tail = "\"}}\n";
        writeFile(head + QByteArray(size - head.size() - tail.size(), 'x') + tail);
        ASSERT_EQ(QFileInfo(file()).size(), size);
        std::unique_ptr<JsonFileDefaults> d;
        const std::string said = open(d);
        EXPECT_EQ(d->contains("lastTab"), size == platform::kSmallFileLimit) << said;
    }
}

// A save replaces the file's content, never its mode or, when it is a link, the link.
TEST_F(JsonFileDefaultsTest, ASaveKeepsTheFilesModeAndItsLink) {
    writeFile(JsonFileDefaults::encode({{"lastTab", QString("halves")}}));
    ASSERT_EQ(::chmod(QFile::encodeName(file()).constData(), 0600), 0);
    auto d = make();
    d->set("lastTab", QString("thirds"));
    d->flush();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // The settings kept elsewhere, linked from their place (as dotfile managers do).
    const QString target = folder() + "/elsewhere.json";
    ASSERT_TRUE(QFile::rename(file(), target));
    ASSERT_TRUE(QFile::link(target, file()));
    d->set("lastTab", QString("sixths"));
    d->flush();
    EXPECT_EQ(QFileInfo(file()).symLinkTarget(), target);
    EXPECT_EQ(stored().value("lastTab"), DefaultsValue(QString("sixths")));
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
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
    JsonFileDefaults again(folder(), kDomain, runtime);
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
    d.reset();

    // A second bad file in the same second is kept under its own name.
    writeFile("[1, 2");
    open(d);
    EXPECT_EQ(keptFiles(), (QStringList{"defaults.json.unreadable-20240101T000000Z",
                                        "defaults.json.unreadable-20240101T000000Z-2"}));
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
    d->flush();
    d->set("showInDock", false);
    d->flush();
    d->remove("showInDock");
    d->flush();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d->boolValue("showInMenuBar"), true);
    EXPECT_FALSE(d->contains("showInDock"));
    EXPECT_NE(said.find("cannot save settings"), std::string::npos);
    EXPECT_EQ(said.find("cannot save settings"), said.rfind("cannot save settings")) << said;
}

// Anything at the path that is not a settings file is read no further and never written over.
TEST_F(JsonFileDefaultsTest, WhatIsNotASettingsFileIsNeitherReadNorWrittenOver) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> make;
        const char* problem;
    };
    const std::vector<Case> cases{
        {"a folder", [](const QString& path) { QDir().mkpath(path + "/precious"); }, "not a regular file"},
        {"a symlink to /dev/zero", [](const QString& path) { QFile::link("/dev/zero", path); },
         "not a regular file"},
        {"a FIFO", [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); },
         "not a regular file"},
        {"a 50 MB file",
         [](const QString& path) {
             QFile f(path);
             f.open(QIODevice::WriteOnly);
             f.resize(50 * 1024 * 1024);
         },
         "larger than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder()).removeRecursively();
        QDir().mkpath(QFileInfo(file()).absolutePath());
        c.make(file());
        const auto kind = QFileInfo(file()).symLinkTarget() + QString::number(QFileInfo(file()).size());

        std::unique_ptr<JsonFileDefaults> d;
        const std::string said = open(d);
        EXPECT_NE(said.find(c.problem), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
        d->set("lastTab", QString("quarters"));
        d->flush();
        EXPECT_EQ(d->stringValue("lastTab"), "quarters");
        EXPECT_EQ(QFileInfo(file()).symLinkTarget() + QString::number(QFileInfo(file()).size()), kind);
        EXPECT_EQ(filesBeside("*"), QStringList{"defaults.json"});
    }
}

class JsonFileDefaultsFullDiskTest : public ::testing::TestWithParam<FillableFolder::Kind> {};

TEST_P(JsonFileDefaultsFullDiskTest, TheLastGoodFileStaysAndEachSpellOfFailuresIsSaidOnce) {
    // Settings larger than what is said on stderr meanwhile.
    FillableFolder folder(GetParam(), 4096);
    if (!folder.unavailable().empty())
        GTEST_SKIP() << folder.unavailable();
    JsonFileDefaults d(folder.path(), kDomain, std::make_shared<VirtualRuntime>());
    d.set("bindings", QByteArray(8192, 'b'));
    const auto content = [&] {
        QFile f(d.filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // Saves a new tab and tells how often the failure was said meanwhile.
    const auto saidSaving = [&](const char* tab) {
        testing::internal::CaptureStderr();
        d.set("lastTab", QString(tab));
        d.flush();
        const std::string said = testing::internal::GetCapturedStderr();
        int times = 0;
        for (auto at = said.find("cannot save settings"); at != std::string::npos;
             at = said.find("cannot save settings", at + 1))
            ++times;
        return times;
    };

    EXPECT_EQ(saidSaving("halves"), 0);
    const QByteArray good = content();
    ASSERT_TRUE(good.contains("halves"));

    folder.setFull(true);
    EXPECT_EQ(saidSaving("thirds"), 1);
    EXPECT_EQ(saidSaving("quarters"), 0);
    EXPECT_EQ(content(), good);
    EXPECT_EQ(QDir(QFileInfo(d.filePath()).absolutePath()).entryList(QDir::Files),
              QStringList{"defaults.json"});

    // With room again the values kept in memory land at the next save; the next spell of
    // failures is said again.
    folder.setFull(false);
    d.flush();
    EXPECT_TRUE(content().contains("quarters"));
    folder.setFull(true);
    EXPECT_EQ(saidSaving("sixths"), 1);
    EXPECT_TRUE(content().contains("quarters"));
}

INSTANTIATE_TEST_SUITE_P(, JsonFileDefaultsFullDiskTest,
                         ::testing::Values(FillableFolder::Kind::Tmpfs, FillableFolder::Kind::FileSizeLimit),
                         [](const auto& info) { return FillableFolder::name(info.param); });

} // namespace
