#pragma once

#include <QString>
#include <QTemporaryDir>

#include <string>

#include <sys/resource.h>

// A folder whose file system can be made full, for writers that must survive a full disk.
// Tmpfs: a small tmpfs is mounted on it and filled with a file (needs the right to mount).
// FileSizeLimit: the process's file-size limit drops to `sizeLimit` bytes, so longer writes fail
// as on a full disk (anyone may do that). It holds for every file of the process until emptied,
// also for the file gtest captures stderr in.
class FillableFolder {
public:
    enum class Kind { Tmpfs, FileSizeLimit };

    explicit FillableFolder(Kind kind, qint64 sizeLimit = 16);
    ~FillableFolder();
    FillableFolder(const FillableFolder&) = delete;
    FillableFolder& operator=(const FillableFolder&) = delete;

    // Empty when the folder can be used here; otherwise why not.
    const std::string& unavailable() const { return m_unavailable; }
    QString path() const { return m_dir.path(); }
    // Filling again fills what was freed since.
    void setFull(bool full);

    static std::string name(Kind kind) { return kind == Kind::Tmpfs ? "Tmpfs" : "FileSizeLimit"; }

private:
    Kind m_kind;
    QTemporaryDir m_dir;
    std::string m_unavailable;
    bool m_mounted = false;
    bool m_full = false;
    qint64 m_sizeLimit;
    rlimit m_limit{};
};
