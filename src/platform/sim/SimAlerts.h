#pragma once

#include "platform/Alerts.h"

#include <QList>

#include <deque>
#include <functional>

namespace platform::sim {

// Alerts answered as the test scripts them, with a record of every alert shown.
//
// Answers come, in this order of preference, from the queue filled by answerNext(), from the
// responder, and otherwise from the alert's last button (its "Cancel", by convention).
class SimAlerts final : public Alerts {
public:
    using Responder = std::function<int(const ModalAlert&)>;

    // Queues the answer of the next alert (kAlertFirstButton + button index).
    void answerNext(int response) {
        m_answers.push_back([response](const ModalAlert&) { return response; });
    }
    // Queues a click on the button titled `title` for the next alert; an alert without such a
    // button gets its last button.
    void clickNext(const QString& title);
    // Answers every alert that finds the queue empty; it may inspect the program's state while
    // the alert is up.
    void setResponder(Responder responder) { m_responder = std::move(responder); }

    const QList<ModalAlert>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

    int runModal(const ModalAlert& alert) override;

private:
    std::deque<std::function<int(const ModalAlert&)>> m_answers;
    Responder m_responder;
    QList<ModalAlert> m_shown;
};

} // namespace platform::sim
