#pragma once

#include "platform/TerminationSignals.h"

namespace platform::sim {

// Termination requests that arrive when the test sends them.
class SimTerminationSignals final : public TerminationSignals {
    Q_OBJECT
public:
    int received() const override { return m_received; }

    void send(int signal) {
        m_received = signal;
        emit terminationRequested(signal);
    }

private:
    int m_received = 0;
};

} // namespace platform::sim
