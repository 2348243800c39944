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
// Create it on the main thread, after the QCoreApplication.
class QtSingleInstance final : public SingleInstance {
    Q_OBJECT
public:
    // Files live in `folder`, named after `name`.
    QtSingleInstance(const QString& folder, const QString& name, QObject* parent = nullptr);
    ~QtSingleInstance() override;

    // The folder and name for this user and display: $XDG_RUNTIME_DIR (private to the user),
    // else the temporary folder with the user id in the name; the display in the name.
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
