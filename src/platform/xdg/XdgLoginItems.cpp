#include "XdgLoginItems.h"

#include "DesktopEntryFile.h"
#include "platform/FileAccess.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <utility>

namespace platform {

namespace {

QString canonical(const QString& path) {
    const QFileInfo info(path);
    const auto resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
}

// A program whose path holds a % is started through the shell, with the path as an argument:
// GLib checks that the first argument names an existing program before it turns %% into %.
constexpr auto kShell = "/bin/sh";
constexpr auto kShellStartsItsArgument = "exec \"$0\"";

// One argument of an Exec line, in double quotes: inside them " ` $ and \ take a backslash, and
// % is doubled.
QString quotedArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    return quoted + u'"';
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
    QString command = quotedArgument(program);
    if (program.contains(u'%'))
        command = QString::fromLatin1(kShell) + QStringLiteral(" -c ") +
                  quotedArgument(QString::fromLatin1(kShellStartsItsArgument)) + u' ' + command;
    return escapeDesktopString(command);
}

QString XdgLoginItems::programOfExec(const QString& value) {
    const auto arguments = execArguments(value).value_or(QStringList{});
    if (arguments.size() == 4 && arguments[0] == QLatin1String(kShell) &&
        arguments[1] == QLatin1String("-c") && arguments[2] == QLatin1String(kShellStartsItsArgument))
        return arguments[3];
    return arguments.value(0);
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

    if (const auto failure = writeFileAtomically(path, text.toUtf8()); !failure.isEmpty())
        return Change::failure(QStringLiteral("%1 could not be written: %2").arg(path, failure));
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
