#pragma once

#include "PanelServices.h"

#include "betakit/BetaPanel.h"

#include <memory>

namespace tilewick {

class ManualView;

// The "Tilewick Manual" window: made on the first show, 760 × 760 and centred, never smaller
// than 520 × 420; closing only hides it, so the next show brings back the same window with its
// search and scroll position. The program makes one.
class ManualPanel {
public:
    static constexpr QSize kSize{760, 760};
    static constexpr QSize kMinimumSize{520, 420};

    explicit ManualPanel(PanelServices services);
    ~ManualPanel();

    void show();
    // None until the first show.
    betakit::BetaPanel* panel() const { return m_panel.get(); }
    ManualView* view() const { return m_view; }

private:
    PanelServices m_services;
    std::unique_ptr<betakit::BetaPanel> m_panel;
    ManualView* m_view = nullptr;
};

} // namespace tilewick
