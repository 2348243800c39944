#include "SafeUnzip.h"

#include "CodeSignature.h"
#include "StageUpdate.h"

#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace betakit {

namespace {

struct ReadDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};

// A relative path without "." components or a trailing "/": what is written below the destination.
// Empty when the path is absolute, empty or climbs with "..".
QByteArray cleanRelative(const QByteArray& path) {
    if (path.isEmpty() || path.startsWith('/'))
        return {};
    QByteArrayList kept;
    for (const QByteArray& component : path.split('/')) {
        if (component.isEmpty() || component == ".")
            continue;
        if (component == "..")
            return {};
        kept.append(component);
    }
    return kept.join('/');
}

ZipEntry describe(archive_entry* entry) {
    ZipEntry described;
    described.path = archive_entry_pathname(entry);
    described.size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
    described.encrypted = archive_entry_is_encrypted(entry);
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        described.type = ZipEntry::Type::HardLink;
        described.target = hardlink;
        return described;
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
        described.type = ZipEntry::Type::File;
        break;
    case AE_IFDIR:
        described.type = ZipEntry::Type::Folder;
        break;
    case AE_IFLNK:
        described.type = ZipEntry::Type::Link;
        described.target = archive_entry_symlink(entry) ? archive_entry_symlink(entry) : "";
        break;
    default:
        described.type = ZipEntry::Type::Other;
    }
    return described;
}

QString entryText(const QByteArray& path) {
    return QStringLiteral("“%1”").arg(QString::fromUtf8(path));
}

// What a failed write says: libarchive's words and the system's. Sets `outOfSpace` when the write
// failed for want of room.
QString writeProblem(archive* writer, const QString& what, bool& outOfSpace) {
    const int error = archive_errno(writer);
    outOfSpace = platform::isOutOfSpace(error);
    QString problem = what + QStringLiteral(": ") + QString::fromUtf8(archive_error_string(writer));
    if (error != 0)
        problem += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    return problem;
}

std::unique_ptr<archive, ReadDeleter> zipReader() {
    std::unique_ptr<archive, ReadDeleter> reader(archive_read_new());
    archive_read_support_format_zip(reader.get());
    return reader;
}

// The room the archive takes once unpacked, as it declares it: each file rounded up to whole blocks
// of `block` bytes and each other entry one block. None when a file declares no size, when the
// archive can't be read, or when it is past the limits, which the unpacking then refuses in words.
std::optional<qint64> declaredRoom(const QString& zip, qint64 block, const UnzipLimits& limits) {
    const auto reader = zipReader();
    if (archive_read_open_filename(reader.get(), QFile::encodeName(zip).constData(), 64 * 1024) != ARCHIVE_OK)
        return std::nullopt;
    qint64 files = 0;
    qint64 room = 0;
    qint64 count = 0;
    archive_entry* entry = nullptr;
    for (int next; (next = archive_read_next_header(reader.get(), &entry)) != ARCHIVE_EOF;) {
        if (next != ARCHIVE_OK || ++count > limits.maxEntries)
            return std::nullopt;
        const ZipEntry described = describe(entry);
        if (described.type != ZipEntry::Type::File) {
            room += block;
            continue;
        }
        if (described.size < 0 || described.size > limits.maxEntryBytes)
            return std::nullopt;
        files += described.size;
        if (files > limits.maxTotalBytes)
            return std::nullopt;
        room += (described.size + block - 1) / block * block;
    }
    return room;
}

// Whether the file system `destination` goes on has room for what the archive declares; true when
// either is unknown, as the writes then tell.
bool roomFor(const QString& zip, const QString& destination, const UnzipLimits& limits) {
    const QStorageInfo disk(QFileInfo(destination).absolutePath());
    if (!disk.isValid() || disk.blockSize() <= 0)
        return true;
    const auto room = declaredRoom(zip, disk.blockSize(), limits);
    return !room || *room <= disk.bytesAvailable();
}

