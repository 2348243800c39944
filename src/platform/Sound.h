#pragma once

namespace platform {

// The system alert sound.
class Sound {
public:
    virtual ~Sound() = default;
    // Plays the alert sound once. Callable from any thread.
    virtual void beep() = 0;
};

} // namespace platform
