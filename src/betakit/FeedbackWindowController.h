#pragma once

#include "BetaPanel.h"
#include "FeedbackModel.h"
#include "FormPieces.h"

#include <QPointer>

#include <memory>

namespace betakit {

class BetaFeedbackView;

// Owns the feedback form's panel and its model. At most one is open at a time: a slot of the
// kit holds it from show() until its panel closes, and closing lets go of panel, model and all
// that was typed. Main thread only.
class FeedbackWindowController final : public BetaPanel::Delegate {
public:
    static constexpr QSize kContentSize{580, 760};
    static constexpr BetaPanel::StyleMask kStyle =
        BetaPanel::Titled | BetaPanel::Closable | BetaPanel::Resizable;

    // Builds the panel hosting the form on `model`; not shown yet.
    FeedbackWindowController(std::shared_ptr<FeedbackModel> model, KitViewServices services);
    ~FeedbackWindowController() override;
    FeedbackWindowController(const FeedbackWindowController&) = delete;
    FeedbackWindowController& operator=(const FeedbackWindowController&) = delete;

    // Brings the open form forward (an after-crash request turns it into an after-crash problem
    // report, keeping what was typed), or makes a new model, controller and panel, centred.
    static void show(const BetaConfiguration& configuration, const BetaFeedback& feedback,
                     KitViewServices services, FeedbackTransport transport = {});
    // The controller of the open form, if any.
    static FeedbackWindowController* open();
    // Closes the open form, if any, as its close button would.
    static void closeOpen();

    const std::shared_ptr<FeedbackModel>& model() const { return m_model; }
    BetaPanel* window() const { return m_panel; }
    BetaFeedbackView* view() const;

    void windowWillClose(BetaPanel& panel) override;

private:
    const std::shared_ptr<FeedbackModel> m_model;
    QPointer<BetaPanel> m_panel;
};

} // namespace betakit
