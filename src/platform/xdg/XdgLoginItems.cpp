#include "XdgLoginItems.h"

#include "DesktopEntryFile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QUrl>

namespace platform {

namespace {

QString canonical(const QString& path) {
    const QFileInfo info(path);
    const auto resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
}

bool isFalse(const QString& value) {
    return value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}
bool isTrue(const QString& value) {
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

XdgLoginItems::XdgLoginItems(std::shared_ptr<const Paths> paths, std::shared_ptr<const Bundle> bundle,
                             QString appName)
    : m_paths(std::move(paths)), m_bundle(std::move(bundle)), m_appName(std::move(appName)) {}

QString XdgLoginItems::entryPath() const {
    return QDir(m_paths->autostart()).filePath(m_bundle->identifier() + QLatin1String(".desktop"));
}

QString XdgLoginItems::execValue(const QString& program) {
    // Always quoted: inside quotes the command-line rules escape " ` $ and \ with a backslash,
    // and % is doubled; the result is then escaped once more as a string value.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    return escapeDesktopString(quoted);
}

QString XdgLoginItems::programOfExec(const QString& value) {
    const auto command = unescapeDesktopString(value).trimmed();
    QString program;
    qsizetype i = 0;
    if (command.startsWith(u'"')) {
        for (i = 1; i < command.size(); ++i) {
            const QChar c = command[i];
            if (c == u'"')
                break;
            if (c == u'\\' && i + 1 < command.size())
                program += command[++i];
            else
                program += c;
        }
        if (i >= command.size())
            return {}; // unterminated quote
    } else {
        while (i < command.size() && !command[i].isSpace())
            program += command[i++];
    }
    return program.replace(QLatin1String("%%"), QLatin1String("%"));
}

LoginItems::Status XdgLoginItems::status() const {
    bool exists = false;
    const auto keys = readDesktopEntryGroup(entryPath(), &exists);
    if (!exists)
        return Status::NotRegistered;
    if (isTrue(keys.value(QStringLiteral("Hidden"))) ||
        isFalse(keys.value(QStringLiteral("X-GNOME-Autostart-enabled"))))
        return Status::RequiresApproval;
    const auto program = programOfExec(keys.value(QStringLiteral("Exec")));
    const auto executable = m_bundle->executablePath();
    if (program.isEmpty() || executable.isEmpty() || !QFileInfo::exists(program) ||
        canonical(program) != canonical(executable))
        return Status::NotFound;
    return Status::Enabled;
}

LoginItems::Change XdgLoginItems::registerApp() {
    const auto executable = m_bundle->executablePath();
    if (executable.isEmpty() || !QFileInfo(executable).isExecutable())
        return Change::failure(QStringLiteral("The application's executable could not be found."));
    const auto path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Change::failure(
            QStringLiteral("The folder %1 could not be created.").arg(QFileInfo(path).absolutePath()));

    QString text = QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + escapeDesktopString(m_appName) + u'\n';
    text += QStringLiteral("Exec=") + execValue(executable) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return Change::failure(QStringLiteral("%1 could not be written: %2").arg(path, file.errorString()));
    return Change::success();
}

LoginItems::Change XdgLoginItems::unregisterApp() {
    QFile file(entryPath());
    if (!file.exists() || file.remove())
        return Change::success();
    return Change::failure(
        QStringLiteral("%1 could not be removed: %2").arg(file.fileName(), file.errorString()));
}

void XdgLoginItems::openSettings() {
    const auto folder = m_paths->autostart();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace platform
