#pragma once

#include "UpdateModel.h"
#include "UpdateView.h"

#include "betakit/BetaPanel.h"

#include "platform/Runtime.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace betakit {

// Owns the one update window: its model, its panel and the view in it. The open window's
// controller sits in a slot of its own (`openUpdateWindow()`), which keeps it alive; closing the
// window empties the slot, and controller, model and panel go on the next turn, or at the quit.
//
// The panel is 520 wide and as high as its stage (520 tall, 240 short); a change of height class
// animates it to the new height keeping its top-left corner. It refuses to close while a build
// is installed; otherwise closing cancels the model's task and declines an offer. Main thread.
class UpdateWindowController final : public QObject, private BetaPanel::Delegate {
    Q_OBJECT

public:
    static constexpr double kResizeDuration = 0.2;

    explicit UpdateWindowController(std::unique_ptr<UpdateModel> model, QObject* parent = nullptr);
    ~UpdateWindowController() override;

    UpdateModel& model() const { return *m_model; }
    // The panel; null once it is gone.
    BetaPanel* window() const { return m_panel; }
    UpdateView* view() const { return m_view; }

    // The model's resize hook: animates the panel to the height of the new class.
    void resize(bool isShort);
    // False while installing.
    bool windowShouldClose(BetaPanel&) override;
    // Cancels the task, declines an offer and empties the slot.
    void windowWillClose(BetaPanel&) override;

    // The controller of the open update window, or null.
    static UpdateWindowController* openUpdateWindow();
    // Closes nothing: forgets the slot's controller at once (tests).
    static void resetForTesting();
    // The application quits: the open window's controller and those of closed windows go now,
    // with their models and work, not in the application's teardown.
    static void releaseAll();

private:
    std::unique_ptr<UpdateModel> m_model;
    QPointer<BetaPanel> m_panel;
    UpdateView* m_view = nullptr;
    platform::RepeatingTimerRef m_animation;
};

// Shows the update window in `stage` (an open one takes the stage unless it is downloading or
// installing, and comes forward) and returns its model, which lives as long as the window.
UpdateModel& showUpdateWindow(const BetaConfiguration& configuration, UpdateModel::Stage stage);

} // namespace betakit
