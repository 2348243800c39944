#include "DBusScreenSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace platform::qt {

namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

DBusScreenSession::DBusScreenSession(QObject* parent) : ScreenSession(parent) {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        // Desktops publish the screen saver at either path.
        for (const QString& path :
             {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")})
            m_observing |= session.connect(QString(), path, kScreenSaver, QStringLiteral("ActiveChanged"),
                                           this, SLOT(screenSaverActiveChanged(bool)));
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        m_observing |= system.connect(kLogin1, kLogin1Path, QStringLiteral("org.freedesktop.login1.Manager"),
                                      QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
        // This process's session, asked without waiting: start-up never blocks on the bus.
        QDBusMessage call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path,
                                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                                           QStringLiteral("GetSessionByPID"));
        call << quint32(::getpid());
        auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
            const QDBusPendingReply<QDBusObjectPath> reply = *finished;
            if (reply.isValid())
                watchSession(reply.value().path());
            finished->deleteLater();
        });
    }
}

void DBusScreenSession::watchSession(const QString& sessionPath) {
    QDBusConnection system = QDBusConnection::systemBus();
    const QString interface = QStringLiteral("org.freedesktop.login1.Session");
    system.connect(kLogin1, sessionPath, interface, QStringLiteral("Lock"), this, SLOT(sessionLock()));
    system.connect(kLogin1, sessionPath, interface, QStringLiteral("Unlock"), this, SLOT(sessionUnlock()));
}

void DBusScreenSession::prepareForSleep(bool sleeping) {
    if (sleeping)
        emit screensDidSleep();
    else
        emit screensDidWake();
}

void DBusScreenSession::screenSaverActiveChanged(bool active) {
    if (active)
        emit screenLocked();
    else
        emit screenUnlocked();
}

void DBusScreenSession::sessionLock() {
    emit screenLocked();
}

void DBusScreenSession::sessionUnlock() {
    emit screenUnlocked();
}

} // namespace platform::qt
