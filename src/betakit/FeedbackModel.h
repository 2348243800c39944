#pragma once

#include "BetaConfiguration.h"
#include "BetaFeedback.h"
#include "ReportSending.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

namespace betakit {

// How a feedback form's reports leave the machine: the upload and the mail draft. The kit's own
// are uploadReport and mailReport.
struct FeedbackTransport {
    std::function<void(platform::Runtime& runtime, const QByteArray& report, const QUrl& endpoint,
                       const QString& key, std::function<void(BetaSendResult)> done)>
        upload = uploadReport;
    std::function<void(const QByteArray& report, const BetaConfiguration& configuration,
                       const QString& subject)>
        mail = mailReport;
};

// One feedback window's state: what the user is writing, where sending stands, and the report
// text while its preview is open. It previews, sends and mails the report. Main thread only.
//
// Made as a shared object: an upload under way keeps its model alive after the window has gone.
class FeedbackModel final : public QObject, public std::enable_shared_from_this<FeedbackModel> {
    Q_OBJECT

public:
    struct Sent {
        // The server's identifier of the report.
        QString identifier;
        friend bool operator==(const Sent&, const Sent&) = default;
    };
    struct Failed {
        BetaSendError error;
        friend bool operator==(const Failed&, const Failed&) = default;
    };
    struct Editing {
        friend bool operator==(const Editing&, const Editing&) = default;
    };
    struct Sending {
        friend bool operator==(const Sending&, const Sending&) = default;
    };
    using Stage = std::variant<Sent, Failed, Editing, Sending>;

    // The feedback a preview was built from, with the report it showed.
    struct Shown {
        BetaFeedback feedback;
        QByteArray report;
    };

    static std::shared_ptr<FeedbackModel> make(BetaConfiguration config, BetaFeedback feedback,
                                               FeedbackTransport transport = {});

    const BetaConfiguration& config() const { return m_config; }
    const BetaFeedback& feedback() const { return m_feedback; }
    const Stage& stage() const { return m_stage; }
    const std::optional<QString>& preview() const { return m_preview; }
    const std::optional<Shown>& shown() const { return m_shown; }
    const std::optional<QByteArray>& lastSent() const { return m_lastSent; }

    bool isSending() const { return std::holds_alternative<Sending>(m_stage); }

    // The form's controls write the feedback through this.
    void setFeedback(const BetaFeedback& feedback);
    void editFeedback(const std::function<void(BetaFeedback&)>& edit);

    // Builds the report now, remembers it with the feedback it came from, and opens its preview.
    void showPreview();
    // The preview closes; the remembered report stays.
    void dismissPreview();
    // Uploads the report: the previewed one when the feedback is still what was previewed, else
    // a fresh one. Does nothing while the feedback is not ready or an upload is under way.
    void send();
    // Hands the report of the last send attempt (or a fresh one) to the mail program.
    void sendByEmail();

    // "[<app> beta] <kind title>: <summary on one line>".
    QString mailSubject() const;

signals:
    void feedbackChanged();
    void stageChanged();
    void previewChanged();

private:
    FeedbackModel(BetaConfiguration config, BetaFeedback feedback, FeedbackTransport transport);

    QByteArray freshReport() const;
    void setStage(Stage stage);

    const BetaConfiguration m_config;
    const FeedbackTransport m_transport;
    BetaFeedback m_feedback;
    Stage m_stage = Editing{};
    std::optional<QString> m_preview;
    std::optional<Shown> m_shown;
    std::optional<QByteArray> m_lastSent;
};

} // namespace betakit
