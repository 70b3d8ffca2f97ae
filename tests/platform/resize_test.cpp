#include "platform/image/resize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// Reference resampling in floating point, written from the definition rather than from
// the production code: along each axis a shrinking destination pixel averages the source
// interval it covers, an enlarging one interpolates linearly between the two source pixel
// centres around its own centre.
std::vector<double> referenceWeights(int src, int dst, int i) {
    std::vector<double> w(src, 0.0);
    if (dst <= src) {
        const double lo = double(i) * src / dst, hi = double(i + 1) * src / dst;
        for (int j = 0; j < src; ++j) {
            w[j] = std::max(0.0, std::min(hi, j + 1.0) - std::max(lo, double(j))) / (hi - lo);
        }
    } else {
        const double centre = std::clamp((i + 0.5) * src / dst - 0.5, 0.0, src - 1.0);
        const int j = std::min(int(std::floor(centre)), src - 1);
        const double f = centre - j;
        w[j] += 1 - f;
        if (f > 0) w[j + 1] += f;
    }
    return w;
}

double referenceChannel(const Image& source, int w, int h, int x, int y, int shift) {
    const auto wx = referenceWeights(source.width(), w, x);
    const auto wy = referenceWeights(source.height(), h, y);
    double sum = 0;
    for (int sy = 0; sy < source.height(); ++sy) {
        for (int sx = 0; sx < source.width(); ++sx) {
            sum += wx[sx] * wy[sy] * double((source.at(sx, sy) >> shift) & 0xFF);
        }
    }
    return sum;
}

void expectMatchesReference(const Image& source, int w, int h) {
    const Image result = resizeSmooth(source, w, h);
    ASSERT_EQ(result.width(), w);
    ASSERT_EQ(result.height(), h);
    EXPECT_EQ(result.depth(), source.depth());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int shift = 0; shift < 32; shift += 8) {
                const double exact = referenceChannel(source, w, h, x, y, shift);
                const int got = int((result.at(x, y) >> shift) & 0xFF);
                ASSERT_LE(std::abs(got - exact), 0.5 + 1e-6)
                    << source.width() << "x" << source.height() << " -> " << w << "x" << h << " at "
                    << x << "," << y << " channel " << shift / 8;
            }
        }
    }
}

TEST(ResizeSmooth, MatchesTheReferenceInEveryDirection) {
    const Image source = patternImage(7, 5, 32);
    expectMatchesReference(source, 3, 2);    // shrink both, non-integer ratio
    expectMatchesReference(source, 16, 11);  // enlarge both
    expectMatchesReference(source, 4, 13);   // shrink x, enlarge y
    expectMatchesReference(source, 19, 5);   // enlarge x, keep y
    expectMatchesReference(patternImage(1, 1, 32), 3, 4);
    expectMatchesReference(patternImage(9, 1, 32), 2, 1);
}

TEST(ResizeSmooth, HalvingAveragesBlocksAndDoublingInterpolates) {
    // Halving: (0 + 100 + 40 + 60) / 4 = 50.
    const Image block = imageFromPixels(2, 2, {0, 100, 40, 60});
    EXPECT_EQ(resizeSmooth(block, 1, 1).at(0, 0), 0xFF000000u | 50u);
    // Doubling 0, 200: centres at -0.25, 0.25, 0.75, 1.25 source pixels.
    const Image pair = imageFromPixels(2, 1, {0, 200});
    EXPECT_TRUE(
        imagesEqual(resizeSmooth(pair, 4, 1), imageFromPixels(4, 1, {0, 50, 150, 200}), "doubled"));
    // Three into two: (2a + b) / 3 and (b + 2c) / 3.
    const Image three = imageFromPixels(3, 1, {30, 90, 150});
    EXPECT_TRUE(
        imagesEqual(resizeSmooth(three, 2, 1), imageFromPixels(2, 1, {50, 130}), "three-two"));
}

TEST(ResizeSmooth, UniformStaysUniformExactly) {
    for (const Color fill : {0x00000000u, 0xFFFFFFFFu, 0x7F01FE80u, 0x03FD0102u}) {
        const Image source(37, 23, 32, fill);
        for (const auto& [w, h] : {std::pair{16, 16}, std::pair{101, 7}, std::pair{36, 24},
                                   std::pair{1, 1}, std::pair{200, 300}}) {
            EXPECT_TRUE(imagesEqual(resizeSmooth(source, w, h), Image(w, h, 32, fill), "uniform"));
        }
    }
}

TEST(ResizeSmooth, SameSizeIsAnExactCopyAndDepthIsKept) {
    const Image pattern32 = patternImage(13, 9, 32);
    EXPECT_TRUE(imagesEqual(resizeSmooth(pattern32, 13, 9), pattern32, "same-size"));
    const Image result24 = resizeSmooth(patternImage(13, 9, 24), 40, 5);
    EXPECT_EQ(result24.depth(), 24);
    for (Color p : result24.pixels())
        EXPECT_EQ(alphaOf(p), 255);
}

TEST(ResizeSmooth, ShrinkingAveragesRatherThanPicks) {
    // A one-pixel checkerboard halves to a flat gray, never to black or white.
    Image board(8, 8, 24);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            board.at(x, y) = (x + y) % 2 ? 0xFFC8C8C8 : 0xFF000000;
    }
    EXPECT_TRUE(imagesEqual(resizeSmooth(board, 4, 4), Image(4, 4, 24, 0x646464), "gray"));
}

}  // namespace
}  // namespace vd::test
