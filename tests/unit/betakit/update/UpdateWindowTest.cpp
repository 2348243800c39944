#include "betakit/update/UpdateWindow.h"

#include "betakit/FormPieces.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTest>

namespace {

using betakit::BKButton;
using betakit::KitText;
using betakit::UpdateModel;
using betakit::UpdateView;
using betakit::UpdateWindowController;
using betakit::VeldorBeta;
using Stage = betakit::UpdateModel::Stage;
using Role = betakit::UpdateView::Role;

using Buttons = std::vector<std::pair<QString, Role>>;

class UpdateWindowTest : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        bundle().setVersion("2.1");
        bundle().setBuild("120");
        setSystemName("Debian GNU/Linux");
        VeldorBeta::start(configuration());
        logStartedElsewhere();
    }

    UpdateModel& show(Stage stage) { return betakit::showUpdateWindow(configuration(), std::move(stage)); }
    static UpdateWindowController* window() { return UpdateWindowController::openUpdateWindow(); }
    static UpdateView& view() { return *window()->view(); }

    // The texts the view shows now, in reading order.
    static QStringList texts() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList all;
        for (const KitText* label : view().findChildren<KitText*>())
            if (!label->plainText().isEmpty())
                all << label->plainText();
        return all;
    }
    static Buttons buttons() {
        Buttons all;
        for (BKButton* button : view().buttons())
            all.emplace_back(button->label().text, view().roleOf(button));
        return all;
    }
    void press(Qt::Key key) {
        QTest::keyClick(&view(), key);
        runtime().runUntilIdle();
    }
    // A feed whose archive is on the loopback server, which never answers for it.
    betakit::UpdateFeed stalledFeed(const QString& build) {
        LoopbackServer::Response silent;
        silent.answers = false;
        server.serve("/a.zip", silent);
        return feed(build, server.url("/a.zip").toString());
    }
};

TEST_F(UpdateWindowTest, AnOfferOpensOneCentredWindowInFront) {
    UpdateModel& model = show(Stage::available(feed("121")));
    ASSERT_TRUE(window());
    betakit::BetaPanel& panel = *window()->window();
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Beta Update · Tilewick"));
    EXPECT_EQ(panel.contentSize(), QSize(520, 520));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.styleMask(), 11u);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel.pos(), area.topLeft() + QPoint((area.width() - 520) / 2, (area.height() - 520) / 2));
    EXPECT_EQ(buttons(), (Buttons{{"Not Now", Role::Cancel}, {"Download", Role::Default}}));

    // A second request reuses the window and its model.
    EXPECT_EQ(&show(Stage::checking()), &model);
    EXPECT_EQ(model.stage(), Stage::checking());
}

TEST_F(UpdateWindowTest, EveryStageShowsItsTitleTextAndButtons) {
    auto failedFeed = feed("121");
    struct Case {
        Stage stage;
        QString title;
        QString text;
        Buttons buttons;
    };
    const std::vector<Case> cases{
        {Stage::upToDate("2.0", true),
         "You’re up to date",
         "This build, 2.1, is newer than the latest public beta, 2.0.",
         {{"Close", Role::Default}}},
        {Stage::upToDate("2.1", false),
         "You’re up to date",
         "Tilewick 2.1 is the newest beta.",
         {{"Close", Role::Default}}},
        {Stage::tooOld("14"),
         "A new beta needs a newer Debian GNU/Linux",
         "The newest Tilewick beta needs Debian GNU/Linux 14 or later. You can keep using this one.",
         {{"Close", Role::Default}}},
        {Stage::couldNotCheck("The update server answered 404."),
         "Couldn’t check for a new beta",
         "The update server answered 404.",
         {{"Close", Role::Cancel}, {"Try Again", Role::Default}}},
        {Stage::downloading(5'000'000, 12'345'678),
         "New beta version available!",
         "Downloading Tilewick… 40% 5MB/13MB",
         {{"Cancel", Role::Cancel}}},
        {Stage::failed("The download was damaged.", failedFeed),
         "The update didn’t install",
         "The download was damaged. Your current Tilewick hasn’t changed.",
         {{"Close", Role::Cancel}, {"Download from the Website", Role::Default}}},
        {Stage::failed("The download was damaged.", std::nullopt),
         "The update didn’t install",
         "The download was damaged. Your current Tilewick hasn’t changed.",
         {{"Close", Role::Cancel}}},
        {Stage::checking(), "Checking for a new beta…", "", {{"Close", Role::Default}}},
        {Stage::installing(),
         "New beta version available!",
         "Checking the new build and installing it. Tilewick will reopen by itself.",
         {}},
    };
    for (const Case& c : cases) {
        show(c.stage);
        QStringList expected{"BETA UPDATE", c.title};
        if (!c.text.isEmpty())
            expected << c.text;
        EXPECT_EQ(texts(), expected) << qPrintable(c.title);
        EXPECT_EQ(window()->model().title(), c.title);
        EXPECT_EQ(buttons(), c.buttons) << qPrintable(c.title);
        // Installing keeps its stage against a new request; leave it for the next case.
        window()->model().setStage(Stage::checking());
    }
}

