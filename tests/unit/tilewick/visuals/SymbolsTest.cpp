#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/KeySymbol.h"
#include "tilewick/visuals/SolidArrow.h"

#include <gtest/gtest.h>

namespace {

using namespace tilewick;

// Every symbol name the program's views draw.
const QStringList kUsedSymbols =
    QStringLiteral("arrowtriangle.left.fill arrowtriangle.right.fill arrowtriangle.up.fill "
                   "arrowtriangle.down.fill return arrow.right.to.line space delete.left delete.right "
                   "escape arrow.up.left arrow.down.right arrow.up.to.line arrow.down.to.line globe "
                   "control option shift command exclamationmark.triangle exclamationmark.octagon "
                   "exclamationmark.bubble square.and.pencil pencil keyboard trash magnifyingglass "
                   "xmark.circle.fill questionmark questionmark.circle info.circle checkmark.circle "
                   "chevron.up chevron.down gearshape.fill app.dashed arrow.counterclockwise "
                   "arrow.clockwise rectangle.split.2x1 wifi lightbulb heart")
        .split(u' ');

TEST(SymbolTable, DrawsEveryNameTheViewsUseInsideItsBox) {
    for (const QString& name : kUsedSymbols) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(Symbols::contains(name));
        for (SymbolWeight weight : {SymbolWeight::Light, SymbolWeight::Regular, SymbolWeight::Bold}) {
            const QPainterPath path = Symbols::path(name, 24, weight);
            ASSERT_FALSE(path.isEmpty());
            const QRectF bounds = path.boundingRect();
            EXPECT_TRUE(QRectF(0, 0, 24, 24).contains(bounds))
                << bounds.x() << "," << bounds.y() << " " << bounds.width() << "x" << bounds.height();
            // Large enough to read: at least half the box one way.
            EXPECT_GE(std::max(bounds.width(), bounds.height()), 12);
        }
    }
    EXPECT_EQ(Symbols::names().size(), kUsedSymbols.size());
}

TEST(SymbolTable, OutlinesAskedForWhileTheyArePreparedStayTheSame) {
    // This thread and the preparing one race for the same outlines; each is built once.
    QList<QPainterPath> during;
    {
        const platform::Symbols::OutlinePreparation preparation;
        for (SymbolWeight weight : {SymbolWeight::Medium, SymbolWeight::Semibold})
            for (const QString& name : kUsedSymbols)
                during << Symbols::path(name, 24, weight);
    }
    qsizetype i = 0;
    for (SymbolWeight weight : {SymbolWeight::Medium, SymbolWeight::Semibold})
        for (const QString& name : kUsedSymbols) {
            SCOPED_TRACE(name.toStdString());
            const QPainterPath after = Symbols::path(name, 24, weight);
            ASSERT_EQ(after.elementCount(), during[i].elementCount());
            for (int e = 0; e < after.elementCount(); ++e)
                ASSERT_EQ(QPointF(after.elementAt(e)), QPointF(during[i].elementAt(e)));
            ++i;
        }
}

TEST(SymbolTable, ScalesToAnySizeAndThickensWithWeight) {
    const QRectF at24 = Symbols::path("globe", 24).boundingRect();
    const QRectF at12 = Symbols::path("globe", 12).boundingRect();
    EXPECT_NEAR(at12.width() * 2, at24.width(), 1e-6);
    EXPECT_NEAR(at12.left() * 2, at24.left(), 1e-6);
    // The same ring, drawn heavier, covers a point just outside its regular stroke.
    EXPECT_FALSE(
        Symbols::path("magnifyingglass", 24, SymbolWeight::Light).contains(QPointF(10, 10 - 6.5 - 0.8)));
    EXPECT_TRUE(
        Symbols::path("magnifyingglass", 24, SymbolWeight::Bold).contains(QPointF(10, 10 - 6.5 - 0.8)));
}

