#include "CodeSignature.h"

#include "platform/FileAccess.h"
#include "platform/PropertyList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace betakit {

namespace {

constexpr const char* kManifestName = "CodeResources";
constexpr const char* kSignatureName = "CodeSignature";
constexpr const char* kTicketName = "Notarization";
// Larger than the manifest of any application folder we make; small enough to read at once.
constexpr qint64 kManifestLimit = 16 * 1024 * 1024;
// Deeper nesting than this is no application folder.
constexpr int kMaxDepth = 64;

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

QByteArray rawKey(EVP_PKEY* key, bool isPrivate) {
    QByteArray raw(32, Qt::Uninitialized);
    size_t length = size_t(raw.size());
    const auto* data = reinterpret_cast<unsigned char*>(raw.data());
    const int ok = isPrivate ? EVP_PKEY_get_raw_private_key(key, const_cast<unsigned char*>(data), &length)
                             : EVP_PKEY_get_raw_public_key(key, const_cast<unsigned char*>(data), &length);
    return ok == 1 && length == 32 ? raw : QByteArray();
}

// One entry of a folder as the manifest lists it.
struct Entry {
    QByteArray path; // UTF-8, relative to the folder
    QJsonObject fields;
};

struct Scan {
    std::vector<Entry> entries;
    QString problem;
};

QString hashOfOpenFile(int fd, QString* problem) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = read(fd, chunk.data(), size_t(chunk.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *problem = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        if (n == 0)
            break;
        hash.addData(QByteArrayView(chunk.constData(), n));
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString modeText(mode_t mode) {
    return QString::number(mode & 07777, 8);
}

// Walks a folder without following symlinks, listing what the manifest lists. The signature folder
// is left out; `problem` names the first thing no signed folder may hold.
void walk(int folderFd, const QByteArray& prefix, int depth, Scan& scan) {
    if (!scan.problem.isEmpty())
        return;
    if (depth > kMaxDepth) {
        scan.problem = QStringLiteral("%1 is nested too deeply").arg(QString::fromUtf8(prefix));
        return;
    }
    const int listFd = dup(folderFd);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            close(listFd);
        scan.problem = QStringLiteral("%1 can’t be listed").arg(QString::fromUtf8(prefix));
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent* item = readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());

    for (const QByteArray& name : names) {
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (path == CodeSignature::kFolder)
            continue;
        const QString shown = QString::fromUtf8(path);
        if (shown.toUtf8() != path) {
            scan.problem = QStringLiteral("%1 has a name that isn’t UTF-8").arg(shown);
            return;
        }
        struct stat info;
        if (fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            scan.problem = QStringLiteral("%1 can’t be read").arg(shown);
            return;
        }
        Entry entry{path, {{"path", shown}}};
        if (S_ISDIR(info.st_mode)) {
            entry.fields.insert("type", "folder");
            entry.fields.insert("mode", modeText(info.st_mode));
            scan.entries.push_back(entry);
            const int fd =
                openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                scan.problem = QStringLiteral("%1 can’t be opened").arg(shown);
                return;
            }
            walk(fd, path, depth + 1, scan);
            close(fd);
        } else if (S_ISREG(info.st_mode)) {
            const int fd = openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            struct stat opened;
            if (fd < 0 || fstat(fd, &opened) != 0 || opened.st_ino != info.st_ino ||
                !S_ISREG(opened.st_mode)) {
                if (fd >= 0)
                    close(fd);
                scan.problem = QStringLiteral("%1 can’t be opened").arg(shown);
                return;
            }
            const QString digest = hashOfOpenFile(fd, &scan.problem);
            close(fd);
            if (!scan.problem.isEmpty())
                return;
            entry.fields.insert("type", "file");
            entry.fields.insert("mode", modeText(info.st_mode));
            entry.fields.insert("sha256", digest);
            scan.entries.push_back(entry);
        } else if (S_ISLNK(info.st_mode)) {
            QByteArray target(PATH_MAX, Qt::Uninitialized);
            const ssize_t length =
                readlinkat(folderFd, name.constData(), target.data(), size_t(target.size()));
            if (length < 0 || length >= target.size()) {
                scan.problem = QStringLiteral("%1 can’t be read").arg(shown);
                return;
            }
            target.truncate(length);
            const QString targetText = QString::fromUtf8(target);
            if (targetText.toUtf8() != target || !linkStaysInside(shown, targetText)) {
                scan.problem = QStringLiteral("%1 points outside the folder").arg(shown);
                return;
            }
            entry.fields.insert("type", "link");
            entry.fields.insert("target", targetText);
            scan.entries.push_back(entry);
        } else {
            scan.problem = QStringLiteral("%1 is a device, FIFO or socket").arg(shown);
            return;
        }
    }
}

Scan scanFolder(const QString& app) {
    Scan scan;
    const int fd = open(QFile::encodeName(app).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        scan.problem = QStringLiteral("%1 isn’t a folder").arg(app);
        return scan;
    }
    walk(fd, {}, 0, scan);
    close(fd);
    return scan;
}

QByteArray manifestOf(const std::vector<Entry>& entries, const QString& identifier) {
    QJsonArray list;
    for (const Entry& entry : entries)
        list.append(entry.fields);
    return QJsonDocument(QJsonObject{{"format", 1}, {"identifier", identifier}, {"entries", list}})
        .toJson(QJsonDocument::Compact);
}

QString signatureFolder(const QString& app) {
    return app + u'/' + QLatin1String(CodeSignature::kFolder);
}

// A regular file (not a symlink) of the signature folder, read whole; none when it isn't one.
std::optional<QByteArray> readSignatureFile(const QString& app, const char* name, qint64 limit = 64 * 1024) {
    const QString path = signatureFolder(app) + u'/' + QLatin1String(name);
    struct stat info;
    if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const auto read = platform::readSmallFile(path, limit);
    if (read.result != platform::SmallFileRead::Result::Read)
        return std::nullopt;
    return read.data;
}

// A JSON object of hexadecimal members of fixed sizes in bytes: {"format":1, name: hex, …}.
std::optional<std::map<QString, QByteArray>> readHexFields(const QByteArray& json,
                                                           const std::map<QString, int>& sizes) {
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    if (object.value("format").toInteger() != 1)
        return std::nullopt;
    std::map<QString, QByteArray> fields;
    for (const auto& [name, size] : sizes) {
        const QString text = object.value(name).toString();
        const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
        if (bytes.size() != size || QString::fromLatin1(bytes.toHex()) != text)
            return std::nullopt;
        fields[name] = bytes;
    }
    return fields;
}

QByteArray hexFields(const std::map<QString, QByteArray>& fields) {
    QJsonObject object{{"format", 1}};
    for (const auto& [name, bytes] : fields)
        object.insert(name, QString::fromLatin1(bytes.toHex()));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

struct Signed {
    QByteArray manifest;
    QByteArray signer;
    QByteArray signature;
};

// The manifest and its signature, when the signature holds.
std::optional<Signed> readSigned(const QString& app) {
    const auto manifest = readSignatureFile(app, kManifestName, kManifestLimit);
    const auto signatureFile = readSignatureFile(app, kSignatureName);
    if (!manifest || !signatureFile)
        return std::nullopt;
    const auto fields = readHexFields(*signatureFile, {{"signer", 32}, {"signature", 64}});
    if (!fields || !verifyEd25519(fields->at("signer"), *manifest, fields->at("signature")))
        return std::nullopt;
    return Signed{*manifest, fields->at("signer"), fields->at("signature")};
}

QByteArray ticketMessage(const Signed& signature) {
    return "tilewick-notarization-1\n" + signature.signer.toHex() + '\n' +
           QCryptographicHash::hash(signature.manifest, QCryptographicHash::Sha256).toHex() + '\n' +
           signature.signature.toHex() + '\n';
}

// The first path in which two manifests differ, for the message.
QString firstDifference(const QByteArray& expected, const std::vector<Entry>& actual) {
    std::map<QString, QJsonObject> listed;
    for (const QJsonValue& value : QJsonDocument::fromJson(expected).object().value("entries").toArray())
        listed[value.toObject().value("path").toString()] = value.toObject();
    for (const Entry& entry : actual) {
        const QString path = QString::fromUtf8(entry.path);
        const auto it = listed.find(path);
        if (it == listed.end())
            return path + QStringLiteral(" isn’t listed in the signature");
        if (it->second != entry.fields)
            return path + QStringLiteral(" isn’t as it was signed");
        listed.erase(it);
    }
    if (!listed.empty())
        return listed.begin()->first + QStringLiteral(" is missing");
    return QStringLiteral("the bundle identifier isn’t the signed one");
}

} // namespace

QString bundleIdentifier(const QString& app) {
    const auto value = platform::readPropertyList(app + QStringLiteral("/Contents/Info.plist"))
                           .value(QStringLiteral("CFBundleIdentifier"));
    return value.type == platform::PropertyListValue::Type::String ? value.text : QString();
}

SigningKey SigningKey::generate() {
    Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    return key ? SigningKey{rawKey(key.get(), true), rawKey(key.get(), false)} : SigningKey{};
}

std::optional<SigningKey> SigningKey::fromPrivateKey(const QByteArray& privateKey) {
    if (privateKey.size() != 32)
        return std::nullopt;
    Pkey key(EVP_PKEY_new_raw_private_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(privateKey.constData()), 32));
    if (!key)
        return std::nullopt;
    return SigningKey{privateKey, rawKey(key.get(), false)};
}

