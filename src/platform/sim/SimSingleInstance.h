#pragma once

#include "platform/SingleInstance.h"

namespace platform::sim {

// An instance whose role the test decides, and whose later starts the test makes.
class SimSingleInstance final : public SingleInstance {
    Q_OBJECT
public:
    explicit SimSingleInstance(Role role = Role::Primary) : m_role(role) {}

    Role claim() override {
        ++m_claims;
        return m_role;
    }
    QString address() const override { return QStringLiteral("sim-instance"); }

    int claims() const { return m_claims; }
    // A later start of the program.
    void startAgain() { emit reopenRequested(); }

private:
    Role m_role;
    int m_claims = 0;
};

} // namespace platform::sim
