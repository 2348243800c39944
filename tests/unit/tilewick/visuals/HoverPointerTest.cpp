#include "tilewick/visuals/HoverLift.h"

#include <gtest/gtest.h>

#include <QColor>

using namespace tilewick;

namespace {

// The black pixel furthest down and to the left: the pencil's tip.
QPoint tip(const QImage& image) {
    QPoint best(-1, -1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && c.lightness() < 60 && y - x > best.y() - best.x())
                best = {x, y};
        }
    return best;
}

} // namespace

TEST(HoverPointerTest, ThePencilIsMadeInTheScreensPixelsWithItsHotSpotOnTheTip) {
    struct Case {
        qreal scale;
        QSize size;
        QPoint hotSpot;
    };
    for (const Case& c : {Case{1, {19, 19}, {3, 15}}, Case{2, {38, 38}, {7, 31}}}) {
        const HoverPointer::PencilCursor pencil = HoverPointer::PencilCursor::at(c.scale);
        EXPECT_EQ(pencil.image.size(), c.size) << c.scale;
        EXPECT_EQ(pencil.image.devicePixelRatio(), 1) << c.scale;
        EXPECT_EQ(pencil.hotSpot, c.hotSpot) << c.scale;
        const QPoint drawn = tip(pencil.image);
        EXPECT_LE((drawn - pencil.hotSpot).manhattanLength(), 2 * c.scale)
            << c.scale << " tip at " << drawn.x() << "," << drawn.y();
    }
}
