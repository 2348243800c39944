#include "QtSingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

#include <unistd.h>

namespace platform::qt {

namespace {

// The one request, and its answer.
constexpr char kReopen[] = "reopen\n";
constexpr char kDone[] = "ok\n";
// How long a new start waits for a running instance that is still starting or busy.
constexpr int kAnswerMillis = 5000;

} // namespace

QtSingleInstance::QtSingleInstance(const QString& folder, const QString& name, QObject* parent)
    : SingleInstance(parent), m_folder(folder), m_name(name) {}

QtSingleInstance::~QtSingleInstance() {
    if (m_server)
        m_server->close();
}

QString QtSingleInstance::defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

QString QtSingleInstance::defaultName(const QString& program) {
    // ":0.0" and "localhost:10" become "0.0" and "localhost-10"; the user id keeps users of a
    // shared temporary folder apart.
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]+")), QStringLiteral("-"));
    display.remove(QRegularExpression(QStringLiteral("^-+")));
    return QStringLiteral("%1-%2-display-%3").arg(program).arg(getuid()).arg(display);
}

QString QtSingleInstance::socketPath() const {
    return m_folder + u'/' + m_name + QStringLiteral(".socket");
}

QtSingleInstance::Role QtSingleInstance::claim() {
    m_lock = std::make_unique<QLockFile>(m_folder + u'/' + m_name + QStringLiteral(".lock"));
    // Only a lock whose process is gone is stale: a running instance's lock never ages out.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        serve();
        return Role::Primary;
    }
    return ask() ? Role::Secondary : Role::Unreachable;
}

void QtSingleInstance::serve() {
    // A socket file left by a crashed instance would refuse the listen.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        qWarning("Tilewick: cannot listen on %s (%s); a second start will not find this one",
                 qPrintable(socketPath()), qPrintable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                while (peer->canReadLine()) {
                    if (peer->readLine() == kReopen) {
                        emit reopenRequested();
                        peer->write(kDone);
                        peer->flush();
                    }
                }
            });
        }
    });
}

bool QtSingleInstance::ask() {
    // The running instance may still be starting: it takes the lock before it listens.
    QLocalSocket socket;
    for (int waited = 0; waited < kAnswerMillis; waited += 100) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        QThread::msleep(100);
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(kAnswerMillis))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerMillis))
            return false;
    }
    return socket.readLine() == kDone;
}

} // namespace platform::qt
