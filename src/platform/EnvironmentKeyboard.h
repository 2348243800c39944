#pragma once

#include "Keyboard.h"

namespace platform {

// The keyboard type until the window-system backend can read it: ANSI, unless the environment
// variable TILEWICK_KEYBOARD_TYPE says "ISO" (any case). Read on every call.
class EnvironmentKeyboard final : public Keyboard {
public:
    static constexpr const char* kVariable = "TILEWICK_KEYBOARD_TYPE";

    bool isISO() const override;
};

} // namespace platform
