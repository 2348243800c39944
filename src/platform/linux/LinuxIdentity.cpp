#include "LinuxIdentity.h"

#include "platform/FileAccess.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace platform {

namespace {

// The password entry of the effective user; empty fields when there is none.
struct Account {
    QByteArray name;
    QByteArray gecos;
};

Account account() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found)
        return {};
    return {QByteArray(found->pw_name ? found->pw_name : ""),
            QByteArray(found->pw_gecos ? found->pw_gecos : "")};
}

// Undoes shell quoting as environment-style files use it: single quotes keep everything,
// double quotes and bare text take backslash escapes.
QString unquote(QByteArrayView value) {
    QByteArray out;
    char quote = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                out.append(c);
        } else if (c == '\\' && i + 1 < value.size()) {
            out.append(value[++i]);
        } else if (quote == '"' && c == '"') {
            quote = 0;
        } else if (!quote && (c == '"' || c == '\'')) {
            quote = c;
        } else {
            out.append(c);
        }
    }
    return QString::fromUtf8(out);
}

} // namespace

LinuxIdentity::LinuxIdentity(QString root) : m_root(std::move(root)) {
    if (!m_root.endsWith(u'/'))
        m_root.append(u'/');
}

QString LinuxIdentity::homeFolder() const {
    return QDir::homePath();
}

QString LinuxIdentity::userName() const {
    return QString::fromUtf8(account().name);
}

QString LinuxIdentity::fullName() const {
    return fullNameOfGecos(account().gecos);
}

std::optional<QString> LinuxIdentity::computerName() const {
    const SmallFileRead file = readSmallFile(m_root + QStringLiteral("etc/machine-info"));
    if (file.result != SmallFileRead::Result::Read)
        return std::nullopt;
    auto name = environmentFileValue(file.data, "PRETTY_HOSTNAME");
    if (name && name->trimmed().isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> LinuxIdentity::localHostName() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    return firstLabel(QString::fromUtf8(name));
}

QStringList LinuxIdentity::hardwareIDs() const {
    QStringList ids;
    for (const char* path :
         {"etc/machine-id", "sys/class/dmi/id/product_uuid", "sys/class/dmi/id/product_serial"})
        if (const auto id = readValue(QString::fromLatin1(path)))
            ids.append(*id);
    return ids;
}

std::optional<QString> LinuxIdentity::environmentFileValue(const QByteArray& file, QByteArrayView key) {
    std::optional<QString> value;
    for (const QByteArray& line : file.split('\n')) {
        const QByteArray trimmed = line.trimmed(); // a view would outlive this temporary
        if (trimmed.startsWith('#') || !trimmed.startsWith(key) || trimmed.size() <= key.size() ||
            trimmed[key.size()] != '=')
            continue;
        // The last assignment wins, as when the file is sourced.
        value = unquote(trimmed.sliced(key.size() + 1));
    }
    return value;
}

QString LinuxIdentity::fullNameOfGecos(const QByteArray& gecos) {
    const qsizetype comma = gecos.indexOf(',');
    return QString::fromUtf8(comma < 0 ? gecos : gecos.first(comma)).trimmed();
}

std::optional<QString> LinuxIdentity::firstLabel(const QString& hostName) {
    const QString label = hostName.section(u'.', 0, 0).trimmed();
    if (label.isEmpty())
        return std::nullopt;
    return label;
}

std::optional<QString> LinuxIdentity::readValue(const QString& relativePath) const {
    const SmallFileRead file = readSmallFile(m_root + relativePath, 4096);
    if (file.result != SmallFileRead::Result::Read)
        return std::nullopt;
    const QString value = QString::fromUtf8(file.data).trimmed();
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

} // namespace platform
