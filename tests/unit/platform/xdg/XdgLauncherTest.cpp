#include "platform/xdg/XdgLauncher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

using platform::MailDraft;
using platform::XdgLauncher;

// Runs the event loop until `done` holds; the bound is only there so a fault cannot hang the test.
template <typename Predicate> bool waitFor(Predicate done) {
    const QDeadlineTimer bound(10'000);
    while (!done() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    return done();
}

// Stand-ins for xdg-email and xdg-open that write their arguments, one a line, to
// "<name>.args" beside them.
class FakePrograms {
public:
    FakePrograms() {
        for (const char* name : {"xdg-email", "xdg-open"})
            add(QString::fromLatin1(name));
    }
    QStringList searchPath() const { return {m_dir.path()}; }
    void remove(const QString& name) { QFile::remove(m_dir.filePath(name)); }
    // The arguments of the program's run, once it has written them.
    QStringList arguments(const QString& name) const {
        QFile file(m_dir.filePath(name + ".args"));
        if (!waitFor([&] { return file.exists() && file.size() > 0; }) || !file.open(QIODevice::ReadOnly))
            return {QStringLiteral("(not run)")};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeLast();
        return lines;
    }

private:
    void add(const QString& name) {
        const QString path = m_dir.filePath(name);
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_dir;
};

TEST(XdgLauncherTest, MailGoesToXdgEmailWithItsAttachment) {
    FakePrograms programs;
    XdgLauncher launcher(programs.searchPath(), QDBusConnection(QStringLiteral("none")));
    const MailDraft draft{{"beta@veldorpellrath.example"},
                          "[Tilewick beta] Idea: -x & ünï",
                          "My Tilewick beta report is attached.",
                          {"/tmp/Beta report 0A1B2C3D/Tilewick beta report.json"}};
    EXPECT_TRUE(launcher.composeMail(draft));
    EXPECT_EQ(
        programs.arguments("xdg-email"),
        QStringList({"--utf8", "--subject", "[Tilewick beta] Idea: -x & ünï", "--body",
                     "My Tilewick beta report is attached.", "--attach",
                     "/tmp/Beta report 0A1B2C3D/Tilewick beta report.json", "beta@veldorpellrath.example"}));

    programs.remove("xdg-email");
    EXPECT_FALSE(launcher.composeMail(draft));
}

TEST(XdgLauncherTest, UrlsGoToXdgOpen) {
    FakePrograms programs;
    XdgLauncher launcher(programs.searchPath(), QDBusConnection(QStringLiteral("none")));
    EXPECT_TRUE(launcher.openUrl(QUrl(QStringLiteral("mailto:beta@veldorpellrath.example?subject=a%26b"))));
    EXPECT_EQ(programs.arguments("xdg-open"),
              QStringList({"mailto:beta@veldorpellrath.example?subject=a%26b"}));
    EXPECT_FALSE(launcher.openUrl(QUrl()));
    programs.remove("xdg-open");
    EXPECT_FALSE(launcher.openUrl(QUrl(QStringLiteral("https://veldorpellrath.example/"))));
}

// A file manager on the session bus that records what it was asked to show.
class FakeFileManager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("ShowItems"))
            return false;
        shown = message.arguments().value(0).toStringList();
        connection.send(message.createReply());
        return true;
    }
    QStringList shown;
};

TEST(XdgLauncherTest, RevealAsksTheFileManagerElseOpensTheFolder) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    // A bus that activates no services, so no real file manager starts.
    QTemporaryDir busFolder;
    QFile config(busFolder.filePath("bus.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("<busconfig><type>session</type><listen>unix:tmpdir=" + busFolder.path().toUtf8() +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                 "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    FakePrograms programs;
    const QString file = QStringLiteral("/tmp/Beta report 0A1B2C3D/Tilewick beta report.json");
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("launcher"));
        ASSERT_TRUE(bus.isConnected());
        XdgLauncher launcher(programs.searchPath(), bus);

        // No file manager on the bus: the folder opens instead.
        launcher.revealFile(file);
        EXPECT_EQ(programs.arguments("xdg-open"), QStringList({"file:///tmp/Beta%20report%200A1B2C3D"}));

        QDBusConnection managerBus = QDBusConnection::connectToBus(address, QStringLiteral("file-manager"));
        FakeFileManager manager;
        ASSERT_TRUE(
            managerBus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager));
        ASSERT_TRUE(managerBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        launcher.revealFile(file);
        EXPECT_TRUE(waitFor([&] { return !manager.shown.isEmpty(); }));
        EXPECT_EQ(manager.shown,
                  QStringList({"file:///tmp/Beta%20report%200A1B2C3D/Tilewick%20beta%20report.json"}));
        managerBus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
    QDBusConnection::disconnectFromBus(QStringLiteral("launcher"));
    daemon.terminate();
    daemon.waitForFinished();
}

} // namespace
