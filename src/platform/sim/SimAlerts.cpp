#include "SimAlerts.h"

namespace platform::sim {

namespace {
int lastButton(const ModalAlert& alert) {
    return kAlertFirstButton + int(std::max<qsizetype>(alert.buttons.size(), 1)) - 1;
}
} // namespace

void SimAlerts::clickNext(const QString& title) {
    m_answers.push_back([title](const ModalAlert& alert) {
        const auto index = alert.buttons.indexOf(title);
        return index < 0 ? lastButton(alert) : kAlertFirstButton + int(index);
    });
}

int SimAlerts::runModal(const ModalAlert& alert) {
    m_shown.append(alert);
    if (!m_answers.empty()) {
        auto answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer(alert);
    }
    if (m_responder)
        return m_responder(alert);
    return lastButton(alert);
}

} // namespace platform::sim
