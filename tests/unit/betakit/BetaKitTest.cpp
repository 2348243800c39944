#include "betakit/BetaKit.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

namespace {

class BetaKitTest : public SimPlatformTest {};

TEST_F(BetaKitTest, SupportFolderLiesInApplicationSupportUnderTheMakersFolder) {
    EXPECT_EQ(betakit::supportFolder(paths(), QStringLiteral("tile-wick")),
              paths().applicationSupport() + QStringLiteral("/Veldor Pellrath Beta/tile-wick"));
}

} // namespace