QByteArray SigningKey::sign(const QByteArray& message) const {
    Pkey key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr,
                                          reinterpret_cast<const unsigned char*>(privateKey.constData()),
                                          size_t(privateKey.size())));
    MdContext context(EVP_MD_CTX_new());
    QByteArray signature(64, Qt::Uninitialized);
    size_t length = size_t(signature.size());
    if (!key || !context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       size_t(message.size())) != 1)
        return {};
    return signature;
}

bool verifyEd25519(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature) {
    if (publicKey.size() != 32 || signature.size() != 64)
        return false;
    Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                         reinterpret_cast<const unsigned char*>(publicKey.constData()), 32));
    MdContext context(EVP_MD_CTX_new());
    return key && context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()),
                            size_t(message.size())) == 1;
}

bool linkStaysInside(const QString& linkPath, const QString& target) {
    if (target.isEmpty() || target.startsWith(u'/'))
        return false;
    const qsizetype depth = linkPath.count(u'/');
    qsizetype ups = 0;
    bool climbing = true;
    for (const QStringView component : QStringView(target).split(u'/', Qt::SkipEmptyParts)) {
        if (component == u".")
            continue;
        if (component == u"..") {
            // Only a climb through real folders is known to stay inside: a ".." after a name
            // might follow a symlink anywhere.
            if (!climbing)
                return false;
            ++ups;
        } else {
            climbing = false;
        }
    }
    return ups <= depth;
}

