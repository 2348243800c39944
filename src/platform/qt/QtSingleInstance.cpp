#include "QtSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::qt {

namespace {

// The one request, and its answer.
constexpr char kReopen[] = "reopen\n";
constexpr char kDone[] = "ok\n";
// How long a new start waits for a running instance that is still starting or busy.
constexpr int kAnswerMillis = 5000;
// More than the request or the answer: a peer that sends this much without a line feed is no
// start of ours, and no more of it is held in memory.
constexpr qint64 kMaxLine = 64;

// Whether the process at the other end of a connected local socket runs as this user (for a
// listening server, as the user who listened).
bool peerIsThisUser(qintptr socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return socket >= 0 && ::getsockopt(int(socket), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           size == sizeof credentials && credentials.uid == ::geteuid();
}

// Why `folder` may not hold the lock and the socket, or nothing when it is a folder (not a link)
// that this user owns and no one else may write in: elsewhere another user could take the lock
// or the socket first and keep this program from starting or answer in its place.
QString unsafeFolder(const QString& folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("not a folder");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("owned by user %1").arg(info.st_uid);
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("others may write there (mode %1)")
            .arg(info.st_mode & 07777, 4, 8, QChar(u'0'));
    return {};
}

void runningWithoutTheCheck(const QString& problem) {
    qWarning("Tilewick: %s; running without the check for another instance", qPrintable(problem));
}

} // namespace

QtSingleInstance::QtSingleInstance(const QString& folder, const QString& name, QObject* parent)
    : SingleInstance(parent), m_folder(folder), m_name(name) {}

QtSingleInstance::~QtSingleInstance() {
    if (m_server)
        m_server->close();
}

QString QtSingleInstance::defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && unsafeFolder(runtime).isEmpty())
        return runtime;
    // A folder of this user's own in the shared temporary folder; claim() makes it.
    return QDir::tempPath() + QStringLiteral("/tilewick-%1").arg(::geteuid());
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
    // A missing folder is made private; one that is not private is not used at all.
    (void)::mkdir(QFile::encodeName(m_folder).constData(), 0700);
    if (const QString problem = unsafeFolder(m_folder); !problem.isEmpty()) {
        runningWithoutTheCheck(
            QStringLiteral("%1 is no folder of this user alone (%2)").arg(m_folder, problem));
        return Role::Primary;
    }
    const QString lockPath = m_folder + u'/' + m_name + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(lockPath);
    // Only a lock whose process is gone is stale: a running instance's lock never ages out.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        serve();
        return Role::Primary;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        // Read-only, full, or not ours to write: no instance holds the lock, none can be asked.
        const int error = errno;
        runningWithoutTheCheck(QStringLiteral("cannot create the lock file %1 (%2)")
                                   .arg(lockPath, QString::fromLocal8Bit(std::strerror(error))));
        m_lock.reset();
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
            // Only a start of this user's may ask; nothing more than one short line is held for it.
            if (!peerIsThisUser(peer->socketDescriptor())) {
                peer->abort();
                peer->deleteLater();
                continue;
            }
            peer->setReadBufferSize(kMaxLine);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                while (peer->canReadLine()) {
                    if (peer->readLine() == kReopen) {
                        emit reopenRequested();
                        peer->write(kDone);
                        peer->flush();
                    }
                }
                if (peer->bytesAvailable() >= kMaxLine) {
                    peer->abort();
                    peer->deleteLater();
                }
            });
        }
    });
}

bool QtSingleInstance::ask() {
    // The running instance may still be starting: it takes the lock before it listens.
    QLocalSocket socket;
    socket.setReadBufferSize(kMaxLine);
    for (int waited = 0; waited < kAnswerMillis; waited += 100) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        QThread::msleep(100);
    }
    // Only an instance of this user's may answer.
    if (socket.state() != QLocalSocket::ConnectedState || !peerIsThisUser(socket.socketDescriptor()))
        return false;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(kAnswerMillis))
        return false;
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() >= kMaxLine || !socket.waitForReadyRead(kAnswerMillis))
            return false;
    }
    return socket.readLine() == kDone;
}

} // namespace platform::qt
