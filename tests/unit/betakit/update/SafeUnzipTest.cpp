#include "betakit/update/SafeUnzip.h"

#include "AppFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using betakit::unzipInto;
using betakit::unzipRefusal;
using betakit::ZipEntry;
using Type = betakit::ZipEntry::Type;

TEST(UnzipRefusal, RefusesWhatWouldLandOutsideOrIsNoFileFolderOrLink) {
    struct Case {
        ZipEntry entry;
        QString refusal; // empty: unpacked
    };
    const std::vector<Case> cases{
        {{"App.app/Contents/Info.plist", Type::File, 10}, {}},
        {{"./App.app/", Type::Folder}, {}},
        {{"/etc/cron.d/x", Type::File}, "has an absolute path"},
        {{"../outside", Type::File}, "leads out of the destination"},
        {{"App.app/../../outside", Type::File}, "leads out of the destination"},
        {{"", Type::File}, "leads out of the destination"},
        {{"App.app/lib", Type::Link, -1, "Frameworks/lib.so"}, {}},
        {{"App.app/Contents/lib", Type::Link, -1, "../../App.app"}, {}},
        {{"App.app/lib", Type::Link, -1, "../../etc/passwd"}, "links out of the destination"},
        {{"App.app/lib", Type::Link, -1, "/etc/passwd"}, "links out of the destination"},
        {{"App.app/lib", Type::Link, -1, "inside/../../.."}, "links out of the destination"},
        {{"App.app/hard", Type::HardLink, -1, "App.app/Contents/Info.plist"}, {}},
        {{"App.app/hard", Type::HardLink, -1, "../../etc/shadow"}, "is a hard link out of the destination"},
        {{"App.app/hard", Type::HardLink, -1, "/etc/shadow"}, "is a hard link out of the destination"},
        {{"App.app/dev", Type::Other}, "is a device, FIFO or socket"},
        {{"App.app/big", Type::File, qint64(1) << 31}, "is larger than"},
        {{"App.app/secret", Type::File, 10, {}, true}, "is encrypted"},
    };
    for (const Case& c : cases) {
        const QString refusal = unzipRefusal(c.entry);
        if (c.refusal.isEmpty())
            EXPECT_EQ(refusal, "") << c.entry.path.constData();
        else
            EXPECT_TRUE(refusal.contains(c.refusal))
                << c.entry.path.constData() << ": " << qPrintable(refusal);
    }
}

