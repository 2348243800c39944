#include "FeedbackModel.h"

#include "BetaLog.h"
#include "BetaScrubber.h"
#include "ReportBuilder.h"

#include "platform/Platform.h"

namespace betakit {

std::shared_ptr<FeedbackModel> FeedbackModel::make(BetaConfiguration config, BetaFeedback feedback,
                                                   FeedbackTransport transport) {
    return std::shared_ptr<FeedbackModel>(
        new FeedbackModel(std::move(config), std::move(feedback), std::move(transport)));
}

FeedbackModel::FeedbackModel(BetaConfiguration config, BetaFeedback feedback, FeedbackTransport transport)
    : m_config(std::move(config)), m_transport(std::move(transport)), m_feedback(std::move(feedback)) {}

void FeedbackModel::setFeedback(const BetaFeedback& feedback) {
    if (feedback == m_feedback)
        return;
    m_feedback = feedback;
    emit feedbackChanged();
}

void FeedbackModel::editFeedback(const std::function<void(BetaFeedback&)>& edit) {
    BetaFeedback edited = m_feedback;
    edit(edited);
    setFeedback(edited);
}

QByteArray FeedbackModel::freshReport() const {
    // A scrubber made now reads the user's identity as it is now.
    const qint64 now = m_config.platform()->clock().wallMillis();
    return ReportBuilder::build(m_feedback, m_config, now, BetaScrubber(*m_config.platform()));
}

void FeedbackModel::setStage(Stage stage) {
    if (stage == m_stage)
        return;
    m_stage = std::move(stage);
    emit stageChanged();
}

void FeedbackModel::showPreview() {
    const QByteArray report = freshReport();
    m_shown = Shown{m_feedback, report};
    m_preview = QString::fromUtf8(report);
    emit previewChanged();
}

void FeedbackModel::dismissPreview() {
    if (!m_preview)
        return;
    m_preview.reset();
    emit previewChanged();
}

void FeedbackModel::send() {
    if (!m_feedback.isReady() || isSending())
        return;
    // The very bytes the preview showed, time stamp included, while nothing has changed since.
    const QByteArray report = m_shown && m_shown->feedback == m_feedback ? m_shown->report : freshReport();
    m_lastSent = report;
    setStage(Sending{});
    BetaLog::event("beta.feedback_send", {{"diagnostics", m_feedback.includeDiagnostics}});
    m_transport.upload(m_config.platform()->runtime(), report, m_config.endpoint, m_config.appKey,
                       [self = shared_from_this()](BetaSendResult result) {
                           if (const auto* identifier = std::get_if<QString>(&result))
                               self->setStage(Sent{*identifier});
                           else
                               self->setStage(Failed{std::get<BetaSendError>(result)});
                       });
}

QString FeedbackModel::mailSubject() const {
    return u'[' + m_config.appName + QStringLiteral(" beta] ") + BetaFeedback::title(m_feedback.kind) +
           QStringLiteral(": ") + m_feedback.cleanSummary();
}

void FeedbackModel::sendByEmail() {
    m_transport.mail(m_lastSent ? *m_lastSent : freshReport(), m_config, mailSubject());
}

} // namespace betakit
