#include "UpdateLeftovers.h"

#include "StageUpdate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace betakit {

namespace {

int openTemporaryFolder(const QString& folder) {
    QDir().mkpath(folder);
    return open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool lockFolder(int fd, int operation) {
    while (flock(fd, operation) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

// The entries of `folder` whose names match `name` and that are this user's, of the given kind.
QStringList ownEntries(const QString& folder, const QRegularExpression& name, bool folders, bool files) {
    QStringList found;
    const QDir dir(folder);
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (!name.match(entry).hasMatch())
            continue;
        const QString path = dir.filePath(entry);
        struct stat info;
        if (lstat(QFile::encodeName(path).constData(), &info) != 0 || info.st_uid != geteuid())
            continue;
        if ((folders && S_ISDIR(info.st_mode)) || (files && S_ISREG(info.st_mode)))
            found.append(path);
    }
    return found;
}

} // namespace

std::unique_ptr<UpdateLock> UpdateLock::hold(const QString& temporary) {
    const int fd = openTemporaryFolder(temporary);
    if (fd < 0)
        return nullptr;
    if (!lockFolder(fd, LOCK_SH)) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<UpdateLock>(new UpdateLock(fd));
}

UpdateLock::~UpdateLock() {
    close(m_fd);
}

bool removeUpdateLeftovers(const QString& temporary, const QString& target) {
    const int fd = openTemporaryFolder(temporary);
    if (fd < 0)
        return false;
    if (!lockFolder(fd, LOCK_EX | LOCK_NB)) {
        close(fd);
        return false;
    }
    // Listed under the lock; an update that begins once it is let go makes names of its own.
    static const QString uuid =
        QStringLiteral("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    QStringList leftovers = ownEntries(
        temporary,
        QRegularExpression(QStringLiteral("^beta-update-") + uuid + QStringLiteral("\\.(zip|sh)$")), false,
        true);
    leftovers += ownEntries(
        temporary, QRegularExpression(QStringLiteral("^beta-update-") + uuid + QStringLiteral("\\.bin$")),
        true, false);
    const QFileInfo app(target);
    if (app.fileName().endsWith(QStringLiteral(".app"))) {
        const QString staging = QStringLiteral("^\\.") +
                                QRegularExpression::escape(app.fileName().chopped(4)) +
                                QStringLiteral("-update-[0-9A-F]{8}$");
        leftovers += ownEntries(app.path(), QRegularExpression(staging), true, false);
    }
    close(fd);
    for (const QString& path : leftovers)
        removeQuietly(path);
    return true;
}

} // namespace betakit