std::optional<CodeSignature::Requirement> CodeSignature::designatedRequirement(const QString& app) {
    const auto signature = readSigned(app);
    if (!signature)
        return std::nullopt;
    const QJsonValue identifier = QJsonDocument::fromJson(signature->manifest).object().value("identifier");
    if (!identifier.isString())
        return std::nullopt;
    return Requirement{identifier.toString(), signature->signer};
}

QString CodeSignature::check(const QString& app, const std::optional<Requirement>& requirement) {
    struct stat info;
    if (lstat(QFile::encodeName(app).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("%1 isn’t a folder").arg(app);
    // The signature folder holds its own files and nothing else.
    const QStringList extra =
        QDir(signatureFolder(app))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : extra)
        if (name != QLatin1String(kManifestName) && name != QLatin1String(kSignatureName) &&
            name != QLatin1String(kTicketName))
            return QStringLiteral("%1/%2 doesn’t belong in the signature").arg(QLatin1String(kFolder), name);
    const auto signature = readSigned(app);
    if (!signature)
        return QStringLiteral("the folder isn’t signed, or its signature doesn’t hold");
    const auto own = designatedRequirement(app);
    if (!own)
        return QStringLiteral("the signature names no bundle identifier");
    if (requirement && own->signer != requirement->signer)
        return QStringLiteral("the folder is signed by another developer");
    if (requirement && own->identifier != requirement->identifier)
        return QStringLiteral("the folder is signed as another application (%1)").arg(own->identifier);
    const Scan scan = scanFolder(app);
    if (!scan.problem.isEmpty())
        return scan.problem;
    if (manifestOf(scan.entries, bundleIdentifier(app)) != signature->manifest)
        return firstDifference(signature->manifest, scan.entries);
    return {};
}

QString CodeSignature::sign(const QString& app, const SigningKey& key) {
    const QString identifier = bundleIdentifier(app);
    if (identifier.isEmpty())
        return QStringLiteral("%1/Contents/Info.plist names no bundle identifier").arg(app);
    const Scan scan = scanFolder(app);
    if (!scan.problem.isEmpty())
        return scan.problem;
    const QString folder = signatureFolder(app);
    for (const QString& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (name != QLatin1String(kManifestName) && name != QLatin1String(kSignatureName) &&
            name != QLatin1String(kTicketName))
            return QStringLiteral("%1/%2 doesn’t belong in the signature").arg(QLatin1String(kFolder), name);
    if (!QDir().mkpath(folder))
        return QStringLiteral("%1 can’t be made").arg(folder);
    QFile::remove(folder + u'/' + QLatin1String(kTicketName));
    const QByteArray manifest = manifestOf(scan.entries, identifier);
    const QByteArray signature = key.sign(manifest);
    if (signature.isEmpty())
        return QStringLiteral("the key can’t sign");
    QString problem = platform::writeFileAtomically(folder + u'/' + QLatin1String(kManifestName), manifest);
    if (problem.isEmpty())
        problem =
            platform::writeFileAtomically(folder + u'/' + QLatin1String(kSignatureName),
                                          hexFields({{"signer", key.publicKey}, {"signature", signature}}));
    return problem;
}

QString CodeSignature::notarize(const QString& app, const SigningKey& notary) {
    const auto signature = readSigned(app);
    if (!signature)
        return QStringLiteral("%1 isn’t signed").arg(app);
    const QByteArray ticket = notary.sign(ticketMessage(*signature));
    if (ticket.isEmpty())
        return QStringLiteral("the key can’t sign");
    return platform::writeFileAtomically(signatureFolder(app) + u'/' + QLatin1String(kTicketName),
                                         hexFields({{"notary", notary.publicKey}, {"signature", ticket}}));
}

bool CodeSignature::isNotarized(const QString& app, const QList<QByteArray>& trusted) {
    const auto signature = readSigned(app);
    const auto ticketFile = readSignatureFile(app, kTicketName);
    if (!signature || !ticketFile)
        return false;
    const auto ticket = readHexFields(*ticketFile, {{"notary", 32}, {"signature", 64}});
    return ticket && trusted.contains(ticket->at("notary")) &&
           verifyEd25519(ticket->at("notary"), ticketMessage(*signature), ticket->at("signature"));
}

} // namespace betakit