TEST_F(UpdateWindowTest, TheOfferListsTheNewerReleasesNewestFirst) {
    const QJsonObject latest{{"version", "1.4"},
                             {"build", "124"},
                             {"url", "https://example.com/a.zip"},
                             {"bytes", 10},
                             {"sha256", QString(64, u'0')}};
    QJsonArray versions;
    for (const auto& [version, build] :
         {std::pair{"1.1", "119"}, {"1.3", "123"}, {"1.0", "x"}, {"1.2", "121"}})
        versions.append(QJsonObject{{"version", version},
                                    {"build", build},
                                    {"changes", QJsonArray{QString("Change of ") + version}}});
    const auto decoded = betakit::UpdateFeed::decode(
        QJsonDocument(QJsonObject{{"app", "tile-wick"}, {"latest", latest}, {"versions", versions}})
            .toJson());
    ASSERT_TRUE(decoded.ok());
    show(Stage::available(decoded.value()));
    EXPECT_EQ(texts(), QStringList({"BETA UPDATE", "New beta version available!",
                                    "Tilewick 1.4 is ready. You have 2.1.", "Changes since last update:",
                                    "1.3 changes:", "Change of 1.3", "1.2 changes:", "Change of 1.2"}));

    // Without an installed build number the box is there, empty.
    window()->window()->close();
    runtime().runUntilIdle();
    bundle().setBuild("");
    show(Stage::available(decoded.value()));
    EXPECT_EQ(texts(), QStringList({"BETA UPDATE", "New beta version available!",
                                    "Tilewick 1.4 is ready. You have 2.1.", "Changes since last update:"}));
}

TEST_F(UpdateWindowTest, EscapeSaysNotNowAndDeclinesReturnDownloads) {
    show(Stage::available(stalledFeed("121")));
    press(Qt::Key_Return);
    EXPECT_EQ(window()->model().stage().kind(), Stage::Case::Downloading);
    // Escape is Cancel now: back to the offer, at the same height.
    press(Qt::Key_Escape);
    pumpUntil([] { return window()->model().stage().kind() == Stage::Case::Available; });
    EXPECT_EQ(window()->window()->contentSize(), QSize(520, 520));

    press(Qt::Key_Escape);
    EXPECT_FALSE(window());
    EXPECT_EQ(betakit::declinedBuild(), 121);
    EXPECT_EQ(loggedEvents("beta.update_declined"), QStringList{"beta.update_declined build=121"});
}

TEST_F(UpdateWindowTest, AFailureWithoutAFeedAnswersOnlyEscape) {
    show(Stage::failed("No.", std::nullopt));
    press(Qt::Key_Return);
    EXPECT_TRUE(window());
    press(Qt::Key_Escape);
    EXPECT_FALSE(window());
    // No offer was shown: nothing declined.
    EXPECT_EQ(betakit::declinedBuild(), 0);
}

TEST_F(UpdateWindowTest, TheWebsiteButtonOpensTheBuildsAddressAndCloses) {
    show(Stage::failed("No.", feed("121", "https://example.com/b.zip")));
    press(Qt::Key_Return);
    EXPECT_EQ(launcher().opened(), QList<QUrl>{QUrl("https://example.com/b.zip")});
    EXPECT_FALSE(window());
}

TEST_F(UpdateWindowTest, TheWindowRefusesToCloseOnlyWhileInstalling) {
    show(Stage::installing());
    window()->window()->close();
    runtime().runUntilIdle();
    ASSERT_TRUE(window());
    EXPECT_TRUE(window()->window()->isVisible());

    window()->model().setStage(Stage::failed("No.", feed("121")));
    QPointer<betakit::BetaPanel> panel = window()->window();
    panel->close();
    EXPECT_FALSE(window());
    runtime().runUntilIdle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    // The next request makes a new window.
    show(Stage::checking());
    EXPECT_NE(window()->window(), nullptr);
}

TEST_F(UpdateWindowTest, AChangeOfHeightClassAnimatesKeepingTheTopLeftCorner) {
    show(Stage::available(feed("121")));
    betakit::BetaPanel& panel = *window()->window();
    const QPoint topLeft = panel.pos();
    window()->model().setStage(Stage::checking());
    runtime().advance(UpdateWindowController::kResizeDuration / 2);
    EXPECT_GT(panel.contentSize().height(), 240);
    EXPECT_LT(panel.contentSize().height(), 520);
    runtime().advance(UpdateWindowController::kResizeDuration);
    EXPECT_EQ(panel.contentSize(), QSize(520, 240));
    EXPECT_EQ(panel.pos(), topLeft);

    window()->model().setStage(Stage::available(feed("121")));
    runtime().advance(1);
    EXPECT_EQ(panel.contentSize(), QSize(520, 520));
    EXPECT_EQ(panel.pos(), topLeft);
}

TEST_F(UpdateWindowTest, ARequestDuringADownloadOnlyBringsTheWindowForward) {
    UpdateModel& model = show(Stage::available(stalledFeed("121")));
    model.startDownload(*model.stage().feed());
    show(Stage::checking());
    EXPECT_EQ(model.stage().kind(), Stage::Case::Downloading);
}

} // namespace
