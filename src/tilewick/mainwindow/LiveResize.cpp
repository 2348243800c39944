#include "LiveResize.h"

#include <cstdlib>

namespace tilewick {

LiveResize::LiveResize(platform::Runtime& runtime, std::function<void()> settled)
    : m_runtime(runtime), m_settled(std::move(settled)) {}

LiveResize::~LiveResize() {
    if (m_quiet)
        m_quiet->cancel();
}

bool LiveResize::tooFar(QSize kept, QSize size) {
    const auto off = [](int was, int now) { return std::abs(now - was) > kMostStretch * was; };
    return off(kept.width(), size.width()) || off(kept.height(), size.height());
}

bool LiveResize::step() {
    const bool continues = dragging();
    if (m_quiet)
        m_quiet->cancel();
    // A cancelled item never runs, so `this` is alive whenever this one does.
    m_quiet = m_runtime.after(kSettleTime, [this] {
        m_quiet.reset();
        m_settled();
    });
    return continues;
}

} // namespace tilewick