TEST(SymbolTable, UnknownNamesDrawNothing) {
    EXPECT_FALSE(Symbols::contains("no.such.symbol"));
    EXPECT_TRUE(Symbols::path("no.such.symbol", 20).isEmpty());
}

TEST(SymbolTable, CutOutsStayOpen) {
    // The cross of the filled circle and the gear's hole are holes, not filled.
    EXPECT_FALSE(Symbols::path("xmark.circle.fill", 24).contains(QPointF(12, 12)));
    EXPECT_TRUE(Symbols::path("xmark.circle.fill", 24).contains(QPointF(12, 5)));
    EXPECT_FALSE(Symbols::path("gearshape.fill", 24).contains(QPointF(12, 12)));
    EXPECT_TRUE(Symbols::path("gearshape.fill", 24).contains(QPointF(12, 7)));
}

TEST(KeySymbols, ArrowsAreTrianglesTurnedTheirWay) {
    EXPECT_EQ(KeySymbol::arrowAngle("arrowtriangle.up.fill"), 0);
    EXPECT_EQ(KeySymbol::arrowAngle("arrowtriangle.right.fill"), 90);
    EXPECT_EQ(KeySymbol::arrowAngle("arrowtriangle.down.fill"), 180);
    EXPECT_EQ(KeySymbol::arrowAngle("arrowtriangle.left.fill"), 270);
    EXPECT_EQ(KeySymbol::arrowAngle("globe"), -1);

    const KeySymbol left{"arrowtriangle.left.fill", 20};
    EXPECT_EQ(left.boxSize(), QSizeF(12, 12));
    // A 9.2 × 11.2 triangle turned to point left: 11.2 wide, 9.2 high, apex at the left middle.
    const QRectF bounds = left.path().boundingRect();
    EXPECT_NEAR(bounds.width(), 11.2, 1e-6);
    EXPECT_NEAR(bounds.height(), 9.2, 1e-6);
    EXPECT_NEAR(bounds.center().x(), 6, 1e-6);
    EXPECT_NEAR(bounds.center().y(), 6, 1e-6);
    const QPainterPath::Element apex = left.path().elementAt(0);
    EXPECT_NEAR(apex.x, bounds.left(), 1e-6);
    EXPECT_NEAR(apex.y, 6, 1e-6);

    const KeySymbol up{"arrowtriangle.up.fill", 20, SymbolWeight::Bold};
    EXPECT_EQ(up.path().boundingRect().size(), left.path().boundingRect().size().transposed());
    // The weight does not change the triangles.
    EXPECT_EQ(up.path(), (KeySymbol{"arrowtriangle.up.fill", 20}.path()));
}

TEST(KeySymbols, OtherNamesComeFromTheTable) {
    const KeySymbol globe{"globe", 16, SymbolWeight::Bold};
    EXPECT_EQ(globe.boxSize(), QSizeF(16, 16));
    EXPECT_EQ(globe.path(), Symbols::path("globe", 16, SymbolWeight::Bold));
}

TEST(SolidArrows, FillTheirRectangleAndMirrorToPointLeft) {
    const QRectF rect(10, 0, 100, 20);
    const QPainterPath right = solidArrowPath(rect, false);
    EXPECT_EQ(right.boundingRect(), rect);
    // Head 16 long (0.8 h), shaft 7.6 thick.
    EXPECT_TRUE(right.contains(QPointF(109, 10)));
    EXPECT_TRUE(right.contains(QPointF(11, 10)));
    EXPECT_FALSE(right.contains(QPointF(11, 5)));
    EXPECT_TRUE(right.contains(QPointF(95, 1)));
    EXPECT_FALSE(right.contains(QPointF(93, 1)));

    const QPainterPath left = solidArrowPath(rect, true);
    EXPECT_EQ(left.boundingRect(), rect);
    EXPECT_TRUE(left.contains(QPointF(25, 1)));
    EXPECT_FALSE(left.contains(QPointF(27, 1)));
    EXPECT_FALSE(left.contains(QPointF(109, 5)));
}

} // namespace
