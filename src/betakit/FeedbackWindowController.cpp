#include "FeedbackWindowController.h"

#include "BetaFeedbackView.h"

#include <QCoreApplication>

namespace betakit {

namespace {

// The open form's controller; emptied as its panel closes.
std::unique_ptr<FeedbackWindowController>& openSlot() {
    static std::unique_ptr<FeedbackWindowController> slot;
    return slot;
}

} // namespace

FeedbackWindowController::FeedbackWindowController(std::shared_ptr<FeedbackModel> model,
                                                   KitViewServices services)
    : m_model(std::move(model)), m_panel(new BetaPanel(kContentSize, kStyle)) {
    m_panel->setWindowTitle(QStringLiteral("Beta Feedback \u00B7 ") + m_model->config().appName);
    m_panel->setWindowRole(QStringLiteral("feedback"));
    m_panel->setDelegate(this);
    // The close action holds the panel weakly: after the panel is gone it does nothing.
    QPointer<BetaPanel> panel = m_panel;
    auto close = [panel] {
        if (panel)
            panel->close();
    };
    m_panel->setContentView(new BetaFeedbackView(m_model, close, std::move(services)));
    m_panel->setContentSize(kContentSize);
}

FeedbackWindowController::~FeedbackWindowController() {
    // A form still open when the process ends goes with the application's windows.
    if (QCoreApplication::instance())
        BetaPanel::release(m_panel);
}

BetaFeedbackView* FeedbackWindowController::view() const {
    return m_panel ? qobject_cast<BetaFeedbackView*>(m_panel->contentView()) : nullptr;
}

FeedbackWindowController* FeedbackWindowController::open() {
    return openSlot().get();
}

void FeedbackWindowController::closeOpen() {
    if (auto* controller = open(); controller && controller->m_panel)
        controller->m_panel->close();
    openSlot().reset();
}

void FeedbackWindowController::show(const BetaConfiguration& configuration, const BetaFeedback& feedback,
                                    KitViewServices services, FeedbackTransport transport) {
    auto& slot = openSlot();
    if (slot && slot->m_panel) {
        if (feedback.afterCrash) {
            // What was typed stays; the form becomes an after-crash problem report.
            slot->m_model->editFeedback([](BetaFeedback& f) { f.afterCrash = true; });
            slot->m_model->editFeedback([](BetaFeedback& f) { f.kind = BetaFeedback::Kind::Problem; });
        }
        slot->m_panel->makeKeyAndOrderFront();
        return;
    }
    auto model = FeedbackModel::make(configuration, feedback, std::move(transport));
    slot = std::make_unique<FeedbackWindowController>(std::move(model), std::move(services));
    slot->m_panel->center();
    slot->m_panel->makeKeyAndOrderFront();
}

void FeedbackWindowController::windowWillClose(BetaPanel& panel) {
    auto& slot = openSlot();
    if (slot.get() == this && slot->m_panel == &panel)
        slot.reset(); // nothing is saved or logged; what was typed goes with the model
}

} // namespace betakit
