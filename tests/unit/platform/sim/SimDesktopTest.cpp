#include "platform/sim/SimDesktop.h"
#include "platform/Platform.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWorkspace.h"
#include "support/SimPlatformTest.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <thread>

using namespace platform;
using namespace platform::sim;

namespace {

class SimDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop = std::make_shared<SimDesktop>();
        provideDesktop(services, desktop);
        ax = &services.service<Accessibility>();
        app = desktop->addApp({.pid = 42,
                               .bundleIdentifier = QStringLiteral("org.example.editor"),
                               .name = QStringLiteral("Editor")});
        desktop->activate(42);
    }

    AXElement addWindow(const QString& title, QRectF frame = {100, 100, 800, 600}) {
        return desktop->addWindow(42, {.title = title, .frame = frame});
    }

    Platform services;
    std::shared_ptr<SimDesktop> desktop;
    Accessibility* ax = nullptr;
    AXElement app;
};

TEST_F(SimDesktopTest, ScreensReportBottomLeftFramesPrimaryFirst) {
    auto& screens = services.service<Screens>();
    QSignalSpy changed(&screens, &Screens::screensChanged);
    desktop->addScreen({0, 0, 1440, 900}, {0, 25, 1440, 800});
    desktop->addScreen({1440, -200, 1920, 1200}, {1440, -200, 1920, 1200}, QStringLiteral("Wide"));
    ASSERT_EQ(screens.screens().size(), 2);
    EXPECT_EQ(changed.size(), 2);

    const auto primary = screens.screens()[0];
    EXPECT_EQ(primary.frame, QRectF(0, 0, 1440, 900));
    // 75 points of dock at the bottom: the visible frame starts 75 above the bottom edge.
    EXPECT_EQ(primary.visibleFrame, QRectF(0, 75, 1440, 800));
    const auto second = screens.screens()[1];
    EXPECT_EQ(second.frame, QRectF(1440, -100, 1920, 1200));
    EXPECT_EQ(second.name, QStringLiteral("Wide"));
    EXPECT_EQ(second.uuid.size(), 36);
    EXPECT_NE(second.uuid, primary.uuid);

    desktop->removeScreen(0);
    EXPECT_EQ(screens.screens().size(), 1);
    EXPECT_EQ(changed.size(), 3);
}

TEST_F(SimDesktopTest, ElementsKeepIdentityAcrossReads) {
    const AXElement w = addWindow(QStringLiteral("One"));
    auto focused = ax->elementAttribute(ax->systemWide(), QStringLiteral("AXFocusedApplication"));
    ASSERT_TRUE(focused);
    EXPECT_EQ(*focused, app);
    EXPECT_EQ(ax->pid(*focused), 42);
    EXPECT_EQ(ax->pid(ax->systemWide()), std::nullopt);
    EXPECT_EQ(ax->elementAttribute(app, QStringLiteral("AXFocusedWindow")), w);
    auto windows = ax->elementsAttribute(ax->application(42), QStringLiteral("AXWindows"));
    ASSERT_TRUE(windows);
    EXPECT_EQ(*windows, AXElementList{w});
    EXPECT_EQ(qHash(windows->first()), qHash(w));
}

TEST_F(SimDesktopTest, FrontmostUnminimisedWindowIsFocusedAndRaiseReorders) {
    const AXElement back = addWindow(QStringLiteral("Back"));
    const AXElement front = addWindow(QStringLiteral("Front"));
    EXPECT_EQ(desktop->windows(42), (AXElementList{front, back}));
    EXPECT_EQ(ax->boolAttribute(front, QStringLiteral("AXMain")), true);

    EXPECT_EQ(ax->performAction(back, QStringLiteral("AXRaise")), AXError::Success);
    EXPECT_EQ(desktop->windows(42), (AXElementList{back, front}));
    EXPECT_EQ(ax->elementAttribute(app, QStringLiteral("AXMainWindow")), back);

    EXPECT_EQ(ax->setAttributeValue(back, QStringLiteral("AXMinimized"), true), AXError::Success);
    EXPECT_EQ(ax->elementAttribute(app, QStringLiteral("AXFocusedWindow")), front);
    EXPECT_EQ(ax->setAttributeValue(front, QStringLiteral("AXMinimized"), true), AXError::Success);
    EXPECT_EQ(ax->copyAttributeValue(app, QStringLiteral("AXFocusedWindow")).error, AXError::NoValue);
}

