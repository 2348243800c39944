#pragma once

#include "SimDesktop.h"
#include "platform/Workspace.h"

namespace platform::sim {

// The desktop's running applications as the program sees them.
class SimWorkspace : public Workspace {
    Q_OBJECT
public:
    explicit SimWorkspace(std::shared_ptr<SimDesktop> desktop);

    QList<RunningApplication> runningApplications() const override {
        return m_desktop->runningApplications();
    }
    std::optional<RunningApplication> frontmostApplication() const override;
    bool terminate(qint32 pid) override;

private:
    std::shared_ptr<SimDesktop> m_desktop;
};

} // namespace platform::sim
