#pragma once

#include "platform/Keyboard.h"

#include <atomic>

namespace platform::sim {

// A keyboard whose type the test sets; ANSI until told otherwise.
class SimKeyboard final : public Keyboard {
public:
    void setISO(bool iso) { m_iso.store(iso); }
    bool isISO() const override { return m_iso.load(); }

private:
    std::atomic<bool> m_iso{false};
};

} // namespace platform::sim
