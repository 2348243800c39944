#include "Motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tilewick {

namespace {

// A spring settles within this time closely enough to stop redrawing.
constexpr double kSpringSettle = 0.6;

double clamp01(double x) {
    return std::clamp(x, 0.0, 1.0);
}

} // namespace

namespace Motion {

double easeIn(double x) {
    x = clamp01(x);
    return x * x * x;
}

double easeOut(double x) {
    x = clamp01(x);
    const double r = 1 - x;
    return 1 - r * r * r;
}

double easeInOut(double x) {
    x = clamp01(x);
    return x < 0.5 ? 4 * x * x * x : 1 - std::pow(-2 * x + 2, 3) / 2;
}

double spring(double seconds) {
    if (seconds <= 0)
        return 0;
    if (seconds >= kSpringSettle)
        return 1;
    constexpr double kResponse = 0.28, kDamping = 0.72;
    constexpr double omega = 2 * std::numbers::pi / kResponse;
    const double damped = omega * std::sqrt(1 - kDamping * kDamping);
    const double decay = std::exp(-kDamping * omega * seconds);
    return 1 - decay * (std::cos(damped * seconds) + kDamping * omega / damped * std::sin(damped * seconds));
}

} // namespace Motion

void Transition::retarget(double target, double now, double duration, Curve curve) {
    if (target == m_to)
        return;
    m_from = valueAt(now);
    m_to = target;
    m_start = now;
    m_duration = curve == Curve::spring ? kSpringSettle : duration;
    m_curve = curve;
}

void Transition::set(double value) {
    m_from = m_to = value;
    m_duration = 0;
}

double Transition::valueAt(double now) const {
    const double elapsed = now - m_start;
    if (m_duration <= 0 || elapsed >= m_duration)
        return m_to;
    if (elapsed <= 0)
        return m_from;
    double k = 0;
    switch (m_curve) {
    case Curve::linear:
        k = elapsed / m_duration;
        break;
    case Curve::easeIn:
        k = Motion::easeIn(elapsed / m_duration);
        break;
    case Curve::easeOut:
        k = Motion::easeOut(elapsed / m_duration);
        break;
    case Curve::easeInOut:
        k = Motion::easeInOut(elapsed / m_duration);
        break;
    case Curve::spring:
        k = Motion::spring(elapsed);
        break;
    }
    return m_from + (m_to - m_from) * k;
}

bool Transition::isRunning(double now) const {
    return m_duration > 0 && now - m_start < m_duration;
}

} // namespace tilewick
