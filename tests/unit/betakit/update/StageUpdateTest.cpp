#include "betakit/update/StageUpdate.h"
#include "betakit/update/UpdateModel.h"

#include "AppFixture.h"
#include "UpdateTestSupport.h"

#include "betakit/update/CodeSignature.h"
#include "support/FillableFolder.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>

#include <unistd.h>

namespace {

using betakit::CodeSignature;
using betakit::SigningKey;
using betakit::UpdateError;

const QString kIdentifier = "com.corvane.tilewick";

// An installed application in <root>/Apps and a new build, signed by the same developer and
// notarised by the notary the built `spctl` trusts, zipped in the temporary folder.
class StageUpdateTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        apps = paths().root() + "/Apps";
        target = apps + "/Tilewick.app";
        makeApp(target, kIdentifier, "119");
        ASSERT_EQ(CodeSignature::sign(target, developerKey()), "");
        installedListing = listing(apps);
        QDir().mkpath(paths().temporary());
        zip = paths().temporary() + "/beta-update-TEST.zip";
    }

    // A new build at <root>/<folder>/Tilewick.app, signed and notarised.
    QString newBuild(const QString& build = "124", const QString& folder = "new",
                     const SigningKey& signer = developerKey()) {
        const QString app = paths().root() + "/" + folder + "/Tilewick.app";
        QDir(app).removeRecursively();
        makeApp(app, kIdentifier, build);
        EXPECT_EQ(CodeSignature::sign(app, signer), "");
        EXPECT_EQ(CodeSignature::notarize(app, buildNotaryKey()), "");
        return app;
    }
    // Zips `app` as the archive's top entry (under `prefix`) and writes it as the download.
    void zipApp(const QString& app, const QByteArray& prefix = {}) {
        ZipWriter writer;
        if (!prefix.isEmpty())
            for (qsizetype end = prefix.indexOf('/'); end >= 0; end = prefix.indexOf('/', end + 1))
                writer.folder(prefix.left(end), 0755);
        writer.addTree(app, prefix);
        ASSERT_TRUE(writer.write(zip));
    }
    QString digest() const {
        return QString::fromLatin1(
            QCryptographicHash::hash(readFile(zip), QCryptographicHash::Sha256).toHex());
    }
    qint64 size() const { return QFileInfo(zip).size(); }
    betakit::UpdateResult<QString> stage(const QString& build = "124") {
        return betakit::stageUpdate(zip, size(), digest(), build, target);
    }
    // A refused update leaves the installed application as it was, no staging folder and no archive.
    void expectNothingInstalled(const char* what) {
        EXPECT_EQ(listing(apps).join('\n'), installedListing.join('\n')) << what;
        EXPECT_FALSE(QFileInfo::exists(zip)) << what;
    }
    QString refusal(const betakit::UpdateResult<QString>& result) {
        EXPECT_FALSE(result.ok());
        return result.ok() ? QString() : betakit::updateErrorText(result.error());
    }

    QString apps, target, zip;
    QStringList installedListing;
};

TEST_F(StageUpdateTest, AGoodBuildIsStagedInAHiddenFolderBesideTheApplication) {
    zipApp(newBuild());
    const auto staged = betakit::stageUpdate(zip, size(), digest().toUpper(), "124", target);
    ASSERT_TRUE(staged.ok()) << qPrintable(staged.error().description());
    const QString staging = QFileInfo(staged.value()).path();
    EXPECT_EQ(QFileInfo(staging).path(), apps);
    EXPECT_TRUE(
        QFileInfo(staging).fileName().contains(QRegularExpression("^\\.Tilewick-update-[0-9A-F-]{8}$")))
        << qPrintable(staging);
    EXPECT_EQ(QFileInfo(staged.value()).fileName(), "Tilewick.app");
    EXPECT_EQ(readFile(staged.value() + "/Contents/Resources/notes.txt"), "Build 124\n");
    EXPECT_FALSE(QFileInfo::exists(zip));
    EXPECT_EQ(listing(target), [&] {
        QStringList before;
        for (const QString& line : installedListing)
            if (line.startsWith("Tilewick.app/"))
                before.append(line.mid(13));
        return before;
    }());
}

