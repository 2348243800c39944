#include "betakit/update/UpdateChecks.h"
#include "betakit/FeedbackWindowController.h"
#include "betakit/update/BetaUpdateCommands.h"
#include "betakit/update/UpdateWindow.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

namespace {

using betakit::UpdateModel;
using betakit::UpdateWindowController;
using betakit::VeldorBeta;
using Stage = betakit::UpdateModel::Stage;
using Case = betakit::UpdateModel::Stage::Case;

class UpdateChecksTest : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        bundle().setBuild("120");
    }

    void start(bool checksForUpdates = true) {
        auto config = configuration();
        config.checksForUpdates = checksForUpdates;
        VeldorBeta::start(config);
        logStartedElsewhere();
    }
    void serveLatest(const QString& build, const QString& minimum = QString()) {
        server.serve("/updates/tile-wick.json",
                     {200, feedJson(build, "https://example.com/a.zip", 10, QString(64, u'0'), minimum)});
    }
    // A quiet check, and whatever it fetched applied.
    void quietCheck() {
        VeldorBeta::checkForUpdateQuietly();
        pumpUntil([] { return !betakit::quietUpdateCheckInFlight(); });
    }
    static UpdateWindowController* window() { return UpdateWindowController::openUpdateWindow(); }
    void closeWindow() {
        ASSERT_TRUE(window());
        window()->window()->close();
        runtime().runUntilIdle();
        ASSERT_FALSE(window());
    }

    void openFeedback() {
        betakit::FeedbackWindowController::show(configuration(), betakit::BetaFeedback{},
                                                betakit::KitViewServices::of(platform()));
    }
    void closeFeedback() {
        betakit::FeedbackWindowController::closeOpen();
        runtime().runUntilIdle();
    }
};

TEST_F(UpdateChecksTest, TheQuietCheckFetchesNothingUnlessStartedWithChecksOnAndABuildToCompare) {
    serveLatest("121");
    VeldorBeta::checkForUpdateQuietly();
    start(false);
    VeldorBeta::checkForUpdateQuietly();
    pumpBriefly();
    EXPECT_EQ(server.requests().size(), 0);

    VeldorBeta::resetForTesting();
    bundle().setBuild("abc");
    start();
    VeldorBeta::checkForUpdateQuietly();
    pumpBriefly();
    EXPECT_EQ(server.requests().size(), 0);
    EXPECT_FALSE(window());
    EXPECT_EQ(loggedEvents("beta.update_offered"), QStringList{});
}

TEST_F(UpdateChecksTest, TheCheckOnRequestAnswersWhereTheQuietOneStaysSilent) {
    bundle().setBuild("abc");
    start(false);
    serveLatest("121");
    VeldorBeta::checkForUpdate();
    ASSERT_TRUE(window());
    EXPECT_EQ(window()->model().stage(), Stage::checking());
    pumpUntil([] { return window()->model().stage() != Stage::checking(); });
    // An unreadable installed build is up to date; the check on request logs nothing.
    EXPECT_EQ(window()->model().stage(), Stage::upToDate("1.121", false));
    EXPECT_EQ(loggedEvents(), QStringList{"beta.launch crashed_last_time=false"});
}

TEST_F(UpdateChecksTest, QuietChecksComeAtLeastTenSecondsApart) {
    start();
    serveLatest("120");
    quietCheck();
    EXPECT_EQ(server.requests().size(), 1);
    runtime().advance(9.9);
    quietCheck();
    EXPECT_EQ(server.requests().size(), 1);
    runtime().advance(0.1);
    quietCheck();
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_FALSE(window());
}

TEST_F(UpdateChecksTest, OneQuietCheckAtATimeAndAFailedOneStillCounts) {
    start();
    LoopbackServer::Response silent;
    silent.answers = false;
    server.serve("/updates/tile-wick.json", silent);
    VeldorBeta::checkForUpdateQuietly();
    pumpUntil([&] { return server.requests().size() == 1; });
    runtime().advance(15);
    VeldorBeta::checkForUpdateQuietly();
    pumpBriefly();
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(betakit::quietUpdateCheckInFlight());
    // The feed's idle time-out ends the first: nothing shown, and the spacing counts from its start.
    runtime().advance(5);
    pumpUntil([] { return !betakit::quietUpdateCheckInFlight(); });
    EXPECT_FALSE(window());
    serveLatest("121");
    quietCheck();
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_TRUE(window());
}

