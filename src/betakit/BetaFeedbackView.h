#pragma once

#include "BKButton.h"
#include "BKChoice.h"
#include "FeedbackModel.h"
#include "FormPieces.h"
#include "PreviewSheet.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

class QScrollArea;

namespace betakit {

// The whole content of the feedback window: a scrolling column of the form's sections above a
// rule and the footer row, or the thank-you view once the report is sent, and the report's
// preview sheet while the model has a preview. It keeps no state of its own: it follows the
// model's feedback, stage and preview and writes what the user does into the model.
class BetaFeedbackView final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kIdealSize{580, 760};
    static constexpr QSize kMinimumSize{520, 520};

    BetaFeedbackView(std::shared_ptr<FeedbackModel> model, std::function<void()> close,
                     KitViewServices services, QWidget* parent = nullptr);
    ~BetaFeedbackView() override;

    // The details placeholder for the model's current kind.
    static QString feedbackPrompt(const FeedbackModel& model);
    // The thank-you message for the model's e-mail address.
    static QString thankYouMessage(const FeedbackModel& model);
    // "Receive news …" or the address warning, with its colour.
    static std::pair<QString, BKColor> emailNote(const BetaFeedback& feedback);

    const FeedbackModel& model() const { return *m_model; }
    QSize sizeHint() const override { return kIdealSize; }
    QSize minimumSizeHint() const override { return kMinimumSize; }

    // The pieces, for those who look at the form from outside (tests, the render tool).
    struct Pieces {
        QWidget* form = nullptr; // the scroll area, the rule and the footer
        QScrollArea* scroll = nullptr;
        KitText* kicker = nullptr;
        KitText* title = nullptr;
        std::map<BetaFeedback::Kind, BKChoice*> kinds;
        QWidget* severitySection = nullptr;
        std::map<BetaFeedback::Severity, BKChoice*> severities;
        QStringList headings;
        KitField* summary = nullptr;
        KitText* summaryWarning = nullptr;
        KitEditor* details = nullptr;
        KitField* email = nullptr;
        KitText* emailNote = nullptr;
        KitCheckBox* diagnostics = nullptr;
        QList<KitText*> explanation;
        KitLink* previewLink = nullptr;
        KitText* privacyNote = nullptr;
        QWidget* editingRow = nullptr;
        KitSpinner* spinner = nullptr;
        KitText* sendingText = nullptr;
        BKButton* cancel = nullptr;
        BKButton* send = nullptr;
        QWidget* failedRow = nullptr;
        KitText* error = nullptr;
        BKButton* mail = nullptr;
        BKButton* tryAgain = nullptr;
        QWidget* sentView = nullptr;
        KitText* thanks = nullptr;
        KitText* thanksMessage = nullptr;
        BKButton* close = nullptr;
    };
    const Pieces& pieces() const { return m_pieces; }
    PreviewSheet* previewSheet() const { return m_sheet; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildForm();
    QWidget* buildHeader();
    QWidget* buildKinds();
    QWidget* buildSeverities();
    QWidget* buildDiagnosticsCard();
    QWidget* buildFooter();
    QWidget* buildSentView();
    QWidget* section(const QString& heading, QWidget* content, QWidget* below = nullptr);

    void followFeedback();
    void followStage();
    void followPreview();

    std::shared_ptr<FeedbackModel> m_model;
    std::function<void()> m_close;
    KitViewServices m_services;
    Pieces m_pieces;
    QPointer<PreviewSheet> m_sheet;
};

} // namespace betakit
