#include "platform/FileAccess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Writes past a limit of 64 bytes; exits 0 when the write failed as on a full disk and left no
// temporary file beside the old one.
void writePastTheLimit(const QString& path) {
    platform::failWritesPastTheFileSizeLimit();
    rlimit small{};
    small.rlim_cur = 64;
    small.rlim_max = RLIM_INFINITY;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString failure = platform::writeFileAtomically(path, QByteArray(4096, 'x'));
    const bool alone = QDir(QFileInfo(path).path()).entryList(QDir::Files).size() == 1;
    // At once, as a forked child should: nothing of the parent's is torn down twice.
    ::_exit(failure == QStringLiteral("File too large") && alone ? 0 : 1);
}

// Past the file-size limit a write fails like one on a full disk: the old file stays, no temporary
// file is left, and the process lives on. Run in a child, as the limit and the signal's handling
// hold for the whole process.
TEST(FileAccessTest, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheProcess) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    EXPECT_EQ(platform::writeFileAtomically(path, "old"), QString());
    EXPECT_EXIT(writePastTheLimit(path), testing::ExitedWithCode(0), "");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));
}

} // namespace
