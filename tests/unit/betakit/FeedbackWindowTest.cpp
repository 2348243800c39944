#include "betakit/BetaFeedbackButton.h"
#include "betakit/BetaFeedbackView.h"
#include "betakit/FeedbackWindowController.h"
#include "betakit/KitMenus.h"
#include "betakit/VeldorBeta.h"

#include "support/SimPlatformTest.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace betakit;

class FeedbackWindowTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        VeldorBeta::resetForTesting();
    }
    void TearDown() override {
        FeedbackWindowController::closeOpen();
        destroyReleased();
        VeldorBeta::resetForTesting();
        SimPlatformTest::TearDown();
    }
    static void destroyReleased() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void start() {
        VeldorBeta::start(BetaConfiguration(sharedPlatform(), QStringLiteral("tile-wick"),
                                            QStringLiteral("Tilewick"),
                                            QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr));
        logStartedElsewhere();
    }
    static FeedbackWindowController* open() { return FeedbackWindowController::open(); }
    static const BetaFeedback& typed() { return open()->model()->feedback(); }
};

TEST_F(FeedbackWindowTest, ShowBuildsOneCentredPanelAndBringsItForward) {
    start();
    VeldorBeta::showFeedback(BetaFeedback::Kind::Confusing, false);
    ASSERT_TRUE(open());
    BetaPanel* panel = open()->window();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Beta Feedback \u00B7 Tilewick"));
    EXPECT_EQ(panel->styleMask(), 11u);
    EXPECT_EQ(panel->contentSize(), QSize(580, 760));
    EXPECT_EQ(panel->minimumSize(), QSize(520, 520));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->delegate(), open());
    EXPECT_EQ(open()->model()->stage(), FeedbackModel::Stage(FeedbackModel::Editing{}));
    EXPECT_EQ(typed().kind, BetaFeedback::Kind::Confusing);

    // A second request of another kind brings the same form forward, untouched.
    open()->model()->editFeedback([](BetaFeedback& f) { f.summary = QStringLiteral("typed"); });
    VeldorBeta::showFeedback(BetaFeedback::Kind::Idea, false);
    EXPECT_EQ(open()->window(), panel);
    EXPECT_EQ(typed().kind, BetaFeedback::Kind::Confusing);
    EXPECT_EQ(typed().summary, QStringLiteral("typed"));
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return qobject_cast<BetaPanel*>(w) && w->isVisible(); }),
              1);
}

TEST_F(FeedbackWindowTest, AnAfterCrashRequestTurnsTheOpenFormKeepingWhatWasTyped) {
    start();
    VeldorBeta::showFeedback(BetaFeedback::Kind::Idea, false);
    open()->model()->editFeedback([](BetaFeedback& f) { f.summary = QStringLiteral("Snap to thirds"); });
    VeldorBeta::showFeedback(BetaFeedback::Kind::Love, true);
    EXPECT_TRUE(typed().afterCrash);
    EXPECT_EQ(typed().kind, BetaFeedback::Kind::Problem);
    EXPECT_EQ(typed().summary, QStringLiteral("Snap to thirds"));
    EXPECT_EQ(open()->view()->pieces().title->text(),
              QStringLiteral("Tilewick quit unexpectedly. What happened?"));
}

TEST_F(FeedbackWindowTest, ClosingLetsGoOfEverythingAndTheNextFormStartsAfresh) {
    start();
    VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false);
    open()->model()->editFeedback([](BetaFeedback& f) { f.summary = QStringLiteral("gone"); });
    std::weak_ptr<FeedbackModel> model = open()->model();
    QPointer<BetaPanel> panel = open()->window();

    // The form's Cancel closes the panel as its close button would.
    open()->view()->pieces().cancel->click();
    EXPECT_FALSE(open());
    EXPECT_FALSE(panel->isVisible());
    destroyReleased();
    EXPECT_TRUE(panel.isNull());
    EXPECT_TRUE(model.expired());
    EXPECT_TRUE(loggedEvents(QStringLiteral("beta.feedback")).isEmpty());

    VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false);
    ASSERT_TRUE(open());
    EXPECT_TRUE(typed().summary.isEmpty());
    EXPECT_EQ(open()->model()->stage(), FeedbackModel::Stage(FeedbackModel::Editing{}));
}

TEST_F(FeedbackWindowTest, BeforeStartNothingOpensAndTheButtonStillShows) {
    VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, true);
    VeldorBeta::askAboutCrash();
    BetaFeedbackButton button(false, {});
    EXPECT_TRUE(button.isEnabled());
    button.click();
    MenuTarget::shared().open();
    EXPECT_FALSE(open());
}

TEST_F(FeedbackWindowTest, TheCrashPromptsTellUsOpensAnAfterCrashProblemReport) {
    start();
    alerts().setResponder([](const platform::ModalAlert& alert) {
        EXPECT_EQ(alert.buttons.first(), QStringLiteral("Tell Us\u2026"));
        return platform::kAlertFirstButton;
    });
    VeldorBeta::askAboutCrash();
    ASSERT_TRUE(open());
    EXPECT_TRUE(typed().afterCrash);
    EXPECT_EQ(typed().kind, BetaFeedback::Kind::Problem);
}

