#include "ManualPanel.h"

#include "ManualView.h"

namespace tilewick {

ManualPanel::ManualPanel(PanelServices services) : m_services(std::move(services)) {}

ManualPanel::~ManualPanel() = default;

void ManualPanel::show() {
    if (!m_panel) {
        using Style = betakit::BetaPanel::StyleBit;
        m_panel =
            std::make_unique<betakit::BetaPanel>(kSize, Style::Titled | Style::Closable | Style::Resizable);
        m_panel->setWindowTitle(QStringLiteral("Tilewick Manual"));
        m_panel->setWindowRole(QStringLiteral("manual"));
        m_panel->setMinimumSize(kMinimumSize);
        m_view = new ManualView(m_services);
        m_panel->setContentView(m_view);
        m_panel->center();
    }
    m_panel->makeKeyAndOrderFront();
}

} // namespace tilewick
