#include "platform/qt/DBusScreenSession.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

// A private session bus: the screen saver's lock and unlock reach the session object.
TEST(DBusScreenSessionTest, ScreenSaverLockAndUnlockArriveFromTheSessionBus) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address")});
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());

    platform::qt::DBusScreenSession session;
    EXPECT_TRUE(session.observing());
    QSignalSpy locked(&session, &platform::ScreenSession::screenLocked);
    QSignalSpy unlocked(&session, &platform::ScreenSession::screenUnlocked);

    QDBusConnection sender = QDBusConnection::connectToBus(address, QStringLiteral("screen-saver"));
    ASSERT_TRUE(sender.isConnected());
    for (const bool active : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                         QStringLiteral("org.freedesktop.ScreenSaver"),
                                                         QStringLiteral("ActiveChanged"));
        signal << active;
        ASSERT_TRUE(sender.send(signal));
    }
    EXPECT_TRUE(unlocked.wait(10000) || unlocked.size() == 1);
    EXPECT_EQ(locked.size(), 1);
    EXPECT_EQ(unlocked.size(), 1);

    QDBusConnection::disconnectFromBus(QStringLiteral("screen-saver"));
    daemon.terminate();
    daemon.waitForFinished();
}

} // namespace
