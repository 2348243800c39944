#include "ChildProcess.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace betakit {

namespace {

// An argv or envp for posix_spawn, owning its strings.
class CStrings {
public:
    explicit CStrings(const QList<QByteArray>& items) : m_items(items) {
        for (QByteArray& item : m_items)
            m_pointers.push_back(item.data());
        m_pointers.push_back(nullptr);
    }
    char* const* get() { return m_pointers.data(); }

private:
    QList<QByteArray> m_items;
    std::vector<char*> m_pointers;
};

QList<QByteArray> encoded(const QString& first, const QStringList& rest) {
    QList<QByteArray> all{first.toLocal8Bit()};
    for (const QString& argument : rest)
        all.append(argument.toLocal8Bit());
    return all;
}

QString launchErrorText(const QString& path, int error) {
    return QStringLiteral("%1 couldn’t be started: %2")
        .arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

// File actions and attributes shared by both ways of starting: stdin from /dev/null, every
// descriptor from 3 up closed but `inherited` (as 3), the default signal mask and dispositions.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    SpawnSetup(int outputFd, bool newSession, int inherited = -1) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (outputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
            posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        }
        if (inherited >= 0)
            posix_spawn_file_actions_adddup2(&actions, inherited, 3);
        posix_spawn_file_actions_addclosefrom_np(&actions, inherited >= 0 ? 4 : 3);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigdefault(&attributes, &all);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (newSession)
            flags |= POSIX_SPAWN_SETSID;
        posix_spawnattr_setflags(&attributes, flags);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

} // namespace

std::optional<ChildProcess::Finished> ChildProcess::run(const QString& path, const QStringList& arguments,
                                                        QString* launchError) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *launchError = launchErrorText(path, errno);
        return std::nullopt;
    }
    pid_t pid = -1;
    int spawnError;
    {
        SpawnSetup setup(pipeFds[1], false);
        CStrings argv(encoded(path, arguments));
        spawnError = posix_spawn(&pid, path.toLocal8Bit().constData(), &setup.actions, &setup.attributes,
                                 argv.get(), environ);
    }
    close(pipeFds[1]);
    if (spawnError != 0) {
        close(pipeFds[0]);
        *launchError = launchErrorText(path, spawnError);
        return std::nullopt;
    }
    QByteArray output;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(pipeFds[0]);
    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    Finished finished;
    finished.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : WTERMSIG(waitStatus);
    finished.output = QString::fromUtf8(output);
    return finished;
}

QString ChildProcess::startDetached(const QString& path, const QStringList& arguments,
                                    const QStringList& environment, int inherited) {
    QList<QByteArray> variables;
    QList<QByteArray> replaced;
    for (const QString& entry : environment) {
        variables.append(entry.toLocal8Bit());
        replaced.append(variables.last().left(variables.last().indexOf('=') + 1));
    }
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray variable(*entry);
        if (std::none_of(replaced.begin(), replaced.end(),
                         [&](const QByteArray& name) { return variable.startsWith(name); }))
            variables.append(variable);
    }
    // dup2 onto itself would leave 3 closed on exec: the child gets it from a copy above 3.
    const int source = inherited == 3 ? fcntl(inherited, F_DUPFD_CLOEXEC, 4) : inherited;
    SpawnSetup setup(-1, true, source);
    CStrings argv(encoded(path, arguments));
    CStrings envp(variables);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.toLocal8Bit().constData(), &setup.actions, &setup.attributes,
                                  argv.get(), envp.get());
    if (source != inherited && source >= 0)
        close(source);
    if (error != 0)
        return launchErrorText(path, error);
    // Nobody waits for it: once this process has gone, init reaps it.
    return {};
}

} // namespace betakit
