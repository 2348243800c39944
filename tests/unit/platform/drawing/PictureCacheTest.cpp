#include "platform/drawing/PictureCache.h"
#include "platform/drawing/Layer.h"

#include <gtest/gtest.h>

namespace {

using platform::PictureCache;

QImage picture() {
    return QImage(10, 10, QImage::Format_ARGB32_Premultiplied);
}

// What a trim lets go of is what was not drawn since the trim before: the pictures of a size
// drawn once and left behind by a resize, not those the current size still draws.
TEST(PictureCache, ATrimLetsGoOfWhatWasNotDrawnSinceTheTrimBefore) {
    PictureCache cache(1024 * 1024);
    ASSERT_NE(cache.keep("a", picture()), nullptr);
    ASSERT_NE(cache.keep("b", picture()), nullptr);
    cache.trim();
    EXPECT_EQ(cache.count(), 2);

    ASSERT_NE(cache.find("a"), nullptr);
    ASSERT_NE(cache.keep("c", picture()), nullptr);
    cache.trim();
    EXPECT_EQ(cache.find("b"), nullptr);
    EXPECT_NE(cache.find("a"), nullptr);
    EXPECT_NE(cache.find("c"), nullptr);
    EXPECT_EQ(cache.bytes(), 2 * picture().sizeInBytes());
}

TEST(PictureCache, APictureLargerThanTheBudgetIsNotKept) {
    PictureCache cache(picture().sizeInBytes() - 1);
    EXPECT_EQ(cache.keep("a", picture()), nullptr);
    EXPECT_EQ(cache.count(), 0);
}

} // namespace

// A kept picture is found again for the same outline anywhere, and only for it: a shape moved
// keeps its key, one that differs by a 64th of a point or in how its points join does not.
TEST(PictureCacheKeys, TheSameOutlineAnywhereAndNoOther) {
    QPainterPath card;
    card.addRoundedRect(QRectF(0, 0, 120, 80), 12, 12);
    EXPECT_EQ(platform::shapeCacheKey(card), platform::shapeCacheKey(card.translated(37.5, -4)));
    QPainterPath wider;
    wider.addRoundedRect(QRectF(0, 0, 120 + 1.0 / 64, 80), 12, 12);
    EXPECT_NE(platform::shapeCacheKey(card), platform::shapeCacheKey(wider));
    QPainterPath lines, curve;
    for (const QPointF point : {QPointF(0, 10), QPointF(10, 10), QPointF(10, 0)})
        lines.lineTo(point);
    curve.cubicTo(QPointF(0, 10), QPointF(10, 10), QPointF(10, 0));
    EXPECT_NE(platform::shapeCacheKey(lines), platform::shapeCacheKey(curve));
}
