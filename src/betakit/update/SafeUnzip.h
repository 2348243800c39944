#pragma once

#include <QByteArray>
#include <QString>

namespace betakit {

// How much an archive may unpack to. An application folder is a few tens of megabytes; anything
// near these is an archive made to fill the disk.
struct UnzipLimits {
    qint64 maxEntryBytes = qint64(1) << 30;
    qint64 maxTotalBytes = qint64(1) << 30;
    qint64 maxEntries = 100'000;
};

// One entry of an archive, as far as the decision to unpack it goes.
struct ZipEntry {
    enum class Type { File, Folder, Link, HardLink, Other };
    QByteArray path;
    Type type = Type::File;
    // The size the archive declares; -1 when it declares none.
    qint64 size = -1;
    // A link's or hard link's target.
    QByteArray target;
    bool encrypted = false;
};

// Why an entry must not be unpacked, or empty: an absolute path, a ".." anywhere in it, a link or
// hard link leading out of the destination, a device, FIFO or socket, an encrypted entry, or a
// declared size past the limit.
QString unzipRefusal(const ZipEntry& entry, const UnzipLimits& limits = {});

// The exit statuses of `ditto`, the process the updater unpacks in.
enum UnzipStatus : int {
    kUnzipped = 0,
    kUnzipUsage = 1,
    // Refused or failed: the archive is unsafe or damaged, or the system failed otherwise.
    kUnzipFailed = 2,
    // The disk has no room for what the archive holds (ENOSPC, EDQUOT, EFBIG).
    kUnzipOutOfSpace = 3,
};

// Unpacks a zip archive into `destination`, which must not exist yet and is created (mode 0700).
// Modes are kept (without set-id and sticky bits), symlinks that stay inside are kept, nothing is
// written outside the destination, and entries are never written over. Bytes are counted as they
// are written, whatever the archive declares. When the archive declares the sizes of all its files,
// and they fit the limits but not the free space of the destination's file system, nothing is made.
// On any refusal or failure the destination is removed with whatever was unpacked. Empty, or what
// went wrong; `outOfSpace`, when given, tells whether it went wrong for want of room. It works from
// inside the destination (the process's working folder changes while it runs), so it runs in a
// process of its own: `ditto`.
QString unzipInto(const QString& zip, const QString& destination, const UnzipLimits& limits = {},
                  bool* outOfSpace = nullptr);

} // namespace betakit
