#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace platform::qt {

// One running instance per user and X display.
//
// The first instance holds a lock file and listens on a local socket beside it; a later start
// finds the lock taken, asks the running instance through the socket to show itself, and waits
// for its answer. The lock (not the socket) decides who runs, so two starts at the same moment
// cannot both win, and a lock left by a crashed instance is taken over (QLockFile checks that
// its process still lives).
//
// Create it on the main thread, after the QCoreApplication.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        // This process runs; reopenRequested() tells of later starts.
        Primary,
        // Another instance runs and has been asked to show itself.
        Secondary,
        // Another instance holds the lock but did not answer.
        Unreachable,
    };

    // Files live in `folder`, named after `name`.
    SingleInstance(const QString& folder, const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The folder and name for this user and display: $XDG_RUNTIME_DIR (private to the user),
    // else the temporary folder with the user id in the name; the display in the name.
    static QString defaultFolder();
    static QString defaultName(const QString& program);

    // Decides this process's role; call once.
    Role claim();
    QString socketPath() const;

signals:
    // A later start asks this instance to show its main window.
    void reopenRequested();

private:
    bool ask();
    void serve();

    QString m_folder;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace platform::qt
