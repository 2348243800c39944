#include "platform/xdg/DesktopEntryIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <ctime>

using platform::DesktopEntryIndex;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

class DesktopEntryIndexTest : public ::testing::Test {
protected:
    void write(const QString& relative, const QString& text) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    QString folder(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(DesktopEntryIndexTest, WindowsFindTheirApplicationByWindowClassThenById) {
    write("user/applications/org.example.Term.desktop",
          "[Desktop Entry]\nType=Application\nName=Example\\sTerminal\nName[de]=Terminal\n"
          "StartupWMClass=XTerm\n[Desktop Action new-window]\nName=Other\n");
    write("system/applications/org.gnome.Nautilus.desktop",
          "[Desktop Entry]\nType=Application\nName=Files\n");
    write("system/applications/kde/konsole.desktop", "[Desktop Entry]\nName=Konsole\n");
    write("system/applications/ghost.desktop", "[Desktop Entry]\nName=Ghost\nHidden=true\n");
    write("system/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Link\n");
    DesktopEntryIndex index({folder("user/applications"), folder("system/applications")});

    // StartupWMClass, matched against the class or the instance, whatever the case.
    auto term = index.forWindowClass("xterm", "XTerm");
    ASSERT_TRUE(term);
    EXPECT_EQ(term->id, "org.example.Term");
    EXPECT_EQ(term->name, "Example Terminal") << "the unlocalised name, unescaped";
    EXPECT_EQ(term->path, folder("user/applications/org.example.Term.desktop"));
    EXPECT_EQ(index.forWindowClass("XTERM", "")->id, "org.example.Term");

    // The last part of a reverse-domain id, and ids of entries in subfolders.
    EXPECT_EQ(index.forWindowClass("org.gnome.Nautilus", "Nautilus")->name, "Files");
    EXPECT_EQ(index.forWindowClass("konsole", "konsole")->id, "kde-konsole") << "no StartupWMClass needed";

    // Hidden entries and entries that are not applications claim nothing.
    EXPECT_FALSE(index.forWindowClass("ghost", "Ghost"));
    EXPECT_FALSE(index.forWindowClass("link", "Link"));
    EXPECT_FALSE(index.forWindowClass("", ""));
}

TEST_F(DesktopEntryIndexTest, EarlierFoldersWinAndNewEntriesAreFoundLater) {
    write("user/applications/editor.desktop", "[Desktop Entry]\nName=Mine\nHidden=true\n");
    write("system/applications/editor.desktop", "[Desktop Entry]\nName=System\nStartupWMClass=Editor\n");
    write("system/applications/other.desktop", "[Desktop Entry]\nName=Other\nStartupWMClass=Shared\n");
    write("zz/applications/late.desktop", "[Desktop Entry]\nName=Late\nStartupWMClass=Shared\n");
    DesktopEntryIndex index(
        {folder("user/applications"), folder("system/applications"), folder("zz/applications")});

    // The user's own hidden entry removes the system one of the same id.
    EXPECT_FALSE(index.forWindowClass("editor", "Editor"));
    EXPECT_EQ(index.forWindowClass("x", "Shared")->name, "Other");

    EXPECT_FALSE(index.forWindowClass("newapp", "NewApp"));
    write("system/applications/newapp.desktop", "[Desktop Entry]\nName=New App\n");
    // Folder time stamps have a coarse grain on some file systems; make the change visible.
    const struct timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(folder("system/applications").toLocal8Bit().constData(), later), 0);
    ASSERT_TRUE(index.forWindowClass("newapp", "NewApp"));
    EXPECT_EQ(index.forWindowClass("newapp", "NewApp")->name, "New App");
}

TEST_F(DesktopEntryIndexTest, OnlyRegularFilesOfASaneSizeAreReadAndTheRestIsNamedOnce) {
    write("apps/term.desktop", "[Desktop Entry]\nName=Term\n");
    ASSERT_TRUE(QFile::link("/dev/zero", folder("apps/zero.desktop")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder("apps/fifo.desktop")).constData(), 0600), 0);
    QFile huge(folder("apps/huge.desktop"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(50 * 1024 * 1024));
    DesktopEntryIndex index({folder("apps")});

    testing::internal::CaptureStderr();
    EXPECT_EQ(index.forWindowClass("term", "Term")->name, "Term");
    EXPECT_FALSE(index.forWindowClass("zero", "Zero"));
    const std::string said = testing::internal::GetCapturedStderr();
    for (const char* name : {"zero.desktop", "fifo.desktop", "huge.desktop"})
        EXPECT_EQ(said.find(name), said.rfind(name)) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
}

TEST(DesktopEntryIndexFoldersTest, FollowTheBaseDirectoryConventions) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/u");
    EXPECT_EQ(DesktopEntryIndex::standardFolders(env),
              QStringList({"/home/u/.local/share/applications", "/usr/local/share/applications",
                           "/usr/share/applications"}));

    env.insert("XDG_DATA_HOME", "/data/");
    env.insert("XDG_DATA_DIRS", "relative:/opt/share::/usr/share");
    EXPECT_EQ(DesktopEntryIndex::standardFolders(env),
              QStringList({"/data/applications", "/opt/share/applications", "/usr/share/applications"}));
}

TEST_F(DesktopEntryIndexTest, TheNewWindowActionByIdThenByName) {
    write("apps/term.desktop",
          "[Desktop Entry]\nName=Term\nStartupWMClass=Term\nPath=/srv/work\nActions=tab;new-window;\n"
          "[Desktop Action tab]\nName=New Window\nExec=term --tab\n"
          "[Desktop Action new-window]\nName=Open Another\nExec=term --window %U\n");
    write("apps/konsole.desktop", "[Desktop Entry]\nName=Konsole\nActions=NewWindow\n"
                                  "[Desktop Action NewWindow]\nName=Nouvelle\nExec=konsole\n");
    write("apps/browser.desktop", "[Desktop Entry]\nName=Browser\nActions=private;window\n"
                                  "[Desktop Action private]\nName=New Private Window\nExec=browser -p\n"
                                  "[Desktop Action window]\nName=new window\nExec=browser -n\n");
    // Declared but without a group, a group not declared, an Exec that cannot run.
    write("apps/undeclared.desktop", "[Desktop Entry]\nName=Undeclared\nActions=new-window\n"
                                     "[Desktop Action new-window-2]\nName=New Window\nExec=x\n");
    write("apps/unlisted.desktop", "[Desktop Entry]\nName=Unlisted\n"
                                   "[Desktop Action new-window]\nName=New Window\nExec=x\n");
    write("apps/broken.desktop", "[Desktop Entry]\nName=Broken\nActions=new-window\n"
                                 "[Desktop Action new-window]\nName=New Window\nExec=\"x\n");
    DesktopEntryIndex index({folder("apps")});

    using platform::DesktopAction;
    const auto term = index.forWindowClass("term", "Term");
    ASSERT_TRUE(term);
    EXPECT_EQ(term->newWindow, (DesktopAction{"new-window", "Open Another", {"term", "--window"}}));
    EXPECT_EQ(term->workingDirectory, "/srv/work");
    EXPECT_EQ(index.forWindowClass("konsole", "")->newWindow->command, QStringList{"konsole"});
    EXPECT_EQ(index.forWindowClass("browser", "")->newWindow->id, "window");
    for (const char* name : {"undeclared", "unlisted", "broken"})
        EXPECT_FALSE(index.forWindowClass(name, "")->newWindow) << name;
}
