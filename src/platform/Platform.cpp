#include "Platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::shared_ptr<Platform>& installed() {
    static std::shared_ptr<Platform> platform;
    return platform;
}
} // namespace

Platform& Platform::current() {
    auto& p = installed();
    if (!p) {
        std::fputs("Tilewick: no platform installed\n", stderr);
        std::abort();
    }
    return *p;
}

bool Platform::isInstalled() { return installed() != nullptr; }

void Platform::install(std::shared_ptr<Platform> platform) { installed() = std::move(platform); }

void Platform::uninstall() { installed().reset(); }

void Platform::missingService(const char* typeName) {
    std::fprintf(stderr, "Tilewick: platform service %s is not available\n", typeName);
    std::abort();
}

} // namespace platform
