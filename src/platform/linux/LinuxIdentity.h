#pragma once

#include "platform/Identity.h"

#include <QByteArray>

namespace platform {

// The identity values of a Linux machine: the account from the password database, the home
// folder, the pretty host name of /etc/machine-info, the host name, and the machine id with the
// firmware's product UUID and serial number where this user may read them. Every value is read
// afresh when asked for. Files are read under `root` (tests point it at a folder of their own).
class LinuxIdentity final : public Identity {
public:
    explicit LinuxIdentity(QString root = QStringLiteral("/"));

    QString homeFolder() const override;
    QString userName() const override;
    QString fullName() const override;
    std::optional<QString> computerName() const override;
    std::optional<QString> localHostName() const override;
    QStringList hardwareIDs() const override;

    // The value of `key` in an environment-style file ("KEY=value", the value optionally quoted
    // with shell quoting); none when the key is missing.
    static std::optional<QString> environmentFileValue(const QByteArray& file, QByteArrayView key);
    // The full name of a password entry's comment field: its text before the first comma.
    static QString fullNameOfGecos(const QByteArray& gecos);
    // The first label of a host name; none when that is empty.
    static std::optional<QString> firstLabel(const QString& hostName);

private:
    // The file's text without surrounding white space; none when unreadable or empty.
    std::optional<QString> readValue(const QString& relativePath) const;

    QString m_root;
};

} // namespace platform
