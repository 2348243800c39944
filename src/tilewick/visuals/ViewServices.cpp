#include "ViewServices.h"

#include "platform/Platform.h"

namespace tilewick {

ViewServices::ViewServices(std::shared_ptr<platform::Runtime> runtime,
                           std::shared_ptr<const platform::Appearance> appearance,
                           std::shared_ptr<const platform::ReduceMotion> reduceMotion)
    : m_runtime(std::move(runtime)), m_appearance(std::move(appearance)),
      m_reduceMotion(std::move(reduceMotion)) {
    Q_ASSERT(m_runtime);
}

ViewServices ViewServices::of(const platform::Platform& platform) {
    platform.runtime(); // a platform without a runtime is a programming error and stops here
    return ViewServices(platform.shared<platform::Runtime>(), platform.shared<platform::Appearance>(),
                        platform.shared<platform::ReduceMotion>());
}

double ViewServices::now() const {
    return m_runtime->clock().referenceSeconds();
}

double ViewServices::uptime() const {
    return m_runtime->clock().uptime();
}

bool ViewServices::reduceMotion() const {
    return m_reduceMotion && m_reduceMotion->reduceMotion();
}

Scheme ViewServices::scheme() const {
    return m_appearance ? m_appearance->scheme() : Scheme::Light;
}

void ViewServices::whenSchemeChanges(QObject* receiver, std::function<void()> then) const {
    if (m_appearance)
        QObject::connect(m_appearance.get(), &platform::Appearance::schemeChanged, receiver, std::move(then));
}

} // namespace tilewick
