#pragma once

namespace platform {

// The desktop's wish for less motion: when on, views replace their animations with still
// drawings. Views ask when they decide whether to animate, so a change reaches them with the
// next decision. Main thread only.
class ReduceMotion {
public:
    virtual ~ReduceMotion() = default;
    virtual bool reduceMotion() const = 0;
};

} // namespace platform
