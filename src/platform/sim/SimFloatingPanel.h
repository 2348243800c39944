#pragma once

#include "platform/FloatingPanel.h"

#include <QPointer>
#include <QWindow>

#include <vector>

namespace platform::sim {

// A desktop that remembers which windows were made panels and raised, and composites translucent
// windows until a test says it does not.
class SimFloatingPanel final : public FloatingPanel {
public:
    void prepare(QWindow* window) override { m_prepared.emplace_back(window); }
    void raise(QWindow* window) override { m_raised.emplace_back(window); }
    bool showsTranslucency(QWindow*) const override { return m_composited; }
    qreal scaleOf(const QRect&) const override { return m_scale; }

    void setComposited(bool composited) { m_composited = composited; }
    // The scale of every screen.
    void setScale(qreal scale) { m_scale = scale; }
    // Each call in order; a window that has gone is null.
    const std::vector<QPointer<QWindow>>& prepared() const { return m_prepared; }
    const std::vector<QPointer<QWindow>>& raised() const { return m_raised; }

private:
    bool m_composited = true;
    qreal m_scale = 1;
    std::vector<QPointer<QWindow>> m_prepared;
    std::vector<QPointer<QWindow>> m_raised;
};

} // namespace platform::sim
