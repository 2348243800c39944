#pragma once

#include "platform/Launcher.h"

#include <QList>

namespace platform::sim {

// Records what would have been handed to other programs. A mail program that takes drafts with
// attachments is there until the test says otherwise.
class SimLauncher final : public Launcher {
public:
    void setMailAvailable(bool available) { m_mailAvailable = available; }
    void setOpenUrlWorks(bool works) { m_openUrlWorks = works; }

    // Drafts the mail program took.
    const QList<MailDraft>& composed() const { return m_composed; }
    // URLs handed over successfully.
    const QList<QUrl>& opened() const { return m_opened; }
    const QStringList& revealed() const { return m_revealed; }

    bool composeMail(const MailDraft& draft) override {
        if (!m_mailAvailable)
            return false;
        m_composed.append(draft);
        return true;
    }
    bool openUrl(const QUrl& url) override {
        if (!m_openUrlWorks)
            return false;
        m_opened.append(url);
        return true;
    }
    void revealFile(const QString& path) override { m_revealed.append(path); }

private:
    bool m_mailAvailable = true;
    bool m_openUrlWorks = true;
    QList<MailDraft> m_composed;
    QList<QUrl> m_opened;
    QStringList m_revealed;
};

} // namespace platform::sim
