#pragma once

#include <optional>

namespace tilewick {

// The curves animations move on. Their moments come from the clock of the views' services
// (ViewServices::now()), so the virtual clock steps them in tests and the render tools can fix one.
namespace Motion {

// Easing curves over progress 0 … 1 (clamped).
double easeIn(double x);
double easeOut(double x);
double easeInOut(double x);
// A spring released at 0 towards 1: response 0.28 s, damping fraction 0.72, after `seconds`.
double spring(double seconds);

} // namespace Motion

// A value moving from one level to another over a fixed time with an easing curve: fades and
// lifts. Its level at any moment is a pure function of the clock time.
class Transition {
public:
    enum class Curve { linear, easeIn, easeOut, easeInOut, spring };

    explicit Transition(double value = 0) : m_from(value), m_to(value) {}

    // Starts moving from the current level at `now` to `target`; nothing when already headed there.
    void retarget(double target, double now, double duration, Curve curve);
    // Jumps to `value` at once.
    void set(double value);

    double target() const { return m_to; }
    double valueAt(double now) const;
    // Still moving at `now`.
    bool isRunning(double now) const;

private:
    double m_from;
    double m_to;
    double m_start = 0;
    double m_duration = 0;
    Curve m_curve = Curve::easeOut;
};

} // namespace tilewick
