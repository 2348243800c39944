#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Platform> installed;
};

// Never destroyed, so threads still running at exit find it intact.
Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

Platform::~Platform() {
    // Workers may be using any service: none goes while they run.
    if (auto* runtime = find<Runtime>())
        runtime->stopWorkers();
}

Platform& Platform::current() {
    const std::shared_ptr<Platform> p = installed();
    if (!p) {
        std::fputs("Tilewick: no platform installed\n", stderr);
        std::abort();
    }
    return *p; // the registry keeps it until uninstall(), which outlasts every worker
}

std::shared_ptr<Platform> Platform::installed() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.installed;
}

bool Platform::isInstalled() {
    return installed() != nullptr;
}

void Platform::install(std::shared_ptr<Platform> platform) {
    if (installed() != platform)
        uninstall();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.installed = std::move(platform);
}

void Platform::uninstall() {
    const std::shared_ptr<Platform> leaving = installed();
    if (!leaving)
        return;
    if (auto* runtime = leaving->find<Runtime>())
        runtime->stopWorkers();
    Registry& r = registry();
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.installed == leaving)
            r.installed.reset();
    }
    // `leaving` may be the last reference: the platform goes here, outside the lock.
}

void Platform::missingService(const char* typeName) {
    std::fprintf(stderr, "Tilewick: platform service %s is not available\n", typeName);
    std::abort();
}

} // namespace platform
