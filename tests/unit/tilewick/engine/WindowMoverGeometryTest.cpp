#include "tilewick/engine/WindowMover.h"

#include <gtest/gtest.h>

#include <cmath>

using tilewick::SnapAction;
using tilewick::SnapKind;
using tilewick::WindowMover;

namespace {

QRectF placed(SnapAction action, const QRectF& window, const QRectF& visible) {
    auto t = WindowMover::targetFrame(tilewick::kind(action), window, visible);
    return t ? WindowMover::rounded(*t) : QRectF();
}

TEST(WindowMoverGeometry, CellsAreRoundedEdgeByEdge) {
    const QRectF visible(0, 25, 1000, 875);
    const QRectF window(10, 40, 500, 400);
    // Thirds of 1000: edges at 333.33 → 333 and 666.67 → 667, so the middle one is 334 wide and
    // the three share their edges.
    EXPECT_EQ(placed(SnapAction::leftThird, window, visible), QRectF(0, 25, 333, 875));
    EXPECT_EQ(placed(SnapAction::centreThird, window, visible), QRectF(333, 25, 334, 875));
    EXPECT_EQ(placed(SnapAction::rightThird, window, visible), QRectF(667, 25, 333, 875));
    EXPECT_EQ(placed(SnapAction::leftHalf, window, visible), QRectF(0, 25, 500, 875));
    EXPECT_EQ(placed(SnapAction::bottomTwoThirds, window, QRectF(0, 25, 1440, 900)),
              QRectF(0, 325, 1440, 600));
    EXPECT_EQ(placed(SnapAction::bottomRightEighth, window, QRectF(0, 25, 1440, 900)),
              QRectF(1080, 475, 360, 450));
    // A visible frame of odd height (1049 below a 31-point panel): the halves meet at 555.5 → 556
    // and the bottom one ends on the visible frame's bottom edge, not a point below it.
    const QRectF odd(0, 31, 1280, 1049);
    EXPECT_EQ(placed(SnapAction::topHalf, window, odd), QRectF(0, 31, 1280, 525));
    EXPECT_EQ(placed(SnapAction::bottomHalf, window, odd), QRectF(0, 556, 1280, 524));
    EXPECT_EQ(placed(SnapAction::bottomRightQuarter, window, odd), QRectF(640, 556, 640, 524));
    // Every cell of every layout stays inside its visible frame, whatever its fractions.
    for (const QRectF& v : {odd, QRectF(0, 25, 1001, 875), QRectF(-1280.5, 0, 1279, 1023)})
        for (SnapAction action :
             {SnapAction::rightThird, SnapAction::bottomHalf, SnapAction::bottomRightEighth,
              SnapAction::rightTwoThirds, SnapAction::bottomRightQuarter}) {
            const QRectF cell = placed(action, window, v);
            EXPECT_LE(cell.right(), std::round(v.right())) << tilewick::rawValue(action).toStdString();
            EXPECT_LE(cell.bottom(), std::round(v.bottom())) << tilewick::rawValue(action).toStdString();
        }
}

TEST(WindowMoverGeometry, RoundingTakesHalvesAwayFromZero) {
    // Edges: left 0.5 → 1 and right 3.0, top −0.5 → −1 and bottom 0.99 → 1.
    EXPECT_EQ(WindowMover::rounded(QRectF(0.5, -0.5, 2.5, 1.49)), QRectF(1, -1, 2, 2));
    EXPECT_EQ(WindowMover::rounded(QRectF(-2.5, -1440.5, 332.5, 0.4)), QRectF(-3, -1441, 333, 1));
}

TEST(WindowMoverGeometry, AWindowLandsAtItsLeadingEdgesOrInsideAtTheFarOnes) {
    const QRectF target(640, 556, 640, 524);
    EXPECT_TRUE(WindowMover::landedAt(QRectF(641.9, 554.1, 900, 900), target)) << "the size is not compared";
    EXPECT_FALSE(WindowMover::landedAt(QRectF(642, 556, 640, 524), target));
    // A terminal short of its cell, kept at the work area's right and bottom edges.
    EXPECT_TRUE(WindowMover::landedAt(QRectF(646, 565, 634, 515), target));
    EXPECT_FALSE(WindowMover::landedAt(QRectF(646, 565, 630, 515), target)) << "neither edge in place";
    // Ending at the far edge but sticking out at the near one is not in place.
    EXPECT_FALSE(WindowMover::landedAt(QRectF(600, 556, 680, 524), target));
}

TEST(WindowMoverGeometry, CentreMaximiseAndFocus) {
    const QRectF visible(0, 25, 1440, 875);
    EXPECT_EQ(placed(SnapAction::maximize, QRectF(5, 5, 10, 10), visible), visible);
    // Larger than the visible frame: exactly the visible frame.
    EXPECT_EQ(placed(SnapAction::centre, QRectF(-50, 0, 3000, 2000), visible), visible);
    // Smaller: same size, centred.
    EXPECT_EQ(placed(SnapAction::centre, QRectF(0, 0, 400, 300), visible), QRectF(520, 313, 400, 300));
    EXPECT_EQ(placed(SnapAction::focus, QRectF(0, 0, 2000, 300), visible), QRectF(0, 313, 1440, 300));
}

TEST(WindowMoverGeometry, NoTargetWithoutAreaOrForCommands) {
    const QRectF window(0, 0, 100, 100);
    EXPECT_FALSE(
        WindowMover::targetFrame(tilewick::kind(SnapAction::leftHalf), window, QRectF(0, 25, 0, 875)));
    EXPECT_FALSE(WindowMover::targetFrame(tilewick::kind(SnapAction::centre), window, QRectF(0, 25, 800, 0)));
    EXPECT_FALSE(WindowMover::targetFrame(SnapKind::cells(0, 1, 0, 0, 1, 1), window, QRectF(0, 0, 800, 600)));
    const QRectF visible(0, 0, 800, 600);
    EXPECT_FALSE(WindowMover::targetFrame(tilewick::kind(SnapAction::nextDisplay), window, visible));
    EXPECT_FALSE(WindowMover::targetFrame(tilewick::kind(SnapAction::undo), window, visible));
}

TEST(WindowMoverGeometry, FramesMatchWithinTwoPoints) {
    const QRectF a(100, 100, 500, 400);
    EXPECT_TRUE(WindowMover::framesMatch(a, QRectF(101.99, 98.01, 501, 399)));
    EXPECT_FALSE(WindowMover::framesMatch(a, QRectF(102, 100, 500, 400)));
    EXPECT_FALSE(WindowMover::framesMatch(a, QRectF(100, 100, 500, 402)));
}

TEST(WindowMoverGeometry, ScreenFramesConvertToTopLeft) {
    const QRectF primary(0, 0, 1440, 900);
    EXPECT_EQ(WindowMover::topLeft(QRectF(0, 0, 1440, 875), primary), QRectF(0, 25, 1440, 875));
    // A screen above the primary one has negative top-left y.
    EXPECT_EQ(WindowMover::topLeft(QRectF(0, 900, 1920, 1080), primary), QRectF(0, -1080, 1920, 1080));
}

TEST(WindowMoverGeometry, LargestOverlapTiesToTheFirstListed) {
    const QList<QRectF> screens{{0, 0, 1000, 800}, {1000, 0, 1000, 800}};
    EXPECT_EQ(WindowMover::largestOverlap(QRectF(900, 100, 200, 200), screens), 0);
    EXPECT_EQ(WindowMover::largestOverlap(QRectF(899, 100, 200, 200), screens), 0);
    EXPECT_EQ(WindowMover::largestOverlap(QRectF(901, 100, 200, 200), screens), 1);
    EXPECT_EQ(WindowMover::largestOverlap(QRectF(5000, 5000, 10, 10), screens), 0);
}

TEST(WindowMoverGeometry, DisplayOrderRunsLeftToRightAndWraps) {
    // Listed A, B, C but laid out B, A, C.
    const QRectF a(0, 25, 1000, 800), b(-1200, 0, 1200, 900), c(1000, 0, 800, 600);
    const QList<QRectF> visible{a, b, c};
    const QRectF w(0, 25, 500, 800); // the left half of A
    auto on = [&](int from, int step) {
        QRectF source = visible[from];
        QRectF window(source.x(), source.y(), source.width() / 2, source.height());
        auto t = WindowMover::displayTarget(step, from, visible, window);
        return t ? t->topLeft() : QPointF(-1, -1);
    };
    EXPECT_EQ(on(1, +1), a.topLeft());
    EXPECT_EQ(on(0, +1), c.topLeft());
    EXPECT_EQ(on(2, +1), b.topLeft());
    EXPECT_EQ(on(1, -1), c.topLeft());
    EXPECT_EQ(on(0, -1), b.topLeft());
    EXPECT_EQ(WindowMover::displayTarget(+1, 0, visible, w), QRectF(1000, 0, 400, 600));

    // Equal left edges: the upper screen comes first.
    const QList<QRectF> stacked{{0, 900, 1000, 800}, {0, 0, 1000, 800}};
    EXPECT_EQ(WindowMover::displayTarget(+1, 1, stacked, QRectF(0, 0, 10, 10))->topLeft(), QPointF(0, 900));

    // Three screens, two of them sharing a left edge, listed lower, left, upper: the order is left,
    // upper, lower, whatever the listing.
    const QRectF lower(0, 900, 1000, 800), left(-1000, 0, 1000, 800), upper(0, 0, 1000, 800);
    const QList<QRectF> three{lower, left, upper};
    const auto next = [&](int from, int step) {
        const auto t =
            WindowMover::displayTarget(step, from, three, QRectF(three[from].topLeft(), QSizeF(10, 10)));
        return t ? t->topLeft() : QPointF(-1, -1);
    };
    EXPECT_EQ(next(1, +1), upper.topLeft());
    EXPECT_EQ(next(2, +1), lower.topLeft());
    EXPECT_EQ(next(0, +1), left.topLeft());
    EXPECT_EQ(next(1, -1), lower.topLeft());
    EXPECT_EQ(next(0, -1), upper.topLeft());
}

TEST(WindowMoverGeometry, DisplayMovesKeepTheRelativePlaceAndSize) {
    const QRectF small(0, 25, 1440, 875), big(1440, -300, 2560, 1415);
    const QList<QRectF> visible{small, big};
    // A left half stays a left half.
    EXPECT_EQ(WindowMover::displayTarget(+1, 0, visible, QRectF(0, 25, 720, 875)),
              QRectF(1440, -300, 1280, 1415));
    // Larger than the source: fills the target.
    EXPECT_EQ(WindowMover::displayTarget(+1, 0, visible, QRectF(-100, 0, 3000, 1200)), big);
    // Hanging off the left edge: arrives flush with the target's left edge.
    auto off = WindowMover::displayTarget(+1, 0, visible, QRectF(-360, 25 + 87.5, 720, 437.5));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->x(), 1440);
    EXPECT_DOUBLE_EQ(off->y(), -300 + 0.1 * 1415);
    EXPECT_DOUBLE_EQ(off->width(), 1280);
    // Hanging off the right edge is clamped so the window stays inside.
    EXPECT_DOUBLE_EQ(WindowMover::displayTarget(-1, 1, visible, QRectF(3500, 0, 1280, 100))->right(), 1440);
    // No area on either side: nowhere to go.
    EXPECT_FALSE(WindowMover::displayTarget(+1, 0, {QRectF(0, 0, 0, 0), big}, QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(WindowMover::displayTarget(+1, 0, {small, QRectF(1440, 0, 100, 0)}, QRectF(0, 0, 10, 10)));
}

TEST(WindowMoverGeometry, SavedFramesAreFittedBackOntoTheScreens) {
    const QList<QRectF> visible{{0, 25, 1440, 875}, {1440, 0, 1920, 1080}};
    // A quarter or more still visible: unchanged.
    const QRectF quarter(1440 - 250, 100, 1000, 400);
    EXPECT_EQ(WindowMover::fitToScreens(quarter, {visible[0]}), quarter);
    EXPECT_EQ(WindowMover::fitToScreens(quarter.translated(1, 0), {visible[0]}), QRectF(440, 100, 1000, 400));
    // Less than a quarter visible: clamped into the screen it overlaps most.
    EXPECT_EQ(WindowMover::fitToScreens(QRectF(-900, 100, 1000, 400), visible), QRectF(0, 100, 1000, 400));
    // On a screen that is gone: into the nearest one, shrunk to fit.
    EXPECT_EQ(WindowMover::fitToScreens(QRectF(4000, 200, 2000, 500), visible), QRectF(1440, 200, 1920, 500));
    EXPECT_EQ(WindowMover::fitToScreens(QRectF(-3000, -2000, 300, 200), visible), QRectF(0, 25, 300, 200));
    // Screens without area are no place to go; without any, the frame stays as it was.
    EXPECT_EQ(WindowMover::fitToScreens(QRectF(4000, 200, 200, 100), {QRectF(0, 0, 0, 0)}),
              QRectF(4000, 200, 200, 100));
    EXPECT_EQ(WindowMover::fitToScreens(QRectF(4000, 200, 200, 100), {QRectF(0, 0, 0, 0), visible[0]}),
              QRectF(1240, 200, 200, 100));
}

} // namespace
