#pragma once

#include "platform/TaskbarPresence.h"

#include <QPointer>
#include <QWindow>

#include <utility>
#include <vector>

namespace platform::sim {

// Remembers every presence it was asked for, in order.
class SimTaskbarPresence final : public TaskbarPresence {
public:
    void setShown(QWindow* window, bool shown) override { m_calls.emplace_back(window, shown); }

    // Each call: the window (null once it has gone) and whether it shows.
    const std::vector<std::pair<QPointer<QWindow>, bool>>& calls() const { return m_calls; }

private:
    std::vector<std::pair<QPointer<QWindow>, bool>> m_calls;
};

} // namespace platform::sim
