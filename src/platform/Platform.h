#pragma once

#include "Appearance.h"
#include "Bundle.h"
#include "Clock.h"
#include "Defaults.h"
#include "Paths.h"
#include "Runtime.h"

#include <memory>
#include <typeindex>
#include <unordered_map>

namespace platform {

// The one object through which the program reaches operating-system services.
//
// Services are registered by interface type: `provide<Screens>(...)`, `service<Screens>()`.
// The program installs the real backends at start-up; tests install a Platform made of
// simulated services before anything else runs, so no code reaches the real desktop behind
// a test's back. Services are registered before worker threads start and not replaced while
// they run.
//
// The registry may be read from any thread. A platform's runtime workers stop before the
// platform goes: uninstall() stops them while the platform is still installed (so running work
// may still reach it), and a platform that is destroyed stops them before any service goes.
class Platform {
public:
    Platform() = default;
    ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    template <typename T> void provide(std::shared_ptr<T> service) {
        m_services[std::type_index(typeid(T))] = std::static_pointer_cast<void>(std::move(service));
    }

    // The registered service, or null.
    template <typename T> T* find() const {
        auto it = m_services.find(std::type_index(typeid(T)));
        return it == m_services.end() ? nullptr : static_cast<T*>(it->second.get());
    }

    template <typename T> std::shared_ptr<T> shared() const {
        auto it = m_services.find(std::type_index(typeid(T)));
        return it == m_services.end() ? nullptr : std::static_pointer_cast<T>(it->second);
    }

    // The registered service; a missing one is a programming error and stops the process.
    template <typename T> T& service() const {
        T* s = find<T>();
        if (!s)
            missingService(typeid(T).name());
        return *s;
    }

    Runtime& runtime() const { return service<Runtime>(); }
    Clock& clock() const { return runtime().clock(); }
    Defaults& defaults() const { return service<Defaults>(); }
    Paths& paths() const { return service<Paths>(); }
    Bundle& bundle() const { return service<Bundle>(); }
    Appearance& appearance() const { return service<Appearance>(); }

    // The installed platform. Stops the process when none was installed.
    static Platform& current();
    // The installed platform, or null; for code that may run while it is being uninstalled.
    static std::shared_ptr<Platform> installed();
    static bool isInstalled();
    // Makes `platform` the current one (uninstalling any other first). Tests call this in SetUp.
    static void install(std::shared_ptr<Platform> platform);
    // Stops the installed platform's runtime workers, then removes it.
    static void uninstall();

private:
    [[noreturn]] static void missingService(const char* typeName);

    std::unordered_map<std::type_index, std::shared_ptr<void>> m_services;
};

} // namespace platform