TEST_F(SimDesktopTest, SizesAreClampedRefusedOrStepped) {
    const AXElement w = addWindow(QStringLiteral("W"));
    desktop->updateWindow(w, [](SimWindow& s) {
        s.minimumSize = {200, 100};
        s.maximumSize = {1000, 700};
    });
    ax->setAttributeValue(w, QStringLiteral("AXSize"), QSizeF(150, 900));
    EXPECT_EQ(ax->sizeAttribute(w, QStringLiteral("AXSize")), QSizeF(200, 700));

    // A terminal: 10 + whole cells of 7 × 16 points.
    desktop->updateWindow(w, [](SimWindow& s) {
        s.minimumSize = {10, 10};
        s.maximumSize = {0, 0};
        s.sizeIncrement = {7, 16};
    });
    ax->setAttributeValue(w, QStringLiteral("AXSize"), QSizeF(720, 450));
    EXPECT_EQ(ax->sizeAttribute(w, QStringLiteral("AXSize")), QSizeF(717, 442));

    desktop->updateWindow(w, [](SimWindow& s) { s.refusesSize = s.refusesMove = true; });
    EXPECT_EQ(ax->setAttributeValue(w, QStringLiteral("AXSize"), QSizeF(300, 300)), AXError::Success);
    EXPECT_EQ(ax->setAttributeValue(w, QStringLiteral("AXPosition"), QPointF(0, 0)), AXError::Success);
    EXPECT_EQ(desktop->frame(w), QRectF(100, 100, 717, 442));
    EXPECT_EQ(ax->isAttributeSettable(w, QStringLiteral("AXSize")).value, false);
    EXPECT_EQ(ax->isAttributeSettable(w, QStringLiteral("AXTitle")).value, false);
    EXPECT_EQ(ax->isAttributeSettable(w, QStringLiteral("AXMinimized")).value, true);
    EXPECT_EQ(ax->isAttributeSettable(w, QStringLiteral("AXBogus")).error, AXError::AttributeUnsupported);

    EXPECT_EQ(ax->setAttributeValue(w, QStringLiteral("AXPosition"), QSizeF(1, 1)), AXError::IllegalArgument);
}

TEST_F(SimDesktopTest, ScriptedFailures) {
    const AXElement w = addWindow(QStringLiteral("W"));
    desktop->updateWindow(w, [](SimWindow& s) { s.failingReads = {QStringLiteral("AXSize")}; });
    EXPECT_EQ(ax->copyAttributeValue(w, QStringLiteral("AXSize")).error, AXError::Failure);
    EXPECT_TRUE(ax->pointAttribute(w, QStringLiteral("AXPosition")));
    EXPECT_EQ(ax->sizeAttribute(w, QStringLiteral("AXPosition")), std::nullopt)
        << "wrong type reads as absent";

    // The window closes between two calls.
    int calls = 0;
    desktop->setCallHook([&](const SimCall& c) {
        if (c.element == w && ++calls == 2)
            desktop->closeWindow(w);
    });
    EXPECT_TRUE(ax->pointAttribute(w, QStringLiteral("AXPosition")));
    EXPECT_EQ(ax->copyAttributeValue(w, QStringLiteral("AXPosition")).error, AXError::InvalidUIElement);
    EXPECT_EQ(ax->setAttributeValue(w, QStringLiteral("AXPosition"), QPointF()), AXError::InvalidUIElement);

    desktop->setTrusted(false);
    EXPECT_FALSE(ax->isProcessTrusted());
    EXPECT_EQ(ax->copyAttributeValue(app, QStringLiteral("AXWindows")).error, AXError::APIDisabled);
    EXPECT_FALSE(ax->requestTrust());
    EXPECT_EQ(desktop->trustRequests(), 1);
}

