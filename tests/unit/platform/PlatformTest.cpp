#include "platform/Platform.h"
#include "platform/qt/QtRuntime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::Platform;

namespace {

struct Marker {
    int value = 7;
};

std::shared_ptr<Platform> platformWithMarker() {
    auto p = std::make_shared<Platform>();
    p->provide(std::make_shared<Marker>());
    return p;
}

TEST(Platform, ProvidesServicesByInterfaceType) {
    auto p = std::make_shared<Platform>();
    EXPECT_EQ(p->find<Marker>(), nullptr);
    p->provide(std::make_shared<Marker>());
    ASSERT_NE(p->find<Marker>(), nullptr);
    EXPECT_EQ(p->service<Marker>().value, 7);
    Platform::install(p);
    EXPECT_TRUE(Platform::isInstalled());
    EXPECT_EQ(&Platform::current(), p.get());
    Platform::uninstall();
    EXPECT_FALSE(Platform::isInstalled());
}

TEST(Platform, RegistryMayBeReadFromAnyThreadWhileItChanges) {
    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    std::thread reader([&] {
        while (!done) {
            if (Platform::isInstalled())
                ++seen;
            if (const auto p = Platform::installed(); p && p->service<Marker>().value != 7)
                ADD_FAILURE();
        }
    });
    for (int i = 0; i < 500; ++i) {
        Platform::install(platformWithMarker());
        Platform::uninstall();
    }
    done = true;
    reader.join();
    EXPECT_FALSE(Platform::isInstalled());
}

TEST(Platform, UninstallStopsWorkersBeforeTheServicesGo) {
    auto p = platformWithMarker();
    p->provide<platform::Runtime>(std::make_shared<platform::qt::QtRuntime>());
    Platform::install(p);
    std::atomic<bool> started{false};
    std::atomic<int> sum{0};
    // Reaches the platform until its sleeps end early, as they do when the workers stop.
    p->runtime().serialQueue("worker")->async([&] {
        started = true;
        for (int i = 0; i < 100; ++i) {
            sum += Platform::current().service<Marker>().value;
            Platform::current().runtime().sleep(3600);
        }
    });
    p->runtime().global([&] { Platform::current().runtime().sleep(3600); });
    while (!started)
        std::this_thread::yield();
    p.reset();
    Platform::uninstall();
    EXPECT_EQ(sum, 700);
}

} // namespace
