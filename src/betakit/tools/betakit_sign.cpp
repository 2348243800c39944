// betakit-sign: the maker's side of the updater's checks, for tests and for signing a build.
//   betakit-sign keygen <private-key> <public-key>   a new Ed25519 pair, each in hexadecimal
//   betakit-sign sign <folder.app> <private-key>     signs the application folder as it is
//   betakit-sign notarize <folder.app> <private-key> counter-signs a signed folder as the notary
//   betakit-sign zip <folder.app> <archive.zip>      zips the folder (as its top entry), keeping
//                                                    modes and symlinks
// Exit status 0 on success, 1 otherwise (the reason on stderr).
#include "betakit/update/CodeSignature.h"

#include "platform/FileAccess.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int fail(const QString& problem) {
    std::fprintf(stderr, "betakit-sign: %s\n", problem.toLocal8Bit().constData());
    return 1;
}

std::optional<betakit::SigningKey> readKey(const QString& path) {
    const auto read = platform::readSmallFile(path, 1024);
    return betakit::SigningKey::fromPrivateKey(QByteArray::fromHex(read.data.trimmed()));
}

QString writeZip(const QString& folder, const QString& zip) {
    struct WriteDeleter {
        void operator()(archive* a) const { archive_write_free(a); }
    };
    std::unique_ptr<archive, WriteDeleter> writer(archive_write_new());
    archive_write_set_format_zip(writer.get());
    if (archive_write_open_filename(writer.get(), QFile::encodeName(zip).constData()) != ARCHIVE_OK)
        return QString::fromUtf8(archive_error_string(writer.get()));
    const QFileInfo top(folder);
    QStringList paths{top.absoluteFilePath()};
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    const QDir base = top.absoluteDir();
    for (const QString& path : paths) {
        struct stat info;
        const QByteArray encoded = QFile::encodeName(path);
        if (lstat(encoded.constData(), &info) != 0)
            return QStringLiteral("%1 can’t be read").arg(path);
        archive_entry* entry = archive_entry_new();
        archive_entry_copy_stat(entry, &info);
        archive_entry_set_pathname(entry, QFile::encodeName(base.relativeFilePath(path)).constData());
        QByteArray content;
        if (S_ISLNK(info.st_mode)) {
            QByteArray target(4096, Qt::Uninitialized);
            const ssize_t n = readlink(encoded.constData(), target.data(), size_t(target.size()));
            archive_entry_set_symlink(entry, target.left(n < 0 ? 0 : n).constData());
        } else if (S_ISREG(info.st_mode)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return file.errorString();
            content = file.readAll();
        }
        const bool ok =
            archive_write_header(writer.get(), entry) == ARCHIVE_OK &&
            (content.isEmpty() || archive_write_data(writer.get(), content.constData(),
                                                     size_t(content.size())) == la_ssize_t(content.size()));
        archive_entry_free(entry);
        if (!ok)
            return QString::fromUtf8(archive_error_string(writer.get()));
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return QString::fromUtf8(archive_error_string(writer.get()));
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    const QString command = arguments.value(0);
    if (arguments.size() != 3)
        return fail(QStringLiteral("usage: betakit-sign keygen|sign|notarize|zip <first> <second>"));
    if (command == u"keygen") {
        const auto key = betakit::SigningKey::generate();
        QString problem = platform::writeFileAtomically(arguments[1], key.privateKey.toHex() + '\n');
        // Only its owner reads a private key.
        if (problem.isEmpty() && chmod(QFile::encodeName(arguments[1]).constData(), 0600) != 0)
            problem = QStringLiteral("%1 can’t be made private").arg(arguments[1]);
        if (problem.isEmpty())
            problem = platform::writeFileAtomically(arguments[2], key.publicKey.toHex() + '\n');
        return problem.isEmpty() ? 0 : fail(problem);
    }
    if (command == u"sign" || command == u"notarize") {
        const auto key = readKey(arguments[2]);
        if (!key)
            return fail(QStringLiteral("%1 holds no private key").arg(arguments[2]));
        const QString problem = command == u"sign" ? betakit::CodeSignature::sign(arguments[1], *key)
                                                   : betakit::CodeSignature::notarize(arguments[1], *key);
        return problem.isEmpty() ? 0 : fail(problem);
    }
    if (command == u"zip") {
        const QString problem = writeZip(arguments[1], arguments[2]);
        return problem.isEmpty() ? 0 : fail(problem);
    }
    return fail(QStringLiteral("unknown command %1").arg(command));
}
