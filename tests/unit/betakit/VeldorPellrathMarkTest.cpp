#include "support/Golden.h"

#include "betakit/VeldorPellrathMark.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

using namespace betakit;
using Scheme = platform::Appearance::Scheme;

// The path's elements as text: "M x y", "L x y", "C x y" (a curve's control points and end
// each give one "C"/"c" element in Qt's representation).
QStringList elements(const QPainterPath& path) {
    QStringList out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const auto e = path.elementAt(i);
        const char* kind = e.isMoveTo() ? "M" : e.isLineTo() ? "L" : e.isCurveTo() ? "C" : "c";
        out << QStringLiteral("%1 %2 %3").arg(kind).arg(e.x).arg(e.y);
    }
    return out;
}

TEST(MonogramShape, ReadsAbsoluteCommandsAsTheKitWritesThem) {
    struct Case {
        const char* text;
        QStringList elements;
    };
    const Case cases[] = {
        // A minus sign after a digit starts a new number; a comma is a blank.
        {"M10-5 L1,2", {"M 10 -5", "L 1 2"}},
        // Further pairs after a move are lines.
        {"M0 0 5 5 6 6", {"M 0 0", "L 5 5", "L 6 6"}},
        // An L with three numbers draws one line; leftovers are ignored.
        {"M0 0 L1 1 2", {"M 0 0", "L 1 1"}},
        // A Q with seven numbers draws one curve (Qt keeps it as a cubic: two controls and the end).
        {"M0 0 Q3 3 6 0 9", {"M 0 0", "C 2 2", "c 4 2", "c 6 0"}},
        {"M0 0 C1 1 2 2 3 3", {"M 0 0", "C 1 1", "c 2 2", "c 3 3"}},
        // An unreadable number reads as 0; other letters do nothing; the first command is M.
        {"4 4 L1.2.3 7 X 9 9", {"M 4 4", "L 0 7"}},
        // A move with one number moves nowhere.
        {"M5 L1 1", {"M 0 0", "L 1 1"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(elements(MonogramShape::parseOutline(QString::fromLatin1(c.text))), c.elements) << c.text;
    // Z closes the subpath back to its start.
    const QPainterPath closed = MonogramShape::parseOutline(u"M0 0 L10 0 L10 10 Z");
    EXPECT_EQ(closed.elementCount(), 4);
    EXPECT_EQ(QPointF(closed.elementAt(3)), QPointF(0, 0));
}

TEST(MonogramShape, OutlineFillsItsDesignBoxWithFourSubpaths) {
    const QPainterPath& outline = MonogramShape::outline();
    EXPECT_EQ(outline.fillRule(), Qt::OddEvenFill);
    const QRectF box = outline.boundingRect();
    EXPECT_NEAR(box.left(), MonogramShape::kMinX, 0.01);
    EXPECT_NEAR(box.top(), MonogramShape::kMinY, 0.01);
    EXPECT_NEAR(box.width(), MonogramShape::kWidth, 0.01);
    EXPECT_NEAR(box.height(), MonogramShape::kHeight, 0.01);
    int moves = 0;
    for (int i = 0; i < outline.elementCount(); ++i)
        moves += outline.elementAt(i).isMoveTo();
    EXPECT_EQ(moves, 4);
    // The bowl's counter is a hole.
    EXPECT_FALSE(outline.contains(QPointF(850, 455)));
    EXPECT_TRUE(outline.contains(QPointF(1050, 455)));
}

TEST(MonogramShape, FitsUniformlyAndCentres) {
    const double ratio = MonogramShape::kHeight / MonogramShape::kWidth;
    struct Case {
        QRectF rect;
        QRectF expected;
    };
    const Case cases[] = {
        // Square: as wide as the container, centred vertically.
        {{0, 0, 100, 100}, {0, 50 - 50 * ratio, 100, 100 * ratio}},
        // Wide: as high as the container, centred horizontally.
        {{10, 20, 300, 17}, {160 - 8.5 / ratio, 20, 17 / ratio, 17}},
    };
    for (const Case& c : cases) {
        const QRectF box = MonogramShape::path(c.rect).boundingRect();
        EXPECT_NEAR(box.left(), c.expected.left(), 1e-6);
        EXPECT_NEAR(box.top(), c.expected.top(), 1e-6);
        EXPECT_NEAR(box.width(), c.expected.width(), 1e-6);
        EXPECT_NEAR(box.height(), c.expected.height(), 1e-6);
    }
    EXPECT_EQ(MonogramShape::path({0, 0, 22, 17}).fillRule(), Qt::OddEvenFill);
}

TEST(VeldorPellrathMark, SchemeChangesOnlyTheGradientColours) {
    const QRectF rect(0, 0, 40, 17); // as high as it is given, centred across
    const QLinearGradient light = VeldorPellrathMark::gradient(rect, Scheme::Light);
    const QLinearGradient dark = VeldorPellrathMark::gradient(rect, Scheme::Dark);
    EXPECT_EQ(light.start(), dark.start());
    EXPECT_EQ(light.finalStop(), dark.finalStop());
    const QGradientStops lightStops{
        {0, QColor("#6D3BEE")}, {0.45, QColor("#8A33E6")}, {1, QColor("#C026D5")}};
    const QGradientStops darkStops{{0, QColor("#8B5CF6")}, {0.45, QColor("#A35BF4")}, {1, QColor("#D946EF")}};
    EXPECT_EQ(light.stops(), lightStops);
    EXPECT_EQ(dark.stops(), darkStops);
    // The diagonal from design point (186.6, 186.6) to (1067.4, 1067.4), in the fitted box.
    const double s = 17 / MonogramShape::kHeight;
    const double left = 20 - s * MonogramShape::kWidth / 2;
    EXPECT_NEAR(light.start().x(), left + (186.6 - MonogramShape::kMinX) * s, 1e-9);
    EXPECT_NEAR(light.start().y(), (186.6 - MonogramShape::kMinY) * s, 1e-9);
    EXPECT_NEAR(light.finalStop().x(), left + (1067.4 - MonogramShape::kMinX) * s, 1e-9);
    EXPECT_NEAR(light.finalStop().y(), (1067.4 - MonogramShape::kMinY) * s, 1e-9);
}

TEST(VeldorPellrathMark, DrawsAtTheSizesItIsShownAt) {
    QImage sheet(QSize(2 * (32 + 22 + 24) + 24, 2 * 40), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    painter.scale(2, 2);
    painter.fillRect(QRectF(0, 0, 39, 40), QColor(247, 247, 251));
    painter.fillRect(QRectF(39, 0, 51, 40), QColor(13, 13, 18));
    VeldorPellrathMark::paint(painter, {4, 4, 22, 17}, Scheme::Light);
    VeldorPellrathMark::paint(painter, {4, 24, 32, 24 - 10}, Scheme::Light);
    VeldorPellrathMark::paint(painter, {43, 4, 32, 24}, Scheme::Dark);
    painter.end();
    EXPECT_TRUE(matchesGolden(sheet, "betakit/maker-mark"));
    VeldorPellrathMark mark;
    EXPECT_EQ(mark.accessibleName(), "Veldor Pellrath");
}

} // namespace