// Menus

QMenuBar& menuBar(std::unique_ptr<QMenuBar>& holder, const QStringList& titles) {
    holder = std::make_unique<QMenuBar>();
    for (const QString& title : titles)
        holder->addMenu(title);
    return *holder;
}

QMenu* menu(QMenuBar& bar, int index) {
    return bar.actions().at(index)->menu();
}

QStringList texts(const QMenu& m) {
    QStringList out;
    for (QAction* a : m.actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

TEST_F(FeedbackWindowTest, KitItemsGoToTheSharedTargetWithoutShortcuts) {
    std::unique_ptr<QAction> feedback(KitMenus::makeMenuItem());
    std::unique_ptr<QAction> update(KitMenus::makeUpdateMenuItem());
    EXPECT_EQ(feedback->text(), QStringLiteral("Send Beta Feedback\u2026"));
    EXPECT_EQ(update->text(), QStringLiteral("Check for Beta Update\u2026"));
    for (QAction* item : {feedback.get(), update.get()}) {
        EXPECT_EQ(MenuTarget::targetOf(*item), &MenuTarget::shared());
        EXPECT_TRUE(item->shortcut().isEmpty());
    }
    EXPECT_EQ(MenuTarget::actionOf(*feedback), QStringLiteral("open:"));
    EXPECT_EQ(MenuTarget::actionOf(*update), QStringLiteral("checkForUpdate:"));

    start();
    int checks = 0;
    VeldorBeta::setParts({.checkForUpdate = [&](const BetaConfiguration&) { ++checks; }});
    update->trigger();
    EXPECT_EQ(checks, 1);
    feedback->trigger();
    ASSERT_TRUE(open());
    EXPECT_EQ(typed(), BetaFeedback{});
}

TEST_F(FeedbackWindowTest, HelpMenuGetsTheFeedbackItemOnce) {
    struct Case {
        const char* name;
        QStringList menus;
        QStringList helpItems;
        QStringList expected; // of the "Help" menu; empty when there is none
    };
    const Case cases[] = {
        {"items before it",
         {"Tilewick", "Help"},
         {"Tilewick Manual"},
         {"Tilewick Manual", "-", "Send Beta Feedback\u2026"}},
        {"empty help menu", {"Tilewick", "Help"}, {}, {"Send Beta Feedback\u2026"}},
        {"help titled otherwise", {"Tilewick", "Hilfe"}, {"Handbuch"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QMenuBar> holder;
        QMenuBar& bar = menuBar(holder, c.menus);
        for (const QString& item : c.helpItems)
            menu(bar, 1)->addAction(item);
        KitMenus::addToHelpMenu(bar);
        KitMenus::addToHelpMenu(bar);
        if (c.expected.isEmpty())
            EXPECT_EQ(texts(*menu(bar, 1)), c.helpItems);
        else
            EXPECT_EQ(texts(*menu(bar, 1)), c.expected);
    }
    std::unique_ptr<QMenuBar> none;
    KitMenus::addToHelpMenu(menuBar(none, {}));
    EXPECT_TRUE(none->actions().isEmpty());
}

TEST_F(FeedbackWindowTest, AppMenuGetsTheUpdateItemAfterAboutOnce) {
    struct Case {
        const char* name;
        QStringList items;
        QStringList expected;
    };
    const Case cases[] = {
        {"after About",
         {"About Tilewick", "Changelog", "Quit"},
         {"About Tilewick", "Check for Beta Update\u2026", "Changelog", "Quit"}},
        {"About last",
         {"Settings", "About Tilewick"},
         {"Settings", "About Tilewick", "Check for Beta Update\u2026"}},
        {"no About", {"Changelog", "Quit"}, {"Check for Beta Update\u2026", "Changelog", "Quit"}},
        {"empty", {}, {"Check for Beta Update\u2026"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QMenuBar> holder;
        QMenuBar& bar = menuBar(holder, {"Tilewick", "Help"});
        for (const QString& item : c.items)
            menu(bar, 0)->addAction(item);
        KitMenus::addUpdateItemToAppMenu(bar);
        KitMenus::addUpdateItemToAppMenu(bar);
        EXPECT_EQ(texts(*menu(bar, 0)), c.expected);
        EXPECT_TRUE(menu(bar, 1)->actions().isEmpty());
    }
}

TEST_F(FeedbackWindowTest, FeedbackCommandsOpenTheForm) {
    start();
    QMenu help;
    help.addAction(QStringLiteral("Tilewick Manual"));
    BetaFeedbackCommands().addTo(help);
    EXPECT_EQ(texts(help), (QStringList{"Tilewick Manual", "Send Beta Feedback\u2026"}));
    EXPECT_TRUE(help.actions().last()->shortcut().isEmpty());
    help.actions().last()->trigger();
    EXPECT_TRUE(open());
}

} // namespace
