#include "BoxBlur.h"

#include <algorithm>
#include <vector>

namespace tilewick {

namespace {

// The rounded average of a window of 2r + 1 values from their sum: floor((sum + r) / (2r + 1)),
// as a multiplication the loops below can do several at a time. The quotient is computed from
// sum + r + 0.5, whose distance to a multiple of the window is at least half a unit, and the
// float's error stays far below that for every sum such a window can hold (radii up to 8,000).
class BoxAverage {
public:
    explicit BoxAverage(int radius)
        : m_offset(float(radius) + 0.5f), m_inverse(1.0f / float(2 * radius + 1)) {}
    uchar operator()(int sum) const { return uchar(int((float(sum) + m_offset) * m_inverse)); }

private:
    float m_offset;
    float m_inverse;
};

// One box blur along the rows. A window's sum is the difference of two running sums of the row,
// taken with r zeros before the row and the row's whole sum repeated r times after it.
void blurRows(uchar* plane, int width, int height, int r) {
    const BoxAverage average(r);
    std::vector<int> running(size_t(width) + 2 * size_t(r) + 1);
    int* before = running.data();
    const int* after = before + 2 * r + 1;
    for (int y = 0; y < height; ++y) {
        uchar* __restrict p = plane + size_t(y) * size_t(width);
        std::fill_n(before, r + 1, 0);
        int sum = 0;
        for (int x = 0; x < width; ++x) {
            sum += p[x];
            before[r + 1 + x] = sum;
        }
        std::fill(before + r + 1 + width, before + width + 2 * r + 1, sum);
        for (int x = 0; x < width; ++x)
            p[x] = average(after[x] - before[x]);
    }
}

// The same along the columns, a row at a time: every column's window moves down together, so
// the plane is read in the order it is laid out.
void blurColumns(uchar* plane, int width, int height, int r) {
    const BoxAverage average(r);
    const std::vector<uchar> source(plane, plane + size_t(width) * size_t(height));
    const std::vector<uchar> none(size_t(width), 0);
    const auto row = [&](int y) {
        return y >= 0 && y < height ? source.data() + size_t(y) * size_t(width) : none.data();
    };
    std::vector<int> sums(size_t(width), 0);
    int* s = sums.data();
    for (int y = 0; y < std::min(r, height - 1) + 1; ++y) {
        const uchar* in = row(y);
        for (int x = 0; x < width; ++x)
            s[x] += in[x];
    }
    for (int y = 0; y < height; ++y) {
        uchar* __restrict p = plane + size_t(y) * size_t(width);
        const uchar* entering = row(y + r + 1);
        const uchar* leaving = row(y - r);
        for (int x = 0; x < width; ++x) {
            p[x] = average(s[x]);
            s[x] += entering[x] - leaving[x];
        }
    }
}

} // namespace

void blurAlpha(uchar* plane, int width, int height, int radius) {
    if (width <= 0 || height <= 0 || radius <= 0)
        return;
    for (int pass = 0; pass < 3; ++pass) {
        blurRows(plane, width, height, radius);
        blurColumns(plane, width, height, radius);
    }
}

} // namespace tilewick
