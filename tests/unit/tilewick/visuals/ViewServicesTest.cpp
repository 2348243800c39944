#include "support/SimPlatformTest.h"

#include "platform/sim/SimPlatform.h"
#include "tilewick/visuals/ViewServices.h"

namespace {

using namespace tilewick;
using ViewServicesTest = SimPlatformTest;

// A view's moments, scheme and wish for less motion are the platform's it was handed, read at
// each use: the virtual clock moves them, and a changed desktop reaches views already made.
TEST_F(ViewServicesTest, ReadTheHandedPlatformAtEachUse) {
    const ViewServices view = ViewServices::of(platform());
    const double now = view.now(), uptime = view.uptime();
    EXPECT_EQ(now, platform().clock().referenceSeconds());
    runtime().advance(2.5);
    EXPECT_DOUBLE_EQ(view.now() - now, 2.5);
    EXPECT_DOUBLE_EQ(view.uptime() - uptime, 2.5);

    struct Case {
        Scheme desktop;
        std::optional<Scheme> forced;
        bool reduce;
        Scheme drawn;
    };
    for (const Case& c : {Case{Scheme::Light, std::nullopt, false, Scheme::Light},
                          Case{Scheme::Dark, std::nullopt, true, Scheme::Dark},
                          Case{Scheme::Dark, Scheme::Light, false, Scheme::Light}}) {
        appearance().setSystemScheme(c.desktop);
        appearance().force(c.forced);
        reduceMotion().setReduceMotion(c.reduce);
        EXPECT_EQ(view.scheme(), c.drawn);
        EXPECT_EQ(view.reduceMotion(), c.reduce);
    }
}

// Work a view queues runs on the runtime it was handed, which tests step.
TEST_F(ViewServicesTest, QueuedWorkRunsOnTheHandedRuntime) {
    const ViewServices view = ViewServices::of(platform());
    int ran = 0;
    view.runtime().async([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    runtime().runUntilIdle();
    EXPECT_EQ(ran, 1);
}

// Without an appearance or a reduce-motion service views draw light and animate.
TEST(ViewServicesWithoutDesktop, DrawLightAndAnimate) {
    const ViewServices view(std::make_shared<platform::sim::VirtualRuntime>());
    EXPECT_EQ(view.scheme(), Scheme::Light);
    EXPECT_FALSE(view.reduceMotion());
}

// The services outlive the platform they came from for as long as a view holds them.
TEST(ViewServicesLifetime, KeepTheirServicesAlive) {
    auto platform = platform::sim::makeSimPlatform();
    std::weak_ptr<platform::Runtime> runtime = platform->shared<platform::Runtime>();
    const ViewServices view = ViewServices::of(*platform);
    platform.reset();
    EXPECT_FALSE(runtime.expired());
    EXPECT_GE(view.now(), 0);
}

} // namespace
