#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace {

struct Marker {
    int value = 7;
};

TEST(Platform, ProvidesServicesByInterfaceType) {
    auto p = std::make_shared<platform::Platform>();
    EXPECT_EQ(p->find<Marker>(), nullptr);
    p->provide(std::make_shared<Marker>());
    ASSERT_NE(p->find<Marker>(), nullptr);
    EXPECT_EQ(p->service<Marker>().value, 7);
    platform::Platform::install(p);
    EXPECT_TRUE(platform::Platform::isInstalled());
    EXPECT_EQ(&platform::Platform::current(), p.get());
    platform::Platform::uninstall();
    EXPECT_FALSE(platform::Platform::isInstalled());
}

} // namespace
