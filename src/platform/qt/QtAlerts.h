#pragma once

#include "platform/Alerts.h"

namespace platform {

// Modal alerts as QMessageBox dialogs: the first button is the default, a button titled
// "Cancel" answers the Escape key. The dialog is raised and activated before it waits.
class QtAlerts final : public Alerts {
public:
    int runModal(const ModalAlert& alert) override;
};

} // namespace platform
