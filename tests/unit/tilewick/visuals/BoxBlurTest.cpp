#include "tilewick/visuals/BoxBlur.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using tilewick::blurAlpha;

// The blur as its definition reads: each average taken afresh over its window, rounded to nearest
// in whole numbers.
std::vector<uchar> plainBlur(std::vector<uchar> plane, int width, int height, int radius) {
    const int window = 2 * radius + 1;
    const auto at = [&](const std::vector<uchar>& from, int x, int y) {
        return x >= 0 && x < width && y >= 0 && y < height ? int(from[size_t(y) * size_t(width) + size_t(x)])
                                                           : 0;
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (const bool alongRows : {true, false}) {
            const std::vector<uchar> from = plane;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    int sum = 0;
                    for (int d = -radius; d <= radius; ++d)
                        sum += alongRows ? at(from, x + d, y) : at(from, x, y + d);
                    plane[size_t(y) * size_t(width) + size_t(x)] = uchar((sum + window / 2) / window);
                }
        }
    }
    return plane;
}

TEST(BoxBlur, GivesTheBytesOfThePlainDefinition) {
    std::mt19937 random(41);
    // Planes narrower or shorter than the window, single rows and columns, and the radii
    // shadows take at large scales; full coverage reaches the largest sums.
    const std::vector<std::tuple<int, int, int>> shapes{
        {1, 1, 1},   {1, 9, 2},    {9, 1, 3},     {5, 4, 7},     {37, 23, 1},
        {64, 48, 4}, {41, 70, 12}, {120, 90, 33}, {700, 3, 340}, {2, 900, 450}};
    for (const auto& [width, height, radius] : shapes) {
        for (int fill = 0; fill < 3; ++fill) {
            std::vector<uchar> plane(size_t(width) * size_t(height));
            for (uchar& value : plane)
                value = fill == 0   ? uchar(255)
                        : fill == 1 ? uchar(random() % 256)
                                    : uchar(random() % 4 ? 0 : 255);
            const std::vector<uchar> expected = plainBlur(plane, width, height, radius);
            blurAlpha(plane.data(), width, height, radius);
            EXPECT_EQ(plane, expected)
                << width << " x " << height << ", radius " << radius << ", fill " << fill;
        }
    }
}

} // namespace
