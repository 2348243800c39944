#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Larger than any settings file or desktop entry a person or a package writes, small enough that
// reading one never costs noticeable memory or time.
inline constexpr qint64 kSmallFileLimit = 4 * 1024 * 1024;

// What reading a small file gave.
struct SmallFileRead {
    enum class Result {
        Read,    // `data` holds the whole file
        Missing, // nothing at the path (or a symlink to nothing)
        Refused, // not a regular file (a folder, FIFO, device …) or larger than the limit
        Failed,  // the file is there but could not be read
    };
    Result result = Result::Missing;
    QByteArray data;
    // Why it was refused or failed, in words.
    QString problem;
};

// Reads a regular file of at most `limit` bytes. Never blocks on a FIFO and never reads a device
// or an oversized file: those are refused before a byte is read.
SmallFileRead readSmallFile(const QString& path, qint64 limit = kSmallFileLimit);

// Makes a write past the process's file-size limit (ulimit -f, prlimit --fsize) fail with EFBIG,
// as on a full disk, so it takes the writers' way of failing, instead of SIGXFSZ ending the process
// silently. Call first thing in main(). The signal is caught, not ignored: programs this one starts
// get the default back.
void failWritesPastTheFileSizeLimit();

// Whether a write that failed with `error` failed for want of room: the disk is full (ENOSPC), the
// user's quota is used up (EDQUOT) or the file-size limit is reached (EFBIG). Such a failure is told
// to the user as a lack of disk space, not as damage.
bool isOutOfSpace(int error);

// Opens `path` for writing as a regular file, creating it (with `mode`) when it is missing: never
// blocks on a FIFO, and refuses (-1, errno set) anything else at the path, a device or a folder.
// The file is not truncated; the caller owns the descriptor.
int openRegularFileForWriting(const QString& path, int mode = 0644);

// Creates `path` and the folders missing above it, each new one private to the user (0700), as the
// XDG conventions ask of folders a program creates. True when `path` is a folder afterwards.
bool makePrivateFolders(const QString& path);

// Replaces the content of `path` with `data` so that either the new content lands whole or the
// old file stays as it was: a temporary file beside it is written, checked, flushed to the disk
// and renamed over it. A symlink is followed and its target replaced; an existing file keeps its
// permissions. Returns the failure in words, or an empty string on success.
QString writeFileAtomically(const QString& path, const QByteArray& data);

} // namespace platform
