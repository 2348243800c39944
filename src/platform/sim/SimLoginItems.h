#pragma once

#include "platform/LoginItems.h"

#include <optional>

namespace platform::sim {

// An in-memory login item that can be put in any of the four states and made to fail.
class SimLoginItems final : public LoginItems {
public:
    void setStatus(Status status) { m_status = status; }
    // The status a successful registration leads to (Enabled unless the test models a desktop
    // that wants the user's approval first).
    void setStatusAfterRegister(Status status) { m_afterRegister = status; }
    // Makes every later register and unregister fail with `description`; none: succeed again.
    void setFailure(std::optional<QString> description) { m_failure = std::move(description); }

    int registerCount() const { return m_registerCount; }
    int unregisterCount() const { return m_unregisterCount; }
    int openSettingsCount() const { return m_openSettingsCount; }

    Status status() const override { return m_status; }
    Change registerApp() override;
    Change unregisterApp() override;
    void openSettings() override { ++m_openSettingsCount; }

private:
    Status m_status = Status::NotRegistered;
    Status m_afterRegister = Status::Enabled;
    std::optional<QString> m_failure;
    int m_registerCount = 0;
    int m_unregisterCount = 0;
    int m_openSettingsCount = 0;
};

} // namespace platform::sim
