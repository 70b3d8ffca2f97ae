#include "quantize/count_colors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_set>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

TEST(CountColors, SmallCasesAndAlphaIgnored) {
    EXPECT_EQ(countColors(Image(1, 1, 24)), 1);
    EXPECT_EQ(countColors(Image(300, 200, 24, 0x00ABCDEF)), 1);
    EXPECT_EQ(countColors(Image()), 0);
    // Black and white count like any colour; alpha alone does not make a colour.
    const Image image = imageFromPixels(
        3, 2, {0x00000000, 0xFF000000, 0x7FFFFFFF, 0x00FFFFFF, 0x00000000, 0x12000000}, 32);
    EXPECT_EQ(countColors(image), 2);
    // A row ending in the colour the next one starts with.
    EXPECT_EQ(countColors(imageFromPixels(2, 2, {1, 2, 2, 1})), 2);
}

TEST(CountColors, EveryTwentyFourBitColourOnce) {
    Image image(4096, 4096, 24);
    auto pixels = image.pixels();
    for (std::size_t v = 0; v < pixels.size(); ++v)
        pixels[v] = static_cast<Color>(v) | kAlphaMask;
    EXPECT_EQ(countColors(image), 16777216);
    pixels[0xFFFFFF] = pixels[0];  // white gone
    EXPECT_EQ(countColors(image), 16777215);
    EXPECT_EQ(countColorsUpTo(image, 1000), 1001);
}

TEST(CountColors, AgreesWithAHashSet) {
    std::mt19937 rng(3);
    for (int round = 0; round < 20; ++round) {
        Image image(1 + rng() % 200, 1 + rng() % 200, 32);
        const std::uint32_t mask = round % 2 ? 0xFFFFFFFF : 0xFF0F030F;
        std::unordered_set<Color> seen;
        for (Color& p : image.pixels()) {
            p = static_cast<Color>(rng()) & mask;
            seen.insert(p & kRgbMask);
        }
        const int colors = static_cast<int>(seen.size());
        EXPECT_EQ(countColors(image), colors);
        // Small caps count in a table of their own, large ones in the bit set.
        for (int cap : {0, 1, 256, colors / 2, 4096, 4097, colors}) {
            SCOPED_TRACE("round " + std::to_string(round) + ", cap " + std::to_string(cap));
            EXPECT_EQ(countColorsUpTo(image, cap), std::min(cap + 1, colors));
        }
    }
}

}  // namespace
}  // namespace vd::test
