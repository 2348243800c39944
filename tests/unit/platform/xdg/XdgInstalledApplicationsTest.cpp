#include "platform/xdg/XdgInstalledApplications.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <ctime>

using platform::DesktopEntryIndex;
using platform::InstalledApplication;
using platform::XdgInstalledApplications;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

class XdgInstalledApplicationsTest : public ::testing::Test {
protected:
    void write(const QString& relative, const QByteArray& data) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    QString folder(const QString& name) const { return m_dir.filePath(name); }
    XdgInstalledApplications applications() {
        return XdgInstalledApplications(
            std::make_shared<DesktopEntryIndex>(QStringList{folder("user"), folder("system")}));
    }
    static QStringList ids(const QList<InstalledApplication>& apps) {
        QStringList result;
        for (const auto& app : apps)
            result << app.id;
        return result;
    }

    QTemporaryDir m_dir;
};

TEST_F(XdgInstalledApplicationsTest, EntriesDescribeTheirApplications) {
    write("system/org.example.Editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Editor\nIcon=accessories-text-editor\n"
          "MimeType=text/plain;x-scheme-handler/HTTPS;text/plain;\nCategories=Utility;TextEditor;\n"
          "Actions=new-window;\n[Desktop Action new-window]\nName=New Window\nExec=editor --new\n");
    write("system/kde/konsole.desktop",
          "[Desktop Entry]\nName=Konsole\nCategories=System;TerminalEmulator;\nNoDisplay=true\n");
    write("system/nameless.desktop", "[Desktop Entry]\nExec=nameless\n");
    write("system/link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    auto apps = applications();

    const auto all = apps.applications();
    EXPECT_EQ(ids(all), (QStringList{"kde-konsole", "nameless", "org.example.Editor"}));
    const auto editor = apps.application("org.example.Editor");
    ASSERT_TRUE(editor);
    EXPECT_EQ(*editor, (InstalledApplication{.id = "org.example.Editor",
                                             .name = "Editor",
                                             .path = folder("system/org.example.Editor.desktop"),
                                             .iconName = "accessories-text-editor",
                                             .documentTypes = {"text/plain", "x-scheme-handler/HTTPS"},
                                             .categories = {"Utility", "TextEditor"},
                                             .hasNewWindowAction = true,
                                             .listed = true}));
    // Installed, and found by id, but not offered in menus.
    EXPECT_FALSE(apps.application("kde-konsole")->listed);
    EXPECT_EQ(apps.application("kde-konsole")->categories, (QStringList{"System", "TerminalEmulator"}));
    EXPECT_FALSE(apps.application("nameless")->listed);
    EXPECT_FALSE(apps.application("link"));
    EXPECT_FALSE(apps.application("org.example.Missing"));
}

TEST_F(XdgInstalledApplicationsTest, TheUsersFolderWinsAndHidesEntries) {
    write("user/org.example.Editor.desktop", "[Desktop Entry]\nName=My Editor\n");
    write("user/org.example.Old.desktop", "[Desktop Entry]\nName=Old\nHidden=true\n");
    write("system/org.example.Editor.desktop", "[Desktop Entry]\nName=Editor\n");
    write("system/org.example.Old.desktop", "[Desktop Entry]\nName=Old\n");
    auto apps = applications();
    EXPECT_EQ(ids(apps.applications()), QStringList{"org.example.Editor"});
    EXPECT_EQ(apps.application("org.example.Editor")->name, "My Editor");
    EXPECT_FALSE(apps.application("org.example.Old"));

    // Installed later: found at the next listing.
    write("system/org.example.New.desktop", "[Desktop Entry]\nName=New\n");
    // Folder time stamps have a coarse grain on some file systems; make the change visible.
    const struct timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(folder("system")).constData(), later), 0);
    EXPECT_EQ(ids(apps.applications()), (QStringList{"org.example.Editor", "org.example.New"}));
}

TEST_F(XdgInstalledApplicationsTest, HostileEntriesAreSkippedAndTheOthersStay) {
    write("system/good.desktop", "[Desktop Entry]\nName=Good\n");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 131 + 7) % 256));
    write("system/binary.desktop", binary);
    write("system/nul.desktop", QByteArray("[Desktop Entry]\nName=Nul\0\nIcon=x\n", 33));
    write("system/latin1.desktop", "[Desktop Entry]\nName=Caf\xe9\n");
    write("system/no-group.desktop", "Name=Loose\nExec=loose\n");
    write("system/unclosed.desktop", "[Desktop Entry\nName=Unclosed\n");
    write("system/empty.desktop", "");
    QFile huge(folder("system/huge.desktop"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(64 * 1024 * 1024));
    huge.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder("system/fifo.desktop")).constData(), 0600), 0);
    QDir().mkpath(folder("system/folder.desktop"));

    testing::internal::CaptureStderr();
    auto apps = applications();
    const auto all = apps.applications();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ids(all).contains("good"));
    for (const char* skipped :
         {"binary", "nul", "latin1", "no-group", "unclosed", "empty", "huge", "fifo", "folder"})
        EXPECT_FALSE(ids(all).contains(skipped)) << skipped;
    EXPECT_NE(said.find("huge.desktop"), std::string::npos) << said;
    EXPECT_NE(said.find("fifo.desktop"), std::string::npos) << said;
    EXPECT_FALSE(apps.applicationAt(folder("system/huge.desktop")));
    EXPECT_FALSE(apps.applicationAt(folder("system/binary.desktop")));
}

TEST_F(XdgInstalledApplicationsTest, AnEntryIsReadAfreshWhereItLies) {
    write("system/kde/konsole.desktop", "[Desktop Entry]\nName=Konsole\n");
    write("elsewhere/tool.desktop", "[Desktop Entry]\nName=Tool\nMimeType=image/png;\n");
    auto apps = applications();
    EXPECT_EQ(apps.applicationAt(folder("system/kde/konsole.desktop"))->id, "kde-konsole");
    const auto tool = apps.applicationAt(folder("elsewhere/tool.desktop"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->id, "tool");
    EXPECT_EQ(tool->documentTypes, QStringList{"image/png"});
    write("elsewhere/tool.desktop", "[Desktop Entry]\nName=Tool\nHidden=true\n");
    EXPECT_FALSE(apps.applicationAt(folder("elsewhere/tool.desktop")));
    EXPECT_FALSE(apps.applicationAt(folder("elsewhere/missing.desktop")));
}

} // namespace
