#pragma once

#include "platform/SingleInstance.h"

#include <QLockFile>
#include <QString>

#include <memory>

class QLocalServer;

namespace platform::qt {

// One running instance per user and X display, over a lock file and a local socket.
//
// The first instance holds a lock file and listens on a local socket beside it; a later start
// finds the lock taken, asks the running instance through the socket to show itself, and waits
// for its answer. The lock (not the socket) decides who runs, so two starts at the same moment
// cannot both win, and a lock left by a crashed instance is taken over (QLockFile checks that
// its process still lives).
//
// Nobody else may take the lock or the socket first: they are kept only in a folder that this
// user owns and no one else may write in, and requests and answers count only from a peer of
// the same user (its credentials on the socket). A request is one short line; a peer that sends
// more is dropped. When the folder is not private, or the lock cannot be written there, the
// program runs without the check (claim() says Primary) and says why on stderr.
//
// Create it on the main thread, after the QCoreApplication.
class QtSingleInstance final : public SingleInstance {
    Q_OBJECT
public:
    // Files live in `folder`, named after `name`.
    QtSingleInstance(const QString& folder, const QString& name, QObject* parent = nullptr);
    ~QtSingleInstance() override;

    // The folder and name for this user and display: $XDG_RUNTIME_DIR when it is private to the
    // user, else "tilewick-<user id>" in the temporary folder (made private by claim()); the
    // display in the name.
    static QString defaultFolder();
    static QString defaultName(const QString& program);

    Role claim() override;
    // The socket path.
    QString address() const override { return socketPath(); }
    QString socketPath() const;

private:
    bool ask();
    void serve();

    QString m_folder;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace platform::qt
