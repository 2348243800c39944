#pragma once

#include "Theme.h"

#include "platform/Appearance.h"
#include "platform/ReduceMotion.h"
#include "platform/Runtime.h"

#include <QObject>

#include <functional>
#include <memory>

namespace platform {
class Platform;
}

namespace tilewick {

// What a view draws and animates with, handed to it when it is made: the runtime (timers, work
// for a later turn, and the clock every animation reads), the appearance it resolves colours
// against at draw time, and the desktop's wish for less motion. The program's composition root
// makes one from the platform it built; tests make theirs from the simulated platform, so views
// never reach for a global. A small value: copy it into each view that needs it.
class ViewServices {
public:
    // Without an appearance views draw light; without a reduce-motion service they animate.
    explicit ViewServices(std::shared_ptr<platform::Runtime> runtime,
                          std::shared_ptr<const platform::Appearance> appearance = nullptr,
                          std::shared_ptr<const platform::ReduceMotion> reduceMotion = nullptr);
    // The view services of a platform: its runtime, appearance and reduce-motion service.
    static ViewServices of(const platform::Platform& platform);

    platform::Runtime& runtime() const { return *m_runtime; }
    // Seconds since the reference date (2001-01-01 UTC) on the runtime's clock.
    double now() const;
    // Seconds of uptime on the runtime's clock (the time base of held keys).
    double uptime() const;
    // The desktop asks for less motion.
    bool reduceMotion() const;
    // The scheme to draw with now.
    Scheme scheme() const;
    // Runs `then` on the main thread each time the scheme changes, while `receiver` lives; what
    // keeps a drawing of the old scheme draws again there.
    void whenSchemeChanges(QObject* receiver, std::function<void()> then) const;

private:
    std::shared_ptr<platform::Runtime> m_runtime;
    std::shared_ptr<const platform::Appearance> m_appearance;
    std::shared_ptr<const platform::ReduceMotion> m_reduceMotion;
};

} // namespace tilewick