QString unpack(archive* reader, archive* writer, const UnzipLimits& limits, bool& outOfSpace) {
    qint64 total = 0;
    qint64 count = 0;
    archive_entry* entry = nullptr;
    for (;;) {
        const int next = archive_read_next_header(reader, &entry);
        if (next == ARCHIVE_EOF)
            break;
        if (next != ARCHIVE_OK)
            return QStringLiteral("the archive can’t be read: %1")
                .arg(QString::fromUtf8(archive_error_string(reader)));
        if (++count > limits.maxEntries)
            return QStringLiteral("the archive holds more than %1 entries").arg(limits.maxEntries);
        const ZipEntry described = describe(entry);
        if (const QString refusal = unzipRefusal(described, limits); !refusal.isEmpty())
            return refusal;
        // Written relative to the destination, which is the current folder.
        archive_entry_set_pathname(entry, cleanRelative(described.path).constData());
        if (described.type == ZipEntry::Type::HardLink)
            archive_entry_set_hardlink(entry, cleanRelative(described.target).constData());
        archive_entry_set_perm(entry, archive_entry_perm(entry) & 0777);
        if (archive_write_header(writer, entry) != ARCHIVE_OK)
            return writeProblem(writer, entryText(described.path) + QStringLiteral(" can’t be unpacked"),
                                outOfSpace);
        qint64 written = 0;
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        for (;;) {
            const int read = archive_read_data_block(reader, &block, &size, &offset);
            if (read == ARCHIVE_EOF)
                break;
            if (read != ARCHIVE_OK)
                return QStringLiteral("%1 can’t be read: %2")
                    .arg(entryText(described.path), QString::fromUtf8(archive_error_string(reader)));
            written += qint64(size);
            total += qint64(size);
            if (written > limits.maxEntryBytes || total > limits.maxTotalBytes)
                return QStringLiteral("the archive unpacks to more than %1 bytes").arg(limits.maxTotalBytes);
            if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK)
                return writeProblem(writer, entryText(described.path) + QStringLiteral(" can’t be written"),
                                    outOfSpace);
        }
        if (archive_write_finish_entry(writer) != ARCHIVE_OK)
            return writeProblem(writer, entryText(described.path) + QStringLiteral(" can’t be written"),
                                outOfSpace);
    }
    // Folder modes are set at the end, once nothing more goes into them.
    if (archive_write_close(writer) != ARCHIVE_OK)
        return writeProblem(writer, QStringLiteral("the unpacked folders can’t be finished"), outOfSpace);
    return {};
}

} // namespace

QString unzipRefusal(const ZipEntry& entry, const UnzipLimits& limits) {
    const QString name = entryText(entry.path);
    if (entry.path.startsWith('/'))
        return name + QStringLiteral(" has an absolute path");
    if (cleanRelative(entry.path).isEmpty())
        return name + QStringLiteral(" leads out of the destination");
    if (entry.encrypted)
        return name + QStringLiteral(" is encrypted");
    switch (entry.type) {
    case ZipEntry::Type::Other:
        return name + QStringLiteral(" is a device, FIFO or socket");
    case ZipEntry::Type::Link:
        if (!linkStaysInside(QString::fromUtf8(cleanRelative(entry.path)), QString::fromUtf8(entry.target)))
            return name + QStringLiteral(" links out of the destination");
        break;
    case ZipEntry::Type::HardLink:
        if (cleanRelative(entry.target).isEmpty())
            return name + QStringLiteral(" is a hard link out of the destination");
        break;
    default:
        break;
    }
    if (entry.size > limits.maxEntryBytes)
        return name + QStringLiteral(" is larger than %1 bytes").arg(limits.maxEntryBytes);
    return {};
}

QString unzipInto(const QString& zip, const QString& destination, const UnzipLimits& limits,
                  bool* outOfSpace) {
    bool noRoom = false;
    const auto result = [&](QString problem) {
        if (outOfSpace)
            *outOfSpace = noRoom;
        return problem;
    };
    // Refused before anything is made beside the application when it can't fit.
    if (!roomFor(zip, destination, limits)) {
        noRoom = true;
        return result(QStringLiteral("%1 has no room for what the archive holds").arg(destination));
    }
    const QByteArray encoded = QFile::encodeName(destination);
    // A new folder of our own: never unpack into something that was already there.
    if (mkdir(encoded.constData(), 0700) != 0) {
        const int error = errno;
        noRoom = platform::isOutOfSpace(error);
        return result(QStringLiteral("%1 can’t be made: %2")
                          .arg(destination, QString::fromLocal8Bit(std::strerror(error))));
    }
    const auto reader = zipReader();
    std::unique_ptr<archive, WriteDeleter> writer(archive_write_disk_new());
    archive_write_disk_set_options(
        writer.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_NO_OVERWRITE | ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                          ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    QString problem;
    const int previous = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (archive_read_open_filename(reader.get(), QFile::encodeName(zip).constData(), 64 * 1024) != ARCHIVE_OK)
        problem = QStringLiteral("%1 can’t be read: %2")
                      .arg(zip, QString::fromUtf8(archive_error_string(reader.get())));
    else if (chdir(encoded.constData()) != 0)
        problem = QStringLiteral("%1 can’t be entered").arg(destination);
    else
        problem = unpack(reader.get(), writer.get(), limits, noRoom);
    if (previous >= 0) {
        if (fchdir(previous) != 0)
            problem = problem.isEmpty() ? QStringLiteral("the working folder can’t be restored") : problem;
        close(previous);
    }
    if (!problem.isEmpty())
        removeQuietly(destination);
    return result(problem);
}

} // namespace betakit
