#include <gtest/gtest.h>

#include <set>

#include "quantize/ordered_dither.h"
#include "quantize/uniform.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

TEST(UniformStep, MatchesTheLevelTable) {
    // (n, divisor, multiplier), worked out from 255 / (n - 0.5) rounded and 255 / (n - 1)
    // truncated; n = 3 and n = 14 are where rounding and truncation differ.
    const int table[15][3] = {{2, 170, 255}, {3, 102, 127}, {4, 73, 85},  {5, 57, 63},
                              {6, 46, 51},   {7, 39, 42},   {8, 34, 36},  {9, 30, 31},
                              {10, 27, 28},  {11, 24, 25},  {12, 22, 23}, {13, 20, 21},
                              {14, 19, 19},  {15, 18, 18},  {16, 16, 17}};
    for (const auto& row : table) {
        const UniformStep step = uniformStep(row[0]);
        EXPECT_EQ(step.divisor, row[1]) << "n = " << row[0];
        EXPECT_EQ(step.multiplier, row[2]) << "n = " << row[0];
    }
}

// Every channel value of every level count gives one of exactly n levels k * multiplier.
TEST(Uniform, ProducesExactlyTheLevelsOfEachCount) {
    Image ramp(256, 1, 24);
    for (int v = 0; v < 256; ++v) ramp.at(v, 0) = makeColor(v, 255 - v, v / 2, 255);
    for (int n = 2; n <= 16; ++n) {
        Image work = ramp;
        quantizeUniform(work, n, false);
        const UniformStep step = uniformStep(n);
        std::set<int> reds;
        for (int v = 0; v < 256; ++v) {
            const Color c = work.at(v, 0);
            EXPECT_EQ(redOf(c), v / step.divisor * step.multiplier);
            EXPECT_EQ(greenOf(c), (255 - v) / step.divisor * step.multiplier);
            reds.insert(redOf(c));
        }
        EXPECT_EQ(reds.size(), static_cast<std::size_t>(n)) << "n = " << n;
        EXPECT_EQ(*reds.rbegin(), (n - 1) * step.multiplier);
    }
}

TEST(Uniform, ThreeLevelsNeverReach255) {
    Image work(2, 1, 24);
    work.at(0, 0) = makeColor(255, 255, 255);
    work.at(1, 0) = makeColor(101, 102, 204);
    quantizeUniform(work, 3, false);
    EXPECT_EQ(work.at(0, 0) & kRgbMask, makeColor(254, 254, 254));
    EXPECT_EQ(work.at(1, 0) & kRgbMask, makeColor(0, 127, 254));
}

TEST(Uniform, SixteenLevelsKeepMultiplesOf17) {
    Image work(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) work.at(x, y) = makeColor(17 * x, 17 * y, 17 * ((x + y) % 16), 255);
    const Image before = work;
    quantizeUniform(work, 16, false);
    EXPECT_TRUE(imagesEqual(work, before));
}

TEST(Uniform, GreyDitheredToTwoLevelsFollowsTheBayerCells) {
    Image work(8, 8, 24, makeColor(168, 168, 168));
    const Palette palette = quantizeUniform(work, 2, true);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            // 168 + t >= 170 exactly where the offset is at least 2.
            const int expected = kOrderedDitherOffsets[y % 4][x % 4] >= 2 ? 255 : 0;
            EXPECT_EQ(work.at(x, y) & kRgbMask, makeColor(expected, expected, expected))
                << x << "," << y;
        }
    }
    // The scan writes black at (0, 0) (offset -7) before white at (3, 0) (offset 3).
    ASSERT_EQ(palette.size(), 2u);
    EXPECT_EQ(palette[0], makeColor(0, 0, 0));
    EXPECT_EQ(palette[1], makeColor(255, 255, 255));

    Image plain(8, 8, 24, makeColor(168, 168, 168));
    quantizeUniform(plain, 2, false);
    for (Color c : plain.pixels()) EXPECT_EQ(c & kRgbMask, 0u);
}

TEST(Uniform, PaletteListsDistinctColoursInFirstWrittenOrder) {
    Image work = imageFromPixels(
        3, 2, {makeColor(250, 0, 0), makeColor(0, 0, 0), makeColor(251, 2, 3),
               makeColor(0, 250, 0), makeColor(1, 1, 1), makeColor(0, 0, 0)});
    const Palette palette = quantizeUniform(work, 2, false);
    EXPECT_EQ(palette, (Palette{makeColor(255, 0, 0), makeColor(0, 0, 0), makeColor(0, 255, 0)}));

    Image single(1, 1, 24, makeColor(9, 200, 100));
    EXPECT_EQ(quantizeUniform(single, 4, false).size(), 1u);
}

TEST(Uniform, KeepsTheAlphaChannel) {
    Image work = patternImage(9, 7, 32);
    const Image before = work;
    quantizeUniform(work, 5, true);
    for (int y = 0; y < work.height(); ++y)
        for (int x = 0; x < work.width(); ++x)
            EXPECT_EQ(alphaOf(work.at(x, y)), alphaOf(before.at(x, y)));
}

TEST(OrderedDither, ClampsAndKeepsTheFourthByte) {
    // Offset 8 at (0, 3), offset -7 at (0, 0).
    EXPECT_EQ(ditherColor(makeColor(250, 3, 128, 0x55), 0, 3), makeColor(255, 11, 136, 0x55));
    EXPECT_EQ(ditherColor(makeColor(3, 250, 7, 0), 0, 0), makeColor(0, 243, 0, 0));
    // The table is indexed by y, then x: (1, 0) has offset 1, (0, 1) offset 5.
    EXPECT_EQ(ditherColor(makeColor(100, 100, 100), 1, 0), makeColor(101, 101, 101));
    EXPECT_EQ(ditherColor(makeColor(100, 100, 100), 0, 1), makeColor(105, 105, 105));
    // The read masks alpha away.
    Image image(5, 5, 32, makeColor(10, 10, 10, 200));
    EXPECT_EQ(orderedDitherRead(image, 4, 4), makeColor(3, 3, 3, 0));
}

}  // namespace
}  // namespace vd::test
