#include "platform/drawing/WindowFit.h"

#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using platform::fitClient;
using platform::fitFrame;

// A 1280 × 800 screen with a 24-pixel panel along its top.
const QRect kWorkArea(0, 24, 1280, 776);

TEST(WindowFit, FramesShrinkToTheWorkAreaAndMoveIntoIt) {
    struct Case {
        const char* name;
        QRect frame;
        QRect expected;
    };
    const Case cases[] = {
        {"FitsAlready", {100, 100, 600, 400}, {100, 100, 600, 400}},
        {"UnderThePanel", {100, 0, 600, 400}, {100, 24, 600, 400}},
        {"OffTheBottom", {100, 600, 600, 400}, {100, 400, 600, 400}},
        {"OffTheRight", {1000, 100, 600, 400}, {680, 100, 600, 400}},
        {"OffTheLeft", {-50, 100, 600, 400}, {0, 100, 600, 400}},
        {"TallerThanTheArea", {162, 0, 958, 916}, {162, 24, 958, 776}},
        {"LargerThanTheArea", {-10, -10, 2000, 1000}, {0, 24, 1280, 776}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fitFrame(c.frame, kWorkArea), c.expected);
    }
    // No work area known: left alone.
    EXPECT_EQ(fitFrame({5, 5, 3000, 3000}, QRect()), QRect(5, 5, 3000, 3000));
}

TEST(WindowFit, ClientsLeaveRoomForTheirDecorations) {
    // "main" at its first size with a 24-pixel title bar and 1-pixel borders: the whole frame,
    // title bar included, lands on the screen below the panel.
    const QMargins decorations(1, 24, 1, 1);
    const QRect client = fitClient({163, 24, 956, 891}, decorations, kWorkArea);
    EXPECT_EQ(client, QRect(163, 48, 956, 751));
    EXPECT_TRUE(kWorkArea.contains(client.marginsAdded(decorations)));
    // Decorations not known yet fit the client alone.
    EXPECT_EQ(fitClient({0, 0, 956, 891}, {}, kWorkArea), QRect(0, 24, 956, 776));
    // Decorations that leave no room keep a client of at least one pixel.
    EXPECT_EQ(fitClient({0, 0, 100, 100}, QMargins(0, 900, 0, 0), kWorkArea).size(), QSize(100, 1));
}

TEST(WindowFit, TheWorkAreaIsThatOfTheScreenHoldingTheFramesMiddle) {
    // Two monitors side by side; the left one has a panel along its bottom.
    const QList<platform::ScreenArea> screens{{{0, 0, 1280, 1080}, {0, 0, 1280, 1056}},
                                              {{1280, 0, 1280, 1080}, {1280, 0, 1280, 1080}}};
    const QRect stale(1, 2, 3, 4);
    // "main" placed on the right monitor, while Qt still names the left one as its screen.
    EXPECT_EQ(platform::workAreaHolding({1600, 0, 958, 911}, screens, stale), screens[1].workArea);
    EXPECT_EQ(platform::workAreaHolding({323, 0, 958, 911}, screens, stale), screens[0].workArea);
    // Astride both, the screen with more of it.
    EXPECT_EQ(platform::workAreaHolding({900, 0, 958, 911}, screens, stale), screens[1].workArea);
    // Off every screen: the one it was on.
    EXPECT_EQ(platform::workAreaHolding({3000, 0, 958, 911}, screens, stale), stale);
}

// Qt's offscreen screens have no panels: the work area is the screen, 800 × 600.
TEST(WindowFit, AWindowShownOpensInsideTheWorkArea) {
    QWidget window;
    platform::fitWhenShown(window);
    window.resize(956, 891);
    window.move(-40, 300);
    window.show();
    const QRect area = window.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y();
    EXPECT_EQ(window.size(), window.size().boundedTo(area.size()));

    // Moved off the screen by its user later: left there.
    window.move(-40, 300);
    EXPECT_EQ(window.pos(), QPoint(-40, 300));
}

} // namespace
