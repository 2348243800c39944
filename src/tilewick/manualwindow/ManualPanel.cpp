#include "ManualPanel.h"

#include "ManualView.h"
#include "PanelWindow.h"

namespace tilewick {

ManualPanel::ManualPanel(PanelServices services) : m_services(std::move(services)) {}

ManualPanel::~ManualPanel() = default;

void ManualPanel::show() {
    if (!m_panel) {
        m_view = new ManualView(m_services);
        m_panel = makePanelWindow(
            {QStringLiteral("Tilewick Manual"), QStringLiteral("manual"), kSize, kMinimumSize}, m_view);
    }
    bringToFront(*m_panel);
}

} // namespace tilewick