TEST_F(UpdateChecksTest, AnOfferOpensTheWindowAndIsLogged) {
    start();
    serveLatest("121");
    quietCheck();
    ASSERT_TRUE(window());
    EXPECT_EQ(window()->model().stage(), Stage::available(feed("121")));
    EXPECT_EQ(loggedEvents("beta.update_offered"), QStringList{"beta.update_offered build=121"});
    // While the window is open the quiet checks stay silent.
    runtime().advance(10);
    quietCheck();
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(UpdateChecksTest, TheDeclinedAndTheInstalledBuildAreBothPassedOver) {
    struct Case {
        QString installed;
        QString declined;
        QString latest;
        bool offered;
    };
    const std::vector<Case> cases{
        {"119", "121", "121", false},
        {"119", "121", "122", true},
        {"121", "", "121", false},
        {"119", "", "121", true},
    };
    for (const Case& c : cases) {
        VeldorBeta::resetForTesting();
        runtime().advance(10);
        bundle().setBuild(c.installed);
        start();
        if (!c.declined.isEmpty())
            betakit::recordDecline(feed(c.declined));
        serveLatest(c.latest);
        quietCheck();
        EXPECT_EQ(bool(window()), c.offered) << qPrintable(c.installed + " " + c.declined + " " + c.latest);
    }
}

TEST_F(UpdateChecksTest, ClosingAnOfferDeclinesItForTheRestOfTheRun) {
    start();
    serveLatest("121");
    quietCheck();
    closeWindow();
    EXPECT_EQ(betakit::declinedBuild(), 121);
    runtime().advance(10);
    quietCheck();
    EXPECT_FALSE(window());
    serveLatest("122");
    runtime().advance(10);
    quietCheck();
    EXPECT_TRUE(window());
}

TEST_F(UpdateChecksTest, AKitWindowThatOpensDuringTheFetchDropsTheOffer) {
    start();
    serveLatest("121");
    openFeedback();
    quietCheck();
    EXPECT_EQ(server.requests().size(), 0);

    closeFeedback();
    VeldorBeta::checkForUpdateQuietly();
    openFeedback();
    pumpUntil([] { return !betakit::quietUpdateCheckInFlight(); });
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(window());
    EXPECT_EQ(loggedEvents("beta.update_offered"), QStringList{});

    // Once the form is closed the next check proceeds.
    closeFeedback();
    runtime().advance(10);
    quietCheck();
    EXPECT_TRUE(window());
}

class NeverReached final : public betakit::SystemVersion {
public:
    bool isAtLeast(qint64, qint64, qint64) const override { return false; }
};

TEST_F(UpdateChecksTest, ABuildForANewerSystemIsNeverOfferedQuietly) {
    platform().provide<betakit::SystemVersion>(std::make_shared<NeverReached>());
    start();
    serveLatest("121", "99.1");
    quietCheck();
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(window());
    VeldorBeta::checkForUpdate();
    pumpUntil([] { return window()->model().stage() != Stage::checking(); });
    EXPECT_EQ(window()->model().stage(), Stage::tooOld("99.1"));
}

TEST_F(UpdateChecksTest, TheCheckOnRequestInAnOpenWindowChecksAgain) {
    start();
    serveLatest("121");
    quietCheck();
    UpdateModel* model = &window()->model();
    serveLatest("120");
    VeldorBeta::checkForUpdate();
    EXPECT_EQ(&window()->model(), model);
    EXPECT_EQ(model->stage(), Stage::checking());
    pumpUntil([&] { return model->stage() != Stage::checking(); });
    EXPECT_EQ(model->stage(), Stage::upToDate("1.120", false));
}

TEST_F(UpdateChecksTest, TheCheckOnRequestLeavesARunningDownloadOrInstallationAlone) {
    start();
    serveLatest("121");
    quietCheck();
    UpdateModel& model = window()->model();
    for (const Stage& busy : {Stage::downloading(3, 10), Stage::installing()}) {
        model.setStage(busy);
        const auto task = model.task();
        VeldorBeta::checkForUpdate();
        pumpBriefly();
        EXPECT_EQ(model.stage(), busy);
        EXPECT_EQ(model.task(), task);
        EXPECT_EQ(server.requests().size(), 1);
    }
}

} // namespace

namespace {

TEST_F(UpdateChecksTest, TheUpdateCommandIsTheCheckOnRequest) {
    const auto group = betakit::BetaUpdateCommands().body();
    EXPECT_EQ(group.placement, betakit::BetaUpdateCommands::Placement::AfterApplicationInfo);
    ASSERT_EQ(group.buttons.size(), 1u);
    EXPECT_EQ(group.buttons[0].title, QStringLiteral("Check for Beta Update\u2026"));
    EXPECT_TRUE(group.buttons[0].shortcut.isEmpty());
    group.buttons[0].action();
    EXPECT_FALSE(window());

    start();
    serveLatest("121");
    group.buttons[0].action();
    ASSERT_TRUE(window());
    pumpUntil([] { return window()->model().stage() != Stage::checking(); });
    EXPECT_EQ(window()->model().stage(), Stage::available(feed("121")));
}

} // namespace
