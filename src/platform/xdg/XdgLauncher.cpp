#include "XdgLauncher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

bool startIn(const QStringList& searchPath, const QString& program, const QStringList& arguments) {
    const QString executable = searchPath.isEmpty() ? QStandardPaths::findExecutable(program)
                                                    : QStandardPaths::findExecutable(program, searchPath);
    return !executable.isEmpty() && QProcess::startDetached(executable, arguments);
}

} // namespace

XdgLauncher::XdgLauncher(QStringList searchPath, QDBusConnection bus)
    : m_searchPath(std::move(searchPath)), m_bus(std::move(bus)) {}

XdgLauncher::~XdgLauncher() = default;

QStringList XdgLauncher::mailArguments(const MailDraft& draft) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), draft.subject,
                          QStringLiteral("--body"), draft.body};
    for (const QString& file : draft.attachments)
        arguments << QStringLiteral("--attach") << file;
    arguments << draft.recipients;
    return arguments;
}

bool XdgLauncher::composeMail(const MailDraft& draft) {
    return startDetached(QStringLiteral("xdg-email"), mailArguments(draft));
}

bool XdgLauncher::openUrl(const QUrl& url) {
    return url.isValid() && startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

void XdgLauncher::revealFile(const QString& path) {
    // The folder is opened by a copy of what it needs: the launcher may be gone by the time the
    // bus answers.
    const auto openFolder = [searchPath = m_searchPath, folder = QFileInfo(path).absolutePath()] {
        startIn(searchPath, QStringLiteral("xdg-open"),
                {QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)});
    };
    if (!m_bus.isConnected()) {
        openFolder();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // Asked without waiting; a bus without a file manager answers with an error, and then the
    // folder is opened instead.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), m_pending.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [openFolder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             openFolder();
                         finished->deleteLater();
                     });
}

bool XdgLauncher::startDetached(const QString& program, const QStringList& arguments) const {
    return startIn(m_searchPath, program, arguments);
}

} // namespace platform
