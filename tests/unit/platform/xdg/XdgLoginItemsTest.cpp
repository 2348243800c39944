#include "platform/xdg/XdgLoginItems.h"

#include "support/FillableFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using platform::LoginItems;
using platform::XdgLoginItems;
using Status = LoginItems::Status;

struct FolderPaths final : platform::Paths {
    QString root;
    QString configHome() const override { return root + "/config"; }
    QString applicationSupport() const override { return root + "/data"; }
    QString diagnosticReports() const override { return root + "/state/DiagnosticReports"; }
    QString autostart() const override { return root + "/config/autostart"; }
    QString home() const override { return root; }
    QString temporary() const override { return root + "/tmp"; }
};

struct FixedBundle final : platform::Bundle {
    QString executable;
    QString bundlePath() const override { return {}; }
    QString resourcesPath() const override { return {}; }
    QString executablePath() const override { return executable; }
    QString identifier() const override { return "com.corvane.tilewick"; }
    QString version() const override { return "1.0"; }
    QString build() const override { return "1"; }
};

class XdgLoginItemsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        paths->root = dir.path();
        bundle->executable = makeExecutable("Apps/My \"Tile\" $wick 100%/Tilewick.app/Contents/bin/Tilewick");
    }

    QString makeExecutable(const QString& relative, const QByteArray& script = "#!/bin/sh\n") {
        const auto path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        return path;
    }

    QString entryText() const {
        QFile file(items.entryPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void writeEntry(const QString& text) {
        QDir().mkpath(paths->autostart());
        QFile file(items.entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QTemporaryDir dir;
    std::shared_ptr<FolderPaths> paths = std::make_shared<FolderPaths>();
    std::shared_ptr<FixedBundle> bundle = std::make_shared<FixedBundle>();
    XdgLoginItems items{paths, bundle, "Tilewick"};
};

TEST_F(XdgLoginItemsTest, RegisterWritesAnEntryThatStartsThisExecutable) {
    EXPECT_EQ(items.status(), Status::NotRegistered);
    EXPECT_EQ(items.entryPath(), paths->autostart() + "/com.corvane.tilewick.desktop");

    const auto change = items.registerApp();
    EXPECT_TRUE(change.ok) << change.errorDescription.toStdString();
    EXPECT_EQ(items.status(), Status::Enabled);
    const auto text = entryText();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=Tilewick\n"));

    // Registering again keeps one entry and the status.
    EXPECT_TRUE(items.registerApp().ok);
    EXPECT_EQ(items.status(), Status::Enabled);

    EXPECT_TRUE(items.unregisterApp().ok);
    EXPECT_FALSE(QFile::exists(items.entryPath()));
    EXPECT_EQ(items.status(), Status::NotRegistered);
    // Removing what is not there is no failure.
    EXPECT_TRUE(items.unregisterApp().ok);
}

TEST_F(XdgLoginItemsTest, ExecValuesSurviveQuotesDollarsPercentsAndBackslashes) {
    for (const QString& program :
         {QString("/opt/Tilewick.app/Contents/bin/Tilewick"),
          QString("/home/a b/\"q\" `x` $HOME 50% \\back\\/Tilewick"), QString("/tmp/line\nbreak/Tilewick")}) {
        const auto value = XdgLoginItems::execValue(program);
        EXPECT_FALSE(value.contains('\n'));
        EXPECT_EQ(XdgLoginItems::programOfExec(value), program) << value.toStdString();
    }
    // Entries written by others: unquoted with arguments, and a quote that never ends.
    EXPECT_EQ(XdgLoginItems::programOfExec("/usr/bin/tilewick --hidden %U"), "/usr/bin/tilewick");
    EXPECT_EQ(XdgLoginItems::programOfExec("\"/usr/bin/tile"), "");
}

// GLib refuses an entry whose first argument names no program before it turns %% into %.
TEST_F(XdgLoginItemsTest, GLibStartsTheEntryWhateverThePath) {
    const auto gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed";
    for (const QString& relative :
         {QString("plain/Tilewick"), bundle->executable.mid(dir.path().size() + 1)}) {
        SCOPED_TRACE(relative.toStdString());
        // The program leaves a mark beside itself when it runs.
        bundle->executable = makeExecutable(relative, "#!/bin/sh\ntouch \"$0.ran\"\n");
        ASSERT_TRUE(items.registerApp().ok);
        ASSERT_EQ(QProcess::execute(gio, {"launch", items.entryPath()}), 0) << entryText().toStdString();
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(bundle->executable + ".ran") && !deadline.hasExpired())
            QThread::msleep(10);
        EXPECT_TRUE(QFile::exists(bundle->executable + ".ran"));
    }
}

TEST_F(XdgLoginItemsTest, StatusFollowsTheEntryTheDesktopSees) {
    ASSERT_TRUE(items.registerApp().ok);
    const auto enabled = entryText();

    auto disabled = enabled;
    disabled.replace("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false");
    writeEntry(disabled);
    EXPECT_EQ(items.status(), Status::RequiresApproval);

    writeEntry(enabled + "Hidden=true\n");
    EXPECT_EQ(items.status(), Status::RequiresApproval);

    // Keys of other groups do not count.
    writeEntry(enabled + "[Desktop Action quiet]\nHidden=true\n");
    EXPECT_EQ(items.status(), Status::Enabled);

    // An entry left by another copy, or by a folder that has since gone.
    const auto other = makeExecutable("Downloads/Tilewick.app/Contents/bin/Tilewick");
    writeEntry("[Desktop Entry]\nType=Application\nExec=" + XdgLoginItems::execValue(other) + "\n");
    EXPECT_EQ(items.status(), Status::NotFound);
    writeEntry("[Desktop Entry]\nType=Application\nExec=/nowhere/Tilewick\n");
    EXPECT_EQ(items.status(), Status::NotFound);

    // Switching it on from the program replaces whatever was there.
    ASSERT_TRUE(items.registerApp().ok);
    EXPECT_EQ(items.status(), Status::Enabled);
}

TEST_F(XdgLoginItemsTest, FailuresAreReportedInWords) {
    bundle->executable = dir.filePath("missing/Tilewick");
    auto change = items.registerApp();
    EXPECT_FALSE(change.ok);
    EXPECT_FALSE(change.errorDescription.isEmpty());
    EXPECT_FALSE(QFile::exists(items.entryPath()));

    // The autostart folder cannot be made: a file stands in its place.
    bundle->executable = makeExecutable("bin/Tilewick");
    QDir().mkpath(paths->configHome());
    QFile blocker(paths->autostart());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    change = items.registerApp();
    EXPECT_FALSE(change.ok);
    EXPECT_FALSE(change.errorDescription.isEmpty());
}

class XdgLoginItemsFullDiskTest : public XdgLoginItemsTest,
                                  public ::testing::WithParamInterface<FillableFolder::Kind> {};

TEST_P(XdgLoginItemsFullDiskTest, AFailedWriteLeavesTheEntryAsItWas) {
    FillableFolder folder(GetParam());
    if (!folder.unavailable().empty())
        GTEST_SKIP() << folder.unavailable();
    paths->root = folder.path();
    ASSERT_TRUE(items.registerApp().ok);
    const auto before = entryText();
    bundle->executable = makeExecutable("moved/Tilewick");

    folder.setFull(true);
    const auto change = items.registerApp();
    EXPECT_FALSE(change.ok);
    EXPECT_FALSE(change.errorDescription.isEmpty());
    EXPECT_EQ(entryText(), before);
    EXPECT_EQ(QDir(paths->autostart()).entryList(QDir::Files), QStringList{"com.corvane.tilewick.desktop"});
    ASSERT_TRUE(items.unregisterApp().ok);
    folder.setFull(true);
    EXPECT_FALSE(items.registerApp().ok);
    EXPECT_FALSE(QFile::exists(items.entryPath()));
}

INSTANTIATE_TEST_SUITE_P(, XdgLoginItemsFullDiskTest,
                         ::testing::Values(FillableFolder::Kind::Tmpfs, FillableFolder::Kind::FileSizeLimit),
                         [](const auto& info) { return FillableFolder::name(info.param); });

} // namespace