TEST_F(StageUpdateTest, AnApplicationOneFolderDownIsFoundTwoFoldersDownIsNot) {
    zipApp(newBuild(), "Tilewick 1.124/");
    const auto staged = stage();
    ASSERT_TRUE(staged.ok());
    EXPECT_EQ(QFileInfo(staged.value()).path().section('/', -1), "Tilewick 1.124");
    betakit::removeQuietly(QFileInfo(QFileInfo(staged.value()).path()).path());
    zipApp(newBuild(), "Tilewick/1.124/");
    EXPECT_EQ(refusal(stage()).toStdString(),
              "The download doesn’t contain this app. Please try again later.");
    expectNothingInstalled("two folders down");
}

TEST_F(StageUpdateTest, EachCheckRefusesWithItsSentenceAndLeavesNothing) {
    const QString notIntact = "The download didn’t arrive intact. Please try again.";
    const QString notOurs =
        "The new build isn’t signed by Veldor Pellrath’s developer, so it wasn’t installed.";
    struct Case {
        const char* what;
        std::function<betakit::UpdateResult<QString>()> run;
        QString sentence;
    };
    const std::vector<Case> cases{
        {"a byte more than announced",
         [&] { return betakit::stageUpdate(zip, size() + 1, digest(), "124", target); }, notIntact},
        {"a byte less than announced",
         [&] { return betakit::stageUpdate(zip, size() - 1, digest(), "124", target); }, notIntact},
        {"another digest",
         [&] { return betakit::stageUpdate(zip, size(), QString(64, u'a'), "124", target); }, notIntact},
        {"another build announced (an older build offered as newer)", [&] { return stage("200"); },
         "The download isn’t the build it should be. Please try again later."},
        {"a build with a trailing blank",
         [&] {
             zipApp(newBuild("124 "));
             return stage("124");
         },
         "The download isn’t the build it should be. Please try again later."},
        {"another application",
         [&] {
             const QString other = paths().root() + "/other/Tilewick.app";
             makeApp(other, "com.example.other", "124");
             zipApp(other);
             return stage();
         },
         "The download doesn’t contain this app. Please try again later."},
        {"another developer's key",
         [&] {
             zipApp(newBuild("124", "stranger", SigningKey::generate()));
             return stage();
         },
         notOurs},
        {"not signed",
         [&] {
             const QString bare = paths().root() + "/bare/Tilewick.app";
             makeApp(bare, kIdentifier, "124");
             zipApp(bare);
             return stage();
         },
         notOurs},
        {"a file added after signing",
         [&] {
             const QString app = newBuild();
             writeFile(app + "/Contents/bin/helper", "#!/bin/sh\n", 0755);
             zipApp(app);
             return stage();
         },
         notOurs},
        {"a file changed after signing",
         [&] {
             const QString app = newBuild();
             writeFile(app + "/Contents/bin/Tilewick", "#!/bin/sh\nrm -rf ~\n", 0755);
             zipApp(app);
             return stage();
         },
         notOurs},
        {"a valid signature over a different build (mix and match)",
         [&] {
             const QString app = newBuild("124");
             const QString other = newBuild("125", "other");
             QDir(app + "/Contents/_CodeSignature").removeRecursively();
             QDir().rename(other + "/Contents/_CodeSignature", app + "/Contents/_CodeSignature");
             zipApp(app);
             return stage();
         },
         notOurs},
        {"not notarised",
         [&] {
             const QString app = newBuild();
             QFile::remove(app + "/Contents/_CodeSignature/Notarization");
             zipApp(app);
             return stage();
         },
         "The new build isn’t notarised by its maker, so it wasn’t installed."},
        {"notarised by a notary nobody trusts",
         [&] {
             const QString app = newBuild();
             EXPECT_EQ(CodeSignature::notarize(app, SigningKey::generate()), "");
             zipApp(app);
             return stage();
         },
         "The new build isn’t notarised by its maker, so it wasn’t installed."},
        {"a zip with ../ (Zip Slip)",
         [&] {
             ZipWriter writer;
             writer.addTree(newBuild());
             writer.file("../../escaped", "x");
             writer.write(zip);
             return stage();
         },
         "The new build couldn’t be checked (ditto 2)."},
        {"a zip with an absolute path",
         [&] {
             ZipWriter writer;
             writer.file(QFile::encodeName(paths().root() + "/escaped"), "x");
             writer.addTree(newBuild());
             writer.write(zip);
             return stage();
         },
         "The new build couldn’t be checked (ditto 2)."},
        {"a zip with a symlink out",
         [&] {
             ZipWriter writer;
             writer.addTree(newBuild());
             writer.link("Tilewick.app/Contents/Resources/home", "../../../../home");
             writer.write(zip);
             return stage();
         },
         "The new build couldn’t be checked (ditto 2)."},
        {"an archive bomb",
         [&] {
             ZipWriter writer;
             writer.addTree(newBuild());
             writer.file("Tilewick.app/Contents/Resources/zeros", "tiny", 0644,
                         ZipWriter::Compression::Stored, qint64(3) << 30);
             writer.write(zip);
             return stage();
         },
         "The new build couldn’t be checked (ditto 2)."},
    };
    for (const Case& c : cases) {
        zipApp(newBuild());
        EXPECT_EQ(refusal(c.run()).toStdString(), c.sentence.toStdString()) << c.what;
        expectNothingInstalled(c.what);
        EXPECT_FALSE(QFileInfo::exists(paths().root() + "/escaped")) << c.what;
        EXPECT_FALSE(QFileInfo::exists(paths().root() + "/home")) << c.what;
    }
}

