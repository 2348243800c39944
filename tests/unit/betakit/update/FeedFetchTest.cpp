#include "UpdateTestSupport.h"

#include "betakit/update/FeedFetch.h"
#include "betakit/update/UpdateModel.h"

#include <gtest/gtest.h>

#include <QNetworkReply>
#include <QTcpServer>
#include <QUrlQuery>

namespace {

using betakit::UpdateError;
using betakit::UpdateFeed;
using betakit::UpdateResult;

class FeedFetch : public UpdaterTest {
protected:
    // Fetches with `config` and waits for the answer.
    std::optional<UpdateResult<UpdateFeed>> fetch(const betakit::BetaConfiguration& config) {
        std::optional<UpdateResult<UpdateFeed>> result;
        task = betakit::fetchFeed(config, [&](UpdateResult<UpdateFeed> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        return result;
    }
    QString errorText(const std::optional<UpdateResult<UpdateFeed>>& result) {
        EXPECT_TRUE(result && !result->ok());
        return result && !result->ok() ? betakit::updateErrorText(result->error()) : QString();
    }

    std::shared_ptr<betakit::UpdateTask> task;
};

TEST_F(FeedFetch, TheDefaultFeedIsOnTheMakersServerNamedByTheApplication) {
    auto config = configuration();
    config.updateFeed.reset();
    EXPECT_EQ(betakit::updateFeedURL(config), QUrl("https://veldorpellrath.example/updates/tile-wick.json"));
    config.updateFeed = QUrl("https://beta.example/feed.json?x=1");
    EXPECT_EQ(betakit::updateFeedURL(config), QUrl("https://beta.example/feed.json?x=1"));
}

TEST_F(FeedFetch, AsksWithTheTimeAsTheOnlyQueryAndTheKitsUserAgentAndDecodes) {
    server.serve("/updates/tile-wick.json", {200, feedJson("121")});
    auto config = configuration();
    QUrl withQuery = feedUrl();
    withQuery.setQuery("x=1");
    config.updateFeed = withQuery;
    const auto result = fetch(config);
    ASSERT_TRUE(result && result->ok()) << qPrintable(result->error().description());
    EXPECT_EQ(result->value(), feed("121"));

    ASSERT_EQ(server.requests().size(), 1);
    const auto& request = server.requests()[0];
    EXPECT_EQ(request.method, "GET");
    const qint64 seconds = runtime().clock().wallMillis() / 1000;
    EXPECT_EQ(request.url.query(), QString("t=%1").arg(seconds));
    EXPECT_EQ(request.headers.value("user-agent"), "VeldorBetaKit/1");
    EXPECT_FALSE(request.headers.contains("cookie"));
}

TEST_F(FeedFetch, AStatusOtherThan200IsTheServersAnswer) {
    for (const int status : {304, 404, 500}) {
        server.serve("/updates/tile-wick.json", {status, "{}"});
        EXPECT_EQ(errorText(fetch(configuration())), QString("The update server answered %1.").arg(status));
    }
}

TEST_F(FeedFetch, ABodyThatIsNoFeedFailsWithTheDecodersText) {
    server.serve("/updates/tile-wick.json", {200, R"({"app":"tile-wick"})"});
    EXPECT_EQ(errorText(fetch(configuration())), "The update feed isn’t valid: “latest” is missing.");
}

TEST_F(FeedFetch, NoServerAtTheAddressIsCouldNotReach) {
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    auto config = configuration();
    config.updateFeed = QUrl(QString("http://127.0.0.1:%1/updates/tile-wick.json").arg(port));
    EXPECT_EQ(errorText(fetch(config)),
              "Couldn’t reach veldorpellrath.example. Check your internet connection and try again.");
}

TEST_F(FeedFetch, AServerThatSendsNothingTimesOutAfterTwentySecondsWithoutAnswer) {
    LoopbackServer::Response silent;
    silent.answers = false;
    server.serve("/updates/tile-wick.json", silent);
    std::optional<UpdateResult<UpdateFeed>> result;
    task = betakit::fetchFeed(configuration(),
                              [&](UpdateResult<UpdateFeed> r) { result.emplace(std::move(r)); });
    pumpUntil([&] { return server.requests().size() == 1; });
    runtime().advance(19.9);
    pumpBriefly();
    EXPECT_FALSE(result.has_value());
    runtime().advance(0.1);
    ASSERT_TRUE(pumpUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->error(), UpdateError::network(QNetworkReply::TimeoutError, "The request timed out."));
    EXPECT_EQ(betakit::updateErrorText(result->error()),
              "Couldn’t reach veldorpellrath.example. Check your internet connection and try again.");
    pumpUntil([&] { return server.openConnections() == 0; });
}

TEST_F(FeedFetch, OnlyWebAddressesAreFetched) {
    for (const QString& address : {QString("file:///etc/passwd"), QString("ftp://127.0.0.1/feed.json"),
                                   QString("data:application/json,{}")}) {
        auto config = configuration();
        config.updateFeed = QUrl(address);
        const auto result = fetch(config);
        ASSERT_TRUE(result && !result->ok()) << qPrintable(address);
        EXPECT_TRUE(result->error().description().contains("isn’t an http or https address"))
            << qPrintable(result->error().description());
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(FeedFetch, ARedirectIsFollowedOnlyToAnotherWebAddress) {
    server.serve("/moved.json", {200, feedJson("122")});
    server.serve("/updates/tile-wick.json",
                 {302, {}, true, -1, {{"Location", server.url("/moved.json").toEncoded()}}});
    auto result = fetch(configuration());
    ASSERT_TRUE(result && result->ok());
    EXPECT_EQ(result->value().latest.build, "122");

    // Not followed: the redirect is the server's answer.
    server.serve("/updates/tile-wick.json", {302, {}, true, -1, {{"Location", "file:///etc/passwd"}}});
    EXPECT_EQ(errorText(fetch(configuration())), "The update server answered 302.");
    server.serve("/updates/tile-wick.json", {302, {}, true, -1, {{"Location", "ftp://127.0.0.1/feed.json"}}});
    EXPECT_EQ(errorText(fetch(configuration())), "The update server answered 302.");
}

TEST_F(FeedFetch, CancellingEndsWithACancellationAndAReleasedFetchRunsOn) {
    server.serve("/updates/tile-wick.json", {200, feedJson("121"), true, 0});
    std::optional<UpdateResult<UpdateFeed>> cancelled;
    task = betakit::fetchFeed(configuration(),
                              [&](UpdateResult<UpdateFeed> r) { cancelled.emplace(std::move(r)); });
    pumpUntil([&] { return server.requests().size() == 1; });
    task->cancel();
    pumpUntil([&] { return cancelled.has_value(); });
    EXPECT_TRUE(cancelled->error().isCancellation());

    server.serve("/updates/tile-wick.json", {200, feedJson("121")});
    std::optional<UpdateResult<UpdateFeed>> released;
    betakit::fetchFeed(configuration(), [&](UpdateResult<UpdateFeed> r) { released.emplace(std::move(r)); });
    pumpUntil([&] { return released.has_value(); });
    EXPECT_TRUE(released->ok());
}

TEST_F(FeedFetch, InstalledVersionComesFromTheApplicationFolderUnlessConfigured) {
    auto config = configuration();
    bundle().setVersion("1.3");
    bundle().setBuild("119");
    EXPECT_EQ(betakit::installedVersion(config), (betakit::InstalledVersion{"1.3", 119}));
    for (const char* unreadable : {"", "1.2", "119 "}) {
        bundle().setBuild(unreadable);
        EXPECT_EQ(betakit::installedVersion(config).build, std::nullopt) << unreadable;
    }
    bundle().setVersion("");
    EXPECT_EQ(betakit::installedVersion(config).version, "?");
    config.appVersion = "2.0b";
    config.appBuild = "200";
    EXPECT_EQ(betakit::installedVersion(config), (betakit::InstalledVersion{"2.0b", 200}));
}

} // namespace
