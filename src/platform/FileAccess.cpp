#include "FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString lastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting the outcome: a write the kernel deferred may fail only here.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// A name beside `target` that no other writer uses.
QByteArray temporaryName(const QString& target) {
    static std::atomic<unsigned> counter{0};
    return QFile::encodeName(target) + ".tmp-" + QByteArray::number(::getpid()) + "-" +
           QByteArray::number(counter.fetch_add(1));
}

extern "C" void writePastTheFileSizeLimit(int) {
    // Nothing: the write that raised the signal fails with EFBIG.
}

} // namespace

void failWritesPastTheFileSizeLimit() {
    struct sigaction action {};
    action.sa_handler = writePastTheFileSizeLimit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &action, nullptr);
}

bool isOutOfSpace(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

SmallFileRead readSmallFile(const QString& path, qint64 limit) {
    SmallFileRead read;
    // Non-blocking, so a FIFO without a writer does not hold the caller at open().
    Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return read;
        read.result = SmallFileRead::Result::Failed;
        read.problem = lastError();
        return read;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        read.result = SmallFileRead::Result::Failed;
        read.problem = lastError();
        return read;
    }
    read.result = SmallFileRead::Result::Refused;
    if (!S_ISREG(info.st_mode)) {
        read.problem = QStringLiteral("not a regular file");
        return read;
    }
    const QString tooLarge = QStringLiteral("larger than %1 bytes").arg(limit);
    if (info.st_size > limit) {
        read.problem = tooLarge;
        return read;
    }
    // The file may grow while it is read: one byte past the limit tells.
    read.data.resize(qsizetype(info.st_size) + 1);
    qint64 got = 0;
    for (;;) {
        if (got == read.data.size()) {
            if (got > limit) {
                read.data.clear();
                read.problem = tooLarge;
                return read;
            }
            read.data.resize(qsizetype(std::min(limit + 1, got * 2 + 1)));
        }
        const ssize_t n = ::read(fd.get(), read.data.data() + got, size_t(read.data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            read.data.clear();
            read.result = SmallFileRead::Result::Failed;
            read.problem = lastError();
            return read;
        }
        if (n == 0)
            break;
        got += n;
    }
    read.data.truncate(qsizetype(got));
    read.result = SmallFileRead::Result::Read;
    return read;
}

int openRegularFileForWriting(const QString& path, int mode) {
    // Non-blocking, so a FIFO without a reader fails at once instead of holding the caller.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode_t(mode));
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        return fd;
    // A FIFO that has a reader, a device, a socket: nothing to write a file's content to.
    const int error = info.st_mode == 0 ? errno : EINVAL;
    ::close(fd);
    errno = error;
    return -1;
}

bool makePrivateFolders(const QString& path) {
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    struct stat info {};
    if (::stat(QFile::encodeName(clean).constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !makePrivateFolders(parent))
        return false;
    // Another process may make it meanwhile; that is as good.
    return ::mkdir(QFile::encodeName(clean).constData(), 0700) == 0 ||
           (errno == EEXIST && ::stat(QFile::encodeName(clean).constData(), &info) == 0 &&
            S_ISDIR(info.st_mode));
}

QString writeFileAtomically(const QString& path, const QByteArray& data) {
    const QFileInfo info(path);
    QString target = path;
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        target = info.canonicalFilePath();

    const QByteArray temporary = temporaryName(target);
    Descriptor fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return lastError();
    QString failure;
    struct stat existing {};
    if (::stat(QFile::encodeName(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(fd.get(), existing.st_mode & 07777);
    if (!writeAll(fd.get(), data) || ::fsync(fd.get()) != 0 || !fd.close() ||
        ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        failure = lastError();
        ::unlink(temporary.constData());
        return failure;
    }
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return {};
}

} // namespace platform