class Unzip : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Unpacks `zip` into <dir>/out; the refusal, or empty.
    QString unpack(const ZipWriter& zip, const betakit::UnzipLimits& limits = {}) {
        zip.write(path("archive.zip"));
        return unzipInto(path("archive.zip"), path("out"), limits);
    }
    // Nothing but the archive in the test's folder: nothing unpacked, inside or out.
    void expectNothingLeft(const char* what = "") {
        EXPECT_EQ(
            QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(' '),
            "archive.zip")
            << what;
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(Unzip, KeepsModesAndInsideLinksWithoutSetIdBits) {
    ZipWriter zip;
    zip.folder("App.app", 0750);
    zip.file("App.app/run", "#!/bin/sh\n", 0755);
    zip.file("App.app/data", QByteArray(100000, 'x'), 0640, ZipWriter::Compression::Deflated);
    zip.file("App.app/setuid", "x", 04755);
    zip.link("App.app/alias", "data");
    ASSERT_EQ(unpack(zip), "");
    struct stat info;
    ASSERT_EQ(lstat(QFile::encodeName(path("out/App.app")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0750u);
    ASSERT_EQ(lstat(QFile::encodeName(path("out/App.app/run")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    ASSERT_EQ(lstat(QFile::encodeName(path("out/App.app/setuid")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    EXPECT_EQ(readFile(path("out/App.app/data")), QByteArray(100000, 'x'));
    EXPECT_EQ(QFileInfo(path("out/App.app/alias")).symLinkTarget(), path("out/App.app/data"));
}

TEST_F(Unzip, AZipSlipIsRefusedWithNothingWrittenAnywhere) {
    const std::vector<std::pair<const char*, std::function<void(ZipWriter&)>>> attacks{
        {"dot-dot", [](ZipWriter& z) { z.file("../escaped", "x"); }},
        {"dot-dot deeper", [](ZipWriter& z) { z.file("App.app/../../escaped", "x"); }},
        {"absolute", [](ZipWriter& z) { z.file("/tmp/escaped-absolute", "x"); }},
        {"symlink out", [](ZipWriter& z) { z.link("App.app/out", "../../"); }},
        {"absolute symlink", [](ZipWriter& z) { z.link("App.app/out", "/tmp"); }},
        // Two links that each stay inside, but together lead out.
        {"symlink chain",
         [](ZipWriter& z) {
             z.link("here", ".");
             z.link("up", "here/..");
         }},
        {"through a symlink",
         [](ZipWriter& z) {
             z.folder("App.app");
             z.link("App.app/res", ".");
             z.file("App.app/res/file", "x");
         }},
        {"written twice",
         [](ZipWriter& z) {
             z.file("App.app", "first");
             z.file("App.app", "second");
         }},
        {"device", [](ZipWriter& z) { z.entry("App.app/dev", S_IFCHR | 0644, {}); }},
        {"socket", [](ZipWriter& z) { z.entry("App.app/socket", S_IFSOCK | 0644, {}); }},
    };
    for (const auto& [what, add] : attacks) {
        ZipWriter zip;
        zip.file("before", "x");
        add(zip);
        EXPECT_NE(unpack(zip), "") << what;
        expectNothingLeft(what);
        EXPECT_FALSE(QFileInfo::exists(QDir::tempPath() + "/escaped-absolute")) << what;
    }
}

TEST_F(Unzip, AFifoEntryNeverBecomesAFifo) {
    ZipWriter zip;
    zip.entry("fifo", S_IFIFO | 0644, "data");
    if (unpack(zip).isEmpty()) { // the zip reader takes it for a plain file
        struct stat info;
        ASSERT_EQ(lstat(QFile::encodeName(path("out/fifo")).constData(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
    }
}

TEST_F(Unzip, AnArchiveBombStopsAtTheLimitsWhateverItDeclares) {
    betakit::UnzipLimits limits;
    limits.maxEntryBytes = 4 << 20;
    limits.maxTotalBytes = 6 << 20;
    limits.maxEntries = 5;

    ZipWriter declared; // one entry that says it is too large
    declared.file("App.app/big", "small", 0644, ZipWriter::Compression::Stored, qint64(5) << 20);
    EXPECT_TRUE(unpack(declared, limits).contains("is larger than"));
    expectNothingLeft();

    ZipWriter total; // each entry within its limit, together beyond the total; 12 MB in a few kB
    for (const char* name : {"App.app/a", "App.app/b", "App.app/c"})
        total.file(name, QByteArray(4 << 20, '\0'), 0644, ZipWriter::Compression::Deflated);
    EXPECT_TRUE(unpack(total, limits).contains("unpacks to more than")) << qPrintable(unpack(total, limits));
    expectNothingLeft();

    ZipWriter many;
    for (int i = 0; i < 6; ++i)
        many.file("f" + QByteArray::number(i), "x");
    EXPECT_TRUE(unpack(many, limits).contains("more than 5 entries"));
    expectNothingLeft();
}

TEST_F(Unzip, NeverUnpacksIntoAFolderThatIsAlreadyThere) {
    QDir().mkpath(path("out"));
    writeFile(path("out/mine"), "keep");
    ZipWriter zip;
    zip.file("mine", "replaced");
    zip.write(path("archive.zip"));
    EXPECT_TRUE(unzipInto(path("archive.zip"), path("out")).contains("can’t be made"));
    EXPECT_EQ(readFile(path("out/mine")), "keep");
}

TEST_F(Unzip, ADamagedArchiveIsRefused) {
    QByteArray bytes = [] {
        ZipWriter zip;
        zip.file("App.app/file", QByteArray(1000, 'y'));
        return zip.bytes();
    }();
    // Cut inside the file's data.
    writeFile(path("archive.zip"), bytes.left(500));
    bool outOfSpace = true;
    EXPECT_NE(unzipInto(path("archive.zip"), path("out"), {}, &outOfSpace), "");
    EXPECT_FALSE(outOfSpace) << "a damaged archive told as a full disk";
    expectNothingLeft();
}

TEST_F(Unzip, AnArchiveDeclaringMoreThanTheDiskHoldsMakesNothing) {
    // 1024 files declaring 4 GiB each, within limits raised for the test: 4 TiB.
    betakit::UnzipLimits limits;
    limits.maxEntryBytes = limits.maxTotalBytes = qint64(1) << 50;
    ZipWriter zip;
    for (int i = 0; i < 1024; ++i)
        zip.file("App.app/" + QByteArray::number(i), "x", 0644, ZipWriter::Compression::Stored, 0xFFFFFFFF);
    zip.write(path("archive.zip"));
    if (QStorageInfo(path("")).bytesAvailable() > 1024 * qint64(0xFFFFFFFF))
        GTEST_SKIP() << "the disk holds 4 TiB";
    bool outOfSpace = false;
    EXPECT_NE(unzipInto(path("archive.zip"), path("out"), limits, &outOfSpace), "");
    EXPECT_TRUE(outOfSpace);
    expectNothingLeft();
}

} // namespace
