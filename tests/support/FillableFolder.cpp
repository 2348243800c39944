#include "FillableFolder.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
} // namespace

FillableFolder::FillableFolder(Kind kind, qint64 sizeLimit) : m_kind(kind), m_sizeLimit(sizeLimit) {
    if (!m_dir.isValid()) {
        m_unavailable = "no temporary folder";
        return;
    }
    if (kind == Kind::Tmpfs) {
        if (::mount("tilewick-test", native(path()).constData(), "tmpfs", 0, "size=256k") == 0)
            m_mounted = true;
        else
            m_unavailable = std::string("mounting a tmpfs is not permitted here: ") + std::strerror(errno);
    }
}

FillableFolder::~FillableFolder() {
    setFull(false);
    if (m_mounted)
        ::umount2(native(path()).constData(), MNT_DETACH);
}

void FillableFolder::setFull(bool full) {
    if (!m_unavailable.empty())
        return;
    if (m_kind == Kind::FileSizeLimit) {
        if (full == m_full)
            return;
        if (full) {
            // Past the limit a write fails with EFBIG instead of the signal ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &m_limit);
            const rlimit small{rlim_t(m_sizeLimit), m_limit.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &small);
        } else {
            ::setrlimit(RLIMIT_FSIZE, &m_limit);
        }
        m_full = full;
        return;
    }
    m_full = full;
    const QByteArray filler = native(path() + "/filler");
    if (!full) {
        ::unlink(filler.constData());
        return;
    }
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const QByteArray block(4096, 'x');
    while (fd >= 0 && ::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}