TEST_F(SimDesktopTest, UnresponsiveApplicationsWaitOutTheMessagingTimeout) {
    const AXElement w = addWindow(QStringLiteral("W"));
    desktop->updateApp(42, [](SimApp& a) { a.responsive = false; });
    double slept = 0;
    desktop->setStallHandler([&](double s) { slept += s; });

    EXPECT_EQ(ax->copyAttributeValue(w, QStringLiteral("AXPosition")).error, AXError::CannotComplete);
    AXElement bounded = ax->application(42);
    ax->setMessagingTimeout(bounded, 0.5);
    EXPECT_EQ(ax->copyAttributeValue(bounded, QStringLiteral("AXWindows")).error, AXError::CannotComplete);
    // A new reference to the same application has no time-out of its own; the global one applies.
    ax->setMessagingTimeout(ax->systemWide(), 2.0);
    EXPECT_EQ(ax->copyAttributeValue(ax->application(42), QStringLiteral("AXWindows")).error,
              AXError::CannotComplete);
    EXPECT_EQ(desktop->stalls(), (QList<double>{6.0, 0.5, 2.0}));
    EXPECT_DOUBLE_EQ(slept, 8.5);
    // The system itself still answers.
    EXPECT_EQ(ax->elementAttribute(ax->systemWide(), QStringLiteral("AXFocusedApplication")), app);
    EXPECT_EQ(ax->setMessagingTimeout(bounded, -1), AXError::IllegalArgument);
}

TEST_F(SimDesktopTest, EnhancedUserInterfaceIsOptional) {
    EXPECT_EQ(ax->copyAttributeValue(app, QStringLiteral("AXEnhancedUserInterface")).error,
              AXError::AttributeUnsupported);
    desktop->updateApp(42, [](SimApp& a) { a.enhancedUserInterface = true; });
    EXPECT_EQ(ax->boolAttribute(app, QStringLiteral("AXEnhancedUserInterface")), true);
    EXPECT_EQ(ax->setAttributeValue(app, QStringLiteral("AXEnhancedUserInterface"), false), AXError::Success);
    EXPECT_EQ(desktop->app(42)->enhancedUserInterface, false);
}

TEST_F(SimDesktopTest, WorkspaceFollowsLaunchQuitAndActivation) {
    auto& workspace = services.service<Workspace>();
    QSignalSpy launched(&workspace, &Workspace::applicationLaunched);
    QSignalSpy terminated(&workspace, &Workspace::applicationTerminated);
    QSignalSpy activated(&workspace, &Workspace::applicationActivated);

    desktop->addApp(
        {.pid = 7, .bundleIdentifier = QStringLiteral("org.example.term"), .refusesToQuit = true});
    desktop->addApp({.pid = 8, .bundleIdentifier = QStringLiteral("org.example.term")});
    EXPECT_EQ(launched.size(), 2);
    EXPECT_EQ(workspace.runningApplications(QStringLiteral("org.example.term")).size(), 2);
    EXPECT_EQ(workspace.frontmostApplication()->pid, 42);

    // Setting "AXFrontmost" activates.
    ax->setAttributeValue(ax->application(8), QStringLiteral("AXFrontmost"), true);
    EXPECT_EQ(workspace.frontmostApplication()->pid, 8);
    EXPECT_EQ(activated.size(), 1);

    EXPECT_FALSE(workspace.terminate(7));
    EXPECT_TRUE(workspace.terminate(8));
    EXPECT_FALSE(workspace.isRunning(8));
    EXPECT_EQ(terminated.size(), 1);
    EXPECT_EQ(workspace.frontmostApplication(), std::nullopt);
    EXPECT_EQ(ax->copyAttributeValue(ax->systemWide(), QStringLiteral("AXFocusedApplication")).error,
              AXError::NoValue);
}

