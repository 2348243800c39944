#include "support/StoreTest.h"

#include "tilewick/app/BetaFeedback.h"

#include "betakit/update/FeedFetch.h"

using namespace tilewick;

namespace {

class BetaConfigurationTest : public StoreTest {};

TEST_F(BetaConfigurationTest, ChecksForUpdatesOnTheMakersFeedUnlessOneIsGiven) {
    makeStore();
    qunsetenv("TILEWICK_UPDATE_FEED");
    const auto standard = betaConfiguration(store(), sharedPlatform());
    EXPECT_TRUE(standard.checksForUpdates);
    EXPECT_EQ(standard.updateFeed, std::nullopt);
    EXPECT_EQ(betakit::updateFeedURL(standard),
              QUrl("https://veldorpellrath.example/updates/tile-wick.json"));

    qputenv("TILEWICK_UPDATE_FEED", "http://127.0.0.1:8000/updates/tile-wick.json");
    const auto own = betaConfiguration(store(), sharedPlatform());
    qunsetenv("TILEWICK_UPDATE_FEED");
    EXPECT_EQ(betakit::updateFeedURL(own), QUrl("http://127.0.0.1:8000/updates/tile-wick.json"));
}

} // namespace
