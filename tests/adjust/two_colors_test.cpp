#include "adjust/two_colors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// Two colours whose top bytes must not reach the picture.
constexpr Color kDark = 0xAA102030;
constexpr Color kLight = 0x55F0E0D0;
constexpr Color A = kDark & kRgbMask;
constexpr Color B = kLight & kRgbMask;

Color gray(int v) {
    return makeColor(v, v, v);
}

// A picture of gray pixels (their gray level is the value itself), 24-bit.
Image grayImage(int width, int height, const std::vector<int>& levels) {
    std::vector<Color> pixels;
    for (int v : levels)
        pixels.push_back(gray(v));
    return imageFromPixels(width, height, pixels);
}

TwoColorsSettings settings(int threshold, TwoColorsDither dither) {
    return TwoColorsSettings{threshold, dither, kDark, kLight};
}

struct ExtremeCase {
    std::string name;
    int threshold;
    TwoColorsDither dither;
    Color everyPixel;
};

TEST(TwoColors, ExtremeThresholdsGiveOneColourWithoutDiffusion) {
    // Slider at 0 is T = 256: every level, even white through a positive dither offset
    // (clamped to 255), is below. Slider at 256 is T = 0: nothing is below.
    const std::vector<ExtremeCase> cases = {
        {"plain T=256", 256, TwoColorsDither::None, A},
        {"plain T=0", 0, TwoColorsDither::None, B},
        {"ordered T=256", 256, TwoColorsDither::Ordered, A},
        {"ordered T=0", 0, TwoColorsDither::Ordered, B},
    };
    Image input = patternImage(9, 7, 32);
    input.at(0, 0) = 0x80FFFFFF;  // white at a cell with offset -7
    input.at(1, 0) = 0x40FFFFFF;  // white at a cell with offset +1
    input.at(2, 0) = 0x20000000;  // black
    for (const ExtremeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = input;
        twoColors(image, settings(c.threshold, c.dither));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ASSERT_EQ(image.at(x, y), keepAlpha(input.at(x, y), c.everyPixel))
                    << "at " << x << ", " << y;
            }
        }
    }
}

TEST(TwoColors, PlainThresholdIsStrictlyBelowAndKeepsAlpha) {
    // Levels 127, 128, 129 around T = 128, and colours whose level truncates: (0, 0, 255) is
    // 36.4 -> 36 and (255, 0, 0) is 72.9 -> 72.
    Image image =
        imageFromPixels(5, 1,
                        {0x11000000 | gray(127), 0x22000000 | gray(128), 0xFF000000 | gray(129),
                         makeColor(0, 0, 255, 0x33), makeColor(255, 0, 0, 0)},
                        32);
    Image low = image;
    twoColors(image, settings(128, TwoColorsDither::None));
    EXPECT_TRUE(imagesEqual(
        image,
        imageFromPixels(5, 1, {0x11000000 | A, 0x22000000 | B, 0xFF000000 | B, 0x33000000 | A, A},
                        32),
        "two-colors-plain"));
    twoColors(low, settings(37, TwoColorsDither::None));
    EXPECT_EQ(low.at(3, 0), 0x33000000 | A);  // 36 < 37
    EXPECT_EQ(low.at(4, 0), B);               // 72
}

TEST(TwoColors, OrderedOffsetsDecideAtTheThresholdCellByCell) {
    // A gray at exactly T: a plain read gives color2 everywhere; through the ordered dither
    // the level is T plus the cell's offset, so color1 marks the cells with a negative
    // offset of the 4 x 4 matrix, rows indexed by y.
    const char* const kBelowAt[4] = {"X.X.", ".X.X", "X.X.", "...X"};
    const Image input = grayImage(8, 8, std::vector<int>(64, 128));
    Image plain = input, ordered = input;
    twoColors(plain, settings(128, TwoColorsDither::None));
    twoColors(ordered, settings(128, TwoColorsDither::Ordered));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            SCOPED_TRACE("x " + std::to_string(x) + " y " + std::to_string(y));
            EXPECT_EQ(plain.at(x, y), 0xFF000000 | B);
            EXPECT_EQ(ordered.at(x, y), 0xFF000000 | (kBelowAt[y % 4][x % 4] == 'X' ? A : B));
        }
    }
}

struct SierraCase {
    std::string name;
    int threshold;
    int width;  // the rows follow from the levels
    std::vector<int> levels;
    std::vector<Color> expected;
};

// Worked by hand from the rule: carry a += e[x + 1]; v = level + a; below T the error is v
// (0 if negative), else v - 255 (0 above 255); a = E >> 2; e[x + 1] = a >> 1; e[x] += e[x + 1].
TEST(TwoColors, SierraLiteDiffusesAsWorkedByHand) {
    const std::vector<SierraCase> cases = {
        // Row 0: 255 -> A passes 63 right, 318 -> B passes nothing. The error row after it is
        // 31, 31, 31, 31, 0: column 1 of row 1 gets 31 only through column 2's below-left
        // share, and the row is not cleared between rows.
        {"white at T=256", 256, 4, std::vector<int>(8, 255), {A, B, A, B, B, B, B, A}},
        // The mirror image with negative errors: -255 >> 2 = -64, -64 >> 1 = -32.
        {"black at T=0", 0, 4, std::vector<int>(8, 0), {B, A, B, A, A, A, A, B}},
        // Row 0: 150 -> B (E -105, a -27, e1 -14), 33 -> A (E 33, a 8), 208 -> B (E -47,
        // a -12), 78 -> A; errors -14, -10, -2, 3, 9. Row 1: 110 -> B (E -145, a -37),
        // 30 - 39 = -9 -> A passing nothing, 96 + 3 = 99 -> A, 255 + 33 = 288 -> B passing
        // nothing.
        {"mixed grays", 100, 4, {150, 60, 200, 90, 120, 30, 96, 255}, {B, A, B, A, B, A, A, B}},
        // Both shifts floor: 150 -> B with E -105 gives a = -27 (not -26), so 126 - 27 = 99
        // -> A; e1 = -27 >> 1 = -14 (not -13), plus 12 from the 99, so row 1 starts at
        // 101 - 2 = 99 -> A. Then 60 + 24 + 8 = 92 -> A and 81 + 23 - 4 = 100 -> B.
        {"negative shares floor", 100, 3, {150, 126, 200, 101, 60, 81}, {B, A, B, A, A, B}},
    };
    for (const SierraCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int height = static_cast<int>(c.levels.size()) / c.width;
        Image image = grayImage(c.width, height, c.levels);
        twoColors(image, settings(c.threshold, TwoColorsDither::SierraLite));
        EXPECT_TRUE(imagesEqual(image, imageFromPixels(c.width, height, c.expected), "sierra"));
    }
}

TEST(TwoColors, SierraLiteKeepsAlphaOfEachPixel) {
    Image image = patternImage(17, 5, 32);
    const Image before = image;
    twoColors(image, settings(128, TwoColorsDither::SierraLite));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 17; ++x) {
            const Color rgb = image.at(x, y) & kRgbMask;
            ASSERT_TRUE(rgb == A || rgb == B);
            ASSERT_EQ(alphaOf(image.at(x, y)), alphaOf(before.at(x, y)));
        }
    }
}

}  // namespace
}  // namespace vd::test
