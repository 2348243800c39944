#include "support/SimPlatformTest.h"

#include "tilewick/mainwindow/TabGlyph.h"

#include <QPainter>

namespace {

using namespace tilewick;

TEST(TabGlyph, LayoutTabsShowTheirGridOfTiles) {
    const QSizeF size(30, 20);
    const qreal g = 1.8; // 0.06 × 30
    EXPECT_DOUBLE_EQ(TabGlyph::gap(size), g);
    EXPECT_DOUBLE_EQ(TabGlyph::cornerRadius(size), 1.8);
    // Small glyphs keep a gap of 1.5 and a radius of 1.
    EXPECT_DOUBLE_EQ(TabGlyph::gap({10, 10}), 1.5);
    EXPECT_DOUBLE_EQ(TabGlyph::cornerRadius({10, 10}), 1.0);

    struct Case {
        SnapTab tab;
        int tiles;
        QSizeF first;
    };
    const Case cases[] = {
        {SnapTab::halves, 2, {(30 - g) / 2, 20}},
        {SnapTab::thirds, 3, {(30 - 2 * g) / 3, 20}},
        {SnapTab::fourColumns, 4, {(30 - 3 * g) / 4, 20}},
        {SnapTab::quarters, 4, {(30 - g) / 2, (20 - g) / 2}},
        {SnapTab::sixths, 6, {(30 - 2 * g) / 3, (20 - g) / 2}},
        {SnapTab::eighths, 8, {(30 - 3 * g) / 4, (20 - g) / 2}},
        {SnapTab::upDownHalves, 2, {30, (20 - g) / 2}},
        {SnapTab::upDownThirds, 3, {30, (20 - 2 * g) / 3}},
        // The two-thirds tabs: two to one.
        {SnapTab::twoThirds, 2, {(30 - g) * 2 / 3, 20}},
        {SnapTab::upDownTwoThirds, 2, {30, (20 - g) * 2 / 3}},
        {SnapTab::global, 0, {}},
        {SnapTab::appSnaps, 0, {}},
    };
    for (const Case& c : cases) {
        const QList<QRectF> tiles = TabGlyph::tiles(c.tab, size);
        ASSERT_EQ(tiles.size(), c.tiles) << betaLogName(c.tab);
        if (tiles.isEmpty())
            continue;
        EXPECT_NEAR(tiles.first().width(), c.first.width(), 1e-9) << betaLogName(c.tab);
        EXPECT_NEAR(tiles.first().height(), c.first.height(), 1e-9) << betaLogName(c.tab);
        // The tiles fill the glyph to its edges.
        QRectF all;
        for (const QRectF& tile : tiles)
            all |= tile;
        EXPECT_NEAR(all.width(), 30, 1e-9) << betaLogName(c.tab);
        EXPECT_NEAR(all.height(), 20, 1e-9) << betaLogName(c.tab);
    }
    // The second two-thirds tile takes the rest after the gap.
    const QList<QRectF> split = TabGlyph::tiles(SnapTab::twoThirds, size);
    EXPECT_NEAR(split[1].left(), split[0].right() + g, 1e-9);
}

TEST(TabGlyph, StickAIsThreeStrokes) {
    const QPainterPath a = TabGlyph::stickA({0, 0, 100, 50});
    ASSERT_EQ(a.elementCount(), 6);
    const QList<QPointF> points{{20, 46}, {50, 4}, {80, 46}, {50, 4}, {16, 32}, {84, 32}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(a.elementAt(i).isMoveTo(), i % 2 == 0) << i;
        EXPECT_NEAR(a.elementAt(i).x, points[i].x(), 1e-9) << i;
        EXPECT_NEAR(a.elementAt(i).y, points[i].y(), 1e-9) << i;
    }
}

// A tab button 50 × 38 drawn on the page background.
QImage button(SnapTab tab, bool selected, bool pressed, Scheme scheme) {
    QImage image(50, 38, QImage::Format_ARGB32_Premultiplied);
    image.fill(Theme::background.resolve(scheme));
    QPainter painter(&image);
    TabIconStyle{selected}.paint(painter, {0, 0, 50, 38}, TabGlyph{tab, selected}, {30, 20}, pressed, scheme);
    return image;
}

using TabIconStyleTest = SimPlatformTest;

TEST_F(TabIconStyleTest, SelectedButtonsTakeTheGradientAndAWhiteGlyph) {
    // Unselected: the card colour inside a neutral border, the glyph in the accent.
    const QImage plain = button(SnapTab::halves, false, false, Scheme::Light);
    EXPECT_EQ(QColor(plain.pixel(25, 0)), QColor(228, 228, 238));
    EXPECT_EQ(QColor(plain.pixel(25, 5)), QColor(255, 255, 255));
    const QColor ink = plain.pixel(15, 19); // inside the left tile
    EXPECT_NEAR(ink.red(), 0.9 * 109 + 0.1 * 255, 2);
    EXPECT_NEAR(ink.blue(), 0.9 * 238 + 0.1 * 255, 2);
    // Selected: no border, the window gradient, white tiles.
    const QImage selected = button(SnapTab::halves, true, false, Scheme::Light);
    EXPECT_GT(qBlue(selected.pixel(25, 0)), 200);
    EXPECT_LT(qGreen(selected.pixel(25, 0)), 80);
    EXPECT_GT(qGreen(selected.pixel(15, 19)), 220);
    // Pressed: the button shows at 0.85 over the background.
    const QImage pressed = button(SnapTab::halves, false, true, Scheme::Dark);
    const QColor card(22, 22, 31), page(13, 13, 18);
    EXPECT_NEAR(qRed(pressed.pixel(25, 5)), 0.85 * card.red() + 0.15 * page.red(), 1);
}

} // namespace
