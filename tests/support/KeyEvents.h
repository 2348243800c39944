#pragma once

#include "platform/EventTap.h"

#include <ostream>

// Key events in test messages, and the chords tests type most.

namespace platform {
void PrintTo(const KeyEvent& event, std::ostream* os);
} // namespace platform

namespace testkeys {

inline constexpr quint64 kOptionCommand = platform::kOptionFlag | platform::kCommandFlag;
inline constexpr quint16 kLeftArrow = 123;
inline constexpr quint16 kHome = 115;

} // namespace testkeys
