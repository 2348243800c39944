#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// A message for the user's mail program to open, ready to send.
struct MailDraft {
    QStringList recipients;
    QString subject;
    QString body;
    // Files to attach (absolute paths).
    QStringList attachments;

    friend bool operator==(const MailDraft&, const MailDraft&) = default;
};

// Hands things over to the user's other programs: the mail program, the handler of a URL, the
// file manager. Every call returns at once; main thread.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens `draft` in the mail program with its attachments; false when no program can take it
    // that way.
    virtual bool composeMail(const MailDraft& draft) = 0;
    // Opens `url` with its default handler; false when it could not be handed over.
    virtual bool openUrl(const QUrl& url) = 0;
    // Shows the file in a file-manager window, selected where the file manager can.
    virtual void revealFile(const QString& path) = 0;
};

} // namespace platform
