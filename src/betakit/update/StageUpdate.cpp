#include "StageUpdate.h"

#include "ChildProcess.h"
#include "CodeSignature.h"
#include "SafeUnzip.h"

#include "platform/Platform.h"
#include "platform/PropertyList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace betakit {

namespace {

constexpr qint64 kDigestChunk = 1024 * 1024;

bool writable(const QString& path) {
    return access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A directory (not a symlink to one) named "*.app" whose Info.plist names a bundle.
bool isApplicationFolder(const QString& path) {
    struct stat info;
    return path.endsWith(QStringLiteral(".app")) && lstat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && !bundleIdentifier(path).isEmpty();
}

QStringList entriesOf(const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted))
        paths.append(dir.filePath(name));
    return paths;
}

UpdateResult<QString> stageChecked(const QString& zip, qint64 bytes, const QString& sha256,
                                   const QString& build, const QString& target) {
    // Size: cheap, and a wrong size needs no digest.
    struct stat info;
    const qint64 size = stat(QFile::encodeName(zip).constData(), &info) == 0 ? qint64(info.st_size) : -1;
    if (size != bytes)
        return UpdateError::beta(kNotIntactSentence);
    const auto digest = sha256Hex(zip);
    if (!digest.ok())
        return digest.error();
    if (digest.value() != sha256.toLower())
        return UpdateError::beta(kNotIntactSentence);

    // Place.
    const QFileInfo targetInfo(target);
    const QString parent = targetInfo.path();
    const QString appName = targetInfo.fileName().endsWith(QStringLiteral(".app"))
                                ? targetInfo.fileName().chopped(4)
                                : targetInfo.completeBaseName();
    if (parent.contains(QStringLiteral("/AppTranslocation/")) || !writable(parent) || !writable(target) ||
        !isApplicationFolder(target))
        return UpdateError::beta(cantReplaceSentence(appName));

    // Unpack.
    const QString staging = parent + QStringLiteral("/.") + appName + QStringLiteral("-update-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().left(8);
    QString launchError;
    const auto unpacked =
        ChildProcess::run(updateToolPath(QStringLiteral("ditto")),
                          {QStringLiteral("-x"), QStringLiteral("-k"), zip, staging}, &launchError);
    const auto failed = [&staging](UpdateError error) {
        removeQuietly(staging);
        return UpdateResult<QString>(std::move(error));
    };
    if (!unpacked)
        return failed(UpdateError::platform(launchError));
    if (auto error = unpackError(unpacked->status))
        return failed(*error);

    const auto app = findApp(staging, bundleIdentifier(target));
    if (!app.ok())
        return failed(app.error());
    const auto version = platform::readPropertyList(app.value() + QStringLiteral("/Contents/Info.plist"))
                             .value(QStringLiteral("CFBundleVersion"));
    if (version.type != platform::PropertyListValue::Type::String || version.text != build)
        return failed(UpdateError::beta(kWrongBuildSentence));
    if (auto error = checkSignature(app.value(), target))
        return failed(*error);
    if (auto error = checkNotarization(app.value()))
        return failed(*error);
    return app.value();
}

} // namespace

QString cantReplaceSentence(const QString& appName) {
    return QStringLiteral("This copy of ") + appName +
           QStringLiteral(
               " can’t be replaced where it is. Move it to your Applications folder and try again, "
               "or download the new beta from the website.");
}

UpdateResult<QString> stageUpdate(const QString& zip, qint64 bytes, const QString& sha256,
                                  const QString& build, const QString& target) {
    auto result = stageChecked(zip, bytes, sha256, build, target);
    removeQuietly(zip);
    return result;
}

UpdateResult<QString> sha256Hex(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return UpdateError::platform(file.errorString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray chunk(kDigestChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), kDigestChunk);
        if (n < 0)
            return UpdateError::platform(file.errorString());
        if (n == 0)
            break;
        hash.addData(QByteArrayView(chunk.constData(), n));
    }
    return QString::fromLatin1(hash.result().toHex());
}

namespace {

UpdateError toolFailed(const QString& tool, int status) {
    return UpdateError::beta(
        QStringLiteral("The new build couldn’t be checked (%1 %2).").arg(tool).arg(status));
}

} // namespace

UpdateResult<QString> runTool(const QString& path, const QStringList& arguments) {
    QString launchError;
    const auto finished = ChildProcess::run(path, arguments, &launchError);
    if (!finished)
        return UpdateError::platform(launchError);
    if (finished->status != 0)
        return toolFailed(QFileInfo(path).fileName(), finished->status);
    return finished->output;
}

std::optional<UpdateError> unpackError(int status) {
    switch (status) {
    case kUnzipped:
        return std::nullopt;
    case kUnzipOutOfSpace:
        return UpdateError::beta(kNoRoomToInstallSentence);
    default:
        return toolFailed(QStringLiteral("ditto"), status);
    }
}

UpdateResult<QString> findApp(const QString& staging, const QString& identifier) {
    // The archive may hold the application at its top or inside one folder.
    QStringList candidates = entriesOf(staging);
    const QStringList top = candidates;
    for (const QString& entry : top)
        candidates.append(entriesOf(entry));
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).suffix() == u"app" && bundleIdentifier(candidate) == identifier)
            return candidate;
    return UpdateError::beta(kNotThisAppSentence);
}

std::optional<UpdateError> checkSignature(const QString& app, const QString& installed) {
    const auto requirement = CodeSignature::designatedRequirement(installed);
    struct stat info;
    if (!requirement || lstat(QFile::encodeName(app).constData(), &info) != 0)
        return UpdateError::beta(kSignatureUncheckedSentence);
    if (!CodeSignature::check(app, *requirement).isEmpty())
        return UpdateError::beta(kNotOurDeveloperSentence);
    return std::nullopt;
}

std::optional<UpdateError> checkNotarization(const QString& app) {
    const auto assessed = runTool(updateToolPath(QStringLiteral("spctl")),
                                  {QStringLiteral("--assess"), QStringLiteral("--type"),
                                   QStringLiteral("execute"), QStringLiteral("-vv"), app});
    if (!assessed.ok())
        return assessed.error();
    if (!assessed.value().contains(QStringLiteral("Notarized Developer ID")))
        return UpdateError::beta(kNotNotarisedSentence);
    return std::nullopt;
}

void removeQuietly(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    if (lstat(encoded.constData(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        unlink(encoded.constData());
        return;
    }
    // Depth first, without following symlinks or leaving the file system.
    nftw(
        encoded.constData(),
        [](const char* entry, const struct stat*, int, struct FTW*) {
            ::remove(entry);
            return 0;
        },
        64, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

QString updateToolPath(const QString& name) {
    return platform::Platform::current().bundle().bundlePath() + QStringLiteral("/Contents/bin/") + name;
}

} // namespace betakit
