#pragma once

#include <mutex>

namespace platform::sim {

// A simulated service's answers, set by the test and read from any thread.
template <typename Values> class SettableValues {
public:
    explicit SettableValues(Values values = {}) : m_values(std::move(values)) {}

    void setValues(Values values) {
        std::lock_guard lock(m_mutex);
        m_values = std::move(values);
    }
    Values values() const {
        std::lock_guard lock(m_mutex);
        return m_values;
    }

private:
    mutable std::mutex m_mutex;
    Values m_values;
};

} // namespace platform::sim
