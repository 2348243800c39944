#include "betakit/update/UpdateModel.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <QNetworkReply>

namespace {

using betakit::UpdateError;
using betakit::UpdateModel;
using Stage = betakit::UpdateModel::Stage;

class UpdateModelTest : public UpdaterTest {
protected:
    std::unique_ptr<UpdateModel> makeModel(Stage first) {
        auto model = std::make_unique<UpdateModel>(configuration(), std::move(first));
        model->setOnResize([this](bool isShort) { resizes.push_back(isShort); });
        return model;
    }
    std::vector<bool> resizes;
};

TEST_F(UpdateModelTest, OnlyAChangeOfHeightClassResizes) {
    auto model = makeModel(Stage::checking());
    model->setStage(Stage::upToDate("1.3", false));
    EXPECT_EQ(resizes, std::vector<bool>{});
    model->setStage(Stage::checking());
    model->setStage(Stage::available(feed("121")));
    EXPECT_EQ(resizes, std::vector<bool>{false});
    model->setStage(Stage::downloading(0, 10));
    model->setStage(Stage::installing());
    EXPECT_EQ(resizes, std::vector<bool>{false});
    model->setStage(Stage::failed("x", feed("121")));
    EXPECT_EQ(resizes, (std::vector<bool>{false, true}));
}

TEST_F(UpdateModelTest, TheHeightClassesAreTheMaskOverTheCases) {
    const std::vector<std::pair<Stage, bool>> stages{
        {Stage::available(feed("1")), false},
        {Stage::upToDate("", false), true},
        {Stage::tooOld(""), true},
        {Stage::couldNotCheck(""), true},
        {Stage::downloading(0, 0), false},
        {Stage::failed("", {}), true},
        {Stage::checking(), true},
        {Stage::installing(), false},
    };
    for (std::size_t i = 0; i < stages.size(); ++i) {
        EXPECT_EQ(int(stages[i].first.kind()), int(i));
        EXPECT_EQ(stages[i].first.isShort(), stages[i].second) << i;
    }
}

TEST_F(UpdateModelTest, AnAvailableStageIsRecordedAsOfferedAndStaysSo) {
    auto first = makeModel(Stage::available(feed("121")));
    EXPECT_EQ(first->offered(), feed("121"));
    EXPECT_EQ(resizes, std::vector<bool>{});

    auto model = makeModel(Stage::checking());
    EXPECT_EQ(model->offered(), std::nullopt);
    model->setStage(Stage::available(feed("122")));
    model->setStage(Stage::failed("x", std::nullopt));
    EXPECT_EQ(model->offered(), feed("122"));
}

TEST_F(UpdateModelTest, TheCheckOnRequestEndsInTheCheckResult) {
    bundle().setBuild("120");
    struct Case {
        QByteArray feedJson;
        int status;
        Stage expected;
    };
    const std::vector<Case> cases{
        {feedJson("121"), 200, Stage::available(feed("121"))},
        {feedJson("120"), 200, Stage::upToDate("1.120", false)},
        {feedJson("119"), 200, Stage::upToDate("1.119", true)},
        {feedJson("121"), 404, Stage::couldNotCheck("The update server answered 404.")},
    };
    for (const Case& c : cases) {
        server.serve("/updates/tile-wick.json", {c.status, c.feedJson});
        auto model = makeModel(Stage::available(feed("1")));
        model->runCheck();
        EXPECT_EQ(model->stage(), Stage::checking());
        pumpUntil([&] { return model->stage().kind() != Stage::Case::Checking; });
        EXPECT_EQ(model->stage(), c.expected) << qPrintable(c.feedJson);
    }
}

class NeverReached final : public betakit::SystemVersion {
public:
    bool isAtLeast(qint64, qint64, qint64) const override { return false; }
};

TEST_F(UpdateModelTest, ANewerBuildForANewerSystemIsTooOldAndAnUnreadableInstalledBuildUpToDate) {
    platform().provide<betakit::SystemVersion>(std::make_shared<NeverReached>());
    server.serve("/updates/tile-wick.json",
                 {200, feedJson("121", "https://h/a.zip", 10, QString(64, u'0'), "14.2")});
    bundle().setBuild("120");
    auto model = makeModel(Stage::checking());
    model->runCheck();
    pumpUntil([&] { return model->stage().kind() != Stage::Case::Checking; });
    EXPECT_EQ(model->stage(), Stage::tooOld("14.2"));

    bundle().setBuild("1.2");
    model->runCheck();
    pumpUntil([&] { return model->stage().kind() != Stage::Case::Checking; });
    EXPECT_EQ(model->stage(), Stage::upToDate("1.121", false));
}

TEST_F(UpdateModelTest, AReplacedCheckStillSetsItsStageWhenItEnds) {
    server.serve("/updates/tile-wick.json", {200, feedJson("121"), true, 0});
    bundle().setBuild("120");
    auto model = makeModel(Stage::checking());
    model->runCheck();
    pumpUntil([&] { return server.requests().size() == 1; });
    const auto stalled = model->task();
    server.serve("/updates/tile-wick.json", {404, {}});
    model->runCheck();
    EXPECT_NE(model->task(), stalled);
    pumpUntil([&] { return model->stage().kind() == Stage::Case::CouldNotCheck; });
    // The first check was let go, not cancelled: its time-out still ends it, and it sets its stage.
    runtime().advance(20);
    pumpUntil([&] { return model->stage().text().startsWith("Couldn’t reach"); });
}

TEST_F(UpdateModelTest, ClosingWhileCheckingStopsTheCheckAndRecordsNothing) {
    LoopbackServer::Response silent;
    silent.answers = false;
    server.serve("/updates/tile-wick.json", silent);
    auto model = makeModel(Stage::checking());
    model->runCheck();
    pumpUntil([&] { return server.requests().size() == 1; });
    model->windowWillClose();
    pumpUntil([&] { return model->stage().kind() == Stage::Case::CouldNotCheck; });
    pumpUntil([&] { return server.openConnections() == 0; });
    EXPECT_EQ(betakit::declinedBuild(), 0);
    EXPECT_EQ(loggedEvents(), QStringList{});
    // Nothing left to stop in the stages without work.
    for (const Stage& idle : {Stage::available(feed("121")), Stage::failed("x", feed("121"))}) {
        model->setStage(idle);
        model->cancelTask();
        EXPECT_EQ(model->stage(), idle);
    }
}

TEST_F(UpdateModelTest, ClosingAfterAnOfferDeclinesItsBuildOnce) {
    auto model = makeModel(Stage::available(feed("121")));
    model->windowWillClose();
    EXPECT_EQ(betakit::declinedBuild(), 121);
    auto again = makeModel(Stage::available(feed("121")));
    again->windowWillClose();
    auto older = makeModel(Stage::available(feed("99")));
    older->windowWillClose();
    EXPECT_EQ(betakit::declinedBuild(), 121);
    EXPECT_EQ(loggedEvents("beta.update_declined"), QStringList{"beta.update_declined build=121"});

    auto neverOffered = makeModel(Stage::checking());
    neverOffered->setStage(Stage::upToDate("1.3", false));
    neverOffered->windowWillClose();
    EXPECT_EQ(loggedEvents("beta.update_declined").size(), 1);
}

TEST_F(UpdateModelTest, ErrorTextsAreTheSentenceTheReachSentenceOrTheDescription) {
    const QString reach =
        "Couldn’t reach veldorpellrath.example. Check your internet connection and try again.";
    const std::vector<std::pair<UpdateError, QString>> cases{
        {UpdateError::beta("The update server answered 503."), "The update server answered 503."},
        {UpdateError::network(QNetworkReply::TimeoutError, "timed out"), reach},
        {UpdateError::network(QNetworkReply::HostNotFoundError, "no host"), reach},
        {UpdateError::network(QNetworkReply::ConnectionRefusedError, "refused"), reach},
        {UpdateError::network(QNetworkReply::RemoteHostClosedError, "closed"), reach},
        {UpdateError::network(QNetworkReply::SslHandshakeFailedError, "SSL handshake failed"),
         "SSL handshake failed"},
        {UpdateError::platform("No such file or directory"), "No such file or directory"},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(betakit::updateErrorText(error), text);
}

TEST(ProgressText, PercentRoundsDownAmountsRoundUpInTheTotalsUnit) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    const std::vector<std::tuple<qint64, qint64, QString>> cases{
        {5'000'000, 12'345'678, "40% 5MB/13MB"},
        {-5, 0, "0% 0MB/1MB"},
        {20, 10, "100% 1MB/1MB"},
        {1'500'000'000, 2'000'000'000, "75% 1.5GB/2.0GB"},
        {999'999'999, 1'000'000'000, "99% 1000MB/1000MB"},
        {1, 1'000'000'001, "0% 0.1GB/1.1GB"},
        // Near the 64-bit limit: received × 100 and the rounding need more than 64 bits.
        {kMax - 1, kMax, "99% 9223372036.9GB/9223372036.9GB"},
        {kMax, kMax, "100% 9223372036.9GB/9223372036.9GB"},
    };
    for (const auto& [received, total, text] : cases)
        EXPECT_EQ(betakit::progressText(received, total), text) << received << " of " << total;
}

} // namespace