TEST_F(SimDesktopTest, MenusPressAndWindowObservers) {
    QList<AXElement> created;
    auto observer = ax->addObserver(app, QStringLiteral("AXWindowCreated"),
                                    [&](const AXElement& e, const QString&) { created.append(e); });
    ASSERT_TRUE(observer);
    desktop->setMenuBar(42, {SimMenuItem::withMenu(QStringLiteral("Editor"), {}),
                             SimMenuItem::withMenu(QStringLiteral("File"),
                                                   {{.title = QStringLiteral("New Window"),
                                                     .commandCharacter = QStringLiteral("N"),
                                                     .onPress = [&] { addWindow(QStringLiteral("New")); }},
                                                    {.title = QStringLiteral("Close"), .enabled = false}})});

    auto bar = ax->elementAttribute(app, QStringLiteral("AXMenuBar"));
    ASSERT_TRUE(bar);
    auto barItems = ax->elementsAttribute(*bar, QStringLiteral("AXChildren"));
    ASSERT_EQ(barItems->size(), 2);
    EXPECT_EQ(ax->stringAttribute(barItems->at(1), QStringLiteral("AXTitle")), QStringLiteral("File"));
    auto menu = ax->elementsAttribute(barItems->at(1), QStringLiteral("AXChildren"))->first();
    auto items = *ax->elementsAttribute(menu, QStringLiteral("AXChildren"));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(ax->stringAttribute(items[0], QStringLiteral("AXMenuItemCmdChar")), QStringLiteral("N"));
    EXPECT_EQ(ax->boolAttribute(items[1], QStringLiteral("AXEnabled")), false);
    EXPECT_EQ(ax->elementsAttribute(items[0], QStringLiteral("AXChildren")), AXElementList{});

    EXPECT_EQ(ax->performAction(items[0], QStringLiteral("AXPress")), AXError::Success);
    ASSERT_EQ(created.size(), 1);
    EXPECT_EQ(ax->stringAttribute(created[0], QStringLiteral("AXTitle")), QStringLiteral("New"));
    EXPECT_NE(ax->performAction(items[1], QStringLiteral("AXPress")), AXError::Success);

    observer.reset();
    addWindow(QStringLiteral("Unheard"));
    EXPECT_EQ(created.size(), 1);
}

TEST_F(SimDesktopTest, CallsFromManyThreadsAreSafe) {
    const AXElement w = addWindow(QStringLiteral("W"));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                ax->setAttributeValue(w, QStringLiteral("AXPosition"), QPointF(t, i));
                ax->elementsAttribute(app, QStringLiteral("AXWindows"));
                if (t == 0 && i % 50 == 0)
                    desktop->addWindow(42, {.title = QStringLiteral("extra")});
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(desktop->windows(42).size(), 11);
    EXPECT_EQ(desktop->callCount(), 4 * 500 * 2);
}

using SimDesktopOnRuntime = SimPlatformTest;

TEST_F(SimDesktopOnRuntime, WorkersWaitOutTimeoutsOnTheVirtualClock) {
    desktop().addApp({.pid = 5, .responsive = false});
    auto& ax = platform().service<Accessibility>();
    const double start = runtime().clock().uptime();
    double finished = -1;
    runtime().global([&] {
        AXElement hung = ax.application(5);
        ax.setMessagingTimeout(hung, 0.5);
        ax.copyAttributeValue(hung, QStringLiteral("AXWindows"));
        ax.copyAttributeValue(hung, QStringLiteral("AXMenuBar"));
        finished = runtime().clock().uptime() - start;
    });
    runtime().runUntilIdle();
    EXPECT_EQ(finished, -1) << "the worker waits on the virtual clock";
    runtime().advance(2.0);
    EXPECT_DOUBLE_EQ(finished, 1.0);
}

} // namespace
