#pragma once

namespace platform {

// The physical keyboard's layout type. Only ISO is told apart: ANSI, JIS and every unknown type
// use the ANSI key rows. Callers ask afresh each time, so a keyboard plugged in later counts at
// the next question. Callable from any thread.
class Keyboard {
public:
    virtual ~Keyboard() = default;
    virtual bool isISO() const = 0;
};

} // namespace platform