TEST_F(StageUpdateTest, AnApplicationThatCantBeReplacedWhereItIsGetsThePlaceSentence) {
    zipApp(newBuild());
    const auto placeSentence = [](const QString& name) {
        return "This copy of " + name +
               " can’t be replaced where it is. Move it to your Applications folder and try again, or "
               "download the "
               "new beta from the website.";
    };
    // Translocated, missing, not an application folder (a program run from its build folder), no Info.plist.
    const QString translocated = paths().root() + "/private/var/folders/AppTranslocation/X/d/Tilewick.app";
    makeApp(translocated, kIdentifier, "119");
    const QString loose = paths().root() + "/build";
    makeApp(loose, kIdentifier, "119");
    const QString empty = paths().root() + "/Empty/Tilewick Beta.app";
    QDir().mkpath(empty + "/Contents");
    const std::vector<std::pair<QString, QString>> cases{
        {translocated, "Tilewick"},
        {paths().root() + "/Gone/Tilewick.app", "Tilewick"},
        {loose, "build"},
        {empty, "Tilewick Beta"},
    };
    for (const auto& [where, name] : cases) {
        zipApp(newBuild());
        const QStringList before = listing(where);
        EXPECT_EQ(refusal(betakit::stageUpdate(zip, size(), digest(), "124", where)).toStdString(),
                  placeSentence(name).toStdString())
            << qPrintable(where);
        EXPECT_EQ(listing(where).join('\n'), before.join('\n')) << qPrintable(where);
        EXPECT_EQ(
            QDir(QFileInfo(where).path()).entryList({".*-update-*"}, QDir::AllEntries | QDir::Hidden).size(),
            0);
        EXPECT_FALSE(QFileInfo::exists(zip));
    }
    if (geteuid() != 0) { // permissions do not bind root
        QFile::setPermissions(apps, QFile::ReadOwner | QFile::ExeOwner);
        zipApp(newBuild());
        EXPECT_EQ(refusal(stage()), placeSentence("Tilewick"));
        QFile::setPermissions(apps, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(StageUpdateTest, TheInstalledApplicationsRequirementMustBeReadable) {
    zipApp(newBuild());
    QDir(target + "/Contents/_CodeSignature").removeRecursively();
    installedListing = listing(apps);
    EXPECT_EQ(refusal(stage()), "The new build’s signature couldn’t be checked.");
    expectNothingInstalled("unsigned installation");
}

class StageUpdateFullDiskTest : public StageUpdateTest,
                                public ::testing::WithParamInterface<FillableFolder::Kind> {};

// On a full tmpfs the free space is seen before unpacking; under a file-size limit the free space
// looks ample and the first long write fails with EFBIG.
TEST_P(StageUpdateFullDiskTest, ADiskWithoutRoomForTheNewBuildIsSaidInWordsAndChangesNothing) {
    FillableFolder folder(GetParam());
    if (!folder.unavailable().empty())
        GTEST_SKIP() << folder.unavailable();
    apps = folder.path();
    target = apps + "/Tilewick.app";
    makeApp(target, kIdentifier, "119");
    ASSERT_EQ(CodeSignature::sign(target, developerKey()), "");
    zipApp(newBuild());
    const qint64 bytes = size();
    const QString sha256 = digest();

    installedListing = listing(apps);
    folder.setFull(true);
    const auto staged = betakit::stageUpdate(zip, bytes, sha256, "124", target);
    folder.setFull(false);
    EXPECT_EQ(refusal(staged), "There’s not enough disk space to install the new build.");
    expectNothingInstalled("full disk");
}

INSTANTIATE_TEST_SUITE_P(, StageUpdateFullDiskTest,
                         ::testing::Values(FillableFolder::Kind::Tmpfs, FillableFolder::Kind::FileSizeLimit),
                         [](const auto& info) { return FillableFolder::name(info.param); });

TEST(UnpackError, TellsANoRoomStatusApartFromAFailedUnpacking) {
    EXPECT_EQ(betakit::unpackError(0), std::nullopt);
    EXPECT_EQ(betakit::unpackError(3),
              UpdateError::beta("There’s not enough disk space to install the new build."));
    EXPECT_EQ(betakit::unpackError(2), UpdateError::beta("The new build couldn’t be checked (ditto 2)."));
    EXPECT_EQ(betakit::unpackError(9), UpdateError::beta("The new build couldn’t be checked (ditto 9)."));
}

TEST(Sha256Hex, StreamsTheFileAndWritesLowerCaseHex) {
    QTemporaryDir dir;
    const std::vector<std::pair<QByteArray, QString>> cases{
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        // Past one read of 1 MiB.
        {QByteArray(3 << 20, 'a'),
         QString::fromLatin1(
             QCryptographicHash::hash(QByteArray(3 << 20, 'a'), QCryptographicHash::Sha256).toHex())},
    };
    for (const auto& [content, digest] : cases) {
        writeFile(dir.filePath("file"), content);
        const auto result = betakit::sha256Hex(dir.filePath("file"));
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.value(), digest);
    }
    const auto missing = betakit::sha256Hex(dir.filePath("missing"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind(), UpdateError::Kind::Platform);
    EXPECT_FALSE(missing.error().description().isEmpty());
}

TEST(RunTool, GivesTheOutputOrTheStatusSentenceOrTheLaunchError) {
    QTemporaryDir dir;
    const QString tool = dir.filePath("ditto");
    writeFile(tool, "#!/bin/sh\necho out; echo err >&2; exit \"$1\"\n", 0755);
    const auto fine = betakit::runTool(tool, {"0"});
    ASSERT_TRUE(fine.ok());
    EXPECT_EQ(fine.value(), "out\nerr\n");
    const auto two = betakit::runTool(tool, {"2"});
    ASSERT_FALSE(two.ok());
    EXPECT_EQ(two.error(), UpdateError::beta("The new build couldn’t be checked (ditto 2)."));
    writeFile(tool, "#!/bin/sh\nkill -9 $$\n", 0755);
    EXPECT_EQ(betakit::runTool(tool, {}).error().description(),
              "The new build couldn’t be checked (ditto 9).");
    const auto missing = betakit::runTool(dir.filePath("spctl"), {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind(), UpdateError::Kind::Platform);
    EXPECT_TRUE(missing.error().description().contains("No such file"))
        << qPrintable(missing.error().description());
}

} // namespace
