#include "platform/drawing/PictureCache.h"

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
