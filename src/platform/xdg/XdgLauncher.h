#pragma once

#include "platform/Launcher.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

namespace platform {

// Hands things to the desktop's programs after the freedesktop conventions: mail through
// `xdg-email` (which takes the attachment), URLs through `xdg-open`, and a file to the file
// manager's D-Bus `ShowItems`, or `xdg-open` of its folder when no file manager answers there.
// The programs are looked for in `searchPath` (the PATH when empty).
class XdgLauncher final : public Launcher {
public:
    explicit XdgLauncher(QStringList searchPath = {}, QDBusConnection bus = QDBusConnection::sessionBus());
    ~XdgLauncher() override;

    bool composeMail(const MailDraft& draft) override;
    bool openUrl(const QUrl& url) override;
    void revealFile(const QString& path) override;

    // The arguments of `xdg-email` for `draft`.
    static QStringList mailArguments(const MailDraft& draft);

private:
    bool startDetached(const QString& program, const QStringList& arguments) const;

    QStringList m_searchPath;
    QDBusConnection m_bus;
    // Holds the questions to the file manager still waiting for an answer; they go with the
    // launcher.
    std::unique_ptr<QObject> m_pending = std::make_unique<QObject>();
};

} // namespace platform
