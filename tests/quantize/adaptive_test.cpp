#include "quantize/adaptive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

Palette sampled(std::vector<std::uint32_t> sorted, int limit) {
    sorted.shrink_to_fit();  // so a read past the end leaves the allocation
    return sampleSortedColors(sorted, limit);
}

TEST(Adaptive, EvenStepsThroughDistinctColours) {
    EXPECT_EQ(sampled({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4), (Palette{0, 2, 4, 6}));
}

TEST(Adaptive, RepeatSkipsTheRunAndLandsOneBeforeTheNextSamplePoint) {
    EXPECT_EQ(sampled({1, 1, 2, 3}, 3), (Palette{1, 2, 3}));
    // Run of 0 skipped to position 8; step (12 - 8) / 3 = 1 lands on 8; later runs of one.
    EXPECT_EQ(sampled({0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}, 4), (Palette{0, 1, 2, 4}));
    // Skips restart the spacing: (16 - 6) / 3 = 3 lands on 8, then 11, then 15.
    EXPECT_EQ(sampled({0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 4),
              (Palette{0, 3, 6, 10}));
    // Fewer entries left than samples to take: step 0 repeats the end of the skipped run.
    EXPECT_EQ(sampled({1, 2, 2, 3}, 4), (Palette{1, 2, 2, 3}));
}

TEST(Adaptive, UniformAndOnePixelImagesRepeatTheirColour) {
    EXPECT_EQ(sampled(std::vector<std::uint32_t>(9, 0x123456), 4), Palette(4, 0x123456));
    EXPECT_EQ(sampled({0}, 5), Palette(5, 0));
    EXPECT_EQ(chooseAdaptivePalette(Image(1, 1, 24, makeColor(1, 2, 3, 255)), 3),
              Palette(3, makeColor(1, 2, 3)));
}

TEST(Adaptive, NinetyTenSplitGivesBothColoursSmallerValueFirst) {
    const Color big = makeColor(0, 0, 9), small = makeColor(255, 255, 0);
    std::vector<Color> pixels(10, small);
    pixels[0] = big;
    EXPECT_EQ(chooseAdaptivePalette(imageFromPixels(10, 1, pixels), 2), (Palette{small, big}));
}

TEST(Adaptive, SortsByBlueThenGreenThenRedIgnoringAlpha) {
    const Image image = imageFromPixels(4, 1,
                                        {makeColor(0, 0, 1, 3), makeColor(255, 0, 0, 200),
                                         makeColor(0, 1, 0, 0), makeColor(0, 255, 0, 9)},
                                        32);
    EXPECT_EQ(chooseAdaptivePalette(image, 4), (Palette{makeColor(255, 0, 0), makeColor(0, 1, 0),
                                                        makeColor(0, 255, 0), makeColor(0, 0, 1)}));
    EXPECT_THROW(chooseAdaptivePalette(image, 0), std::invalid_argument);
}

TEST(Adaptive, SampleListMatchesAComparisonSort) {
    std::mt19937 rng(9);
    for (int round = 0; round < 40; ++round) {
        // Some images with one blue value only, so that a single bucket holds everything.
        const Color mask = round % 3 == 0 ? 0xFF00FFFF : 0xFFFFFFFF;
        Image image(1 + rng() % 90, 1 + rng() % 60, 32);
        for (Color& p : image.pixels())
            p = static_cast<Color>(rng()) & mask;
        std::vector<std::uint32_t> expected;
        for (Color p : image.pixels())
            expected.push_back(p & kRgbMask);
        std::sort(expected.begin(), expected.end());
        std::vector<std::uint32_t> samples(image.pixelCount() + 3, 0xDEADBEEF);
        sortedColorValues(image, samples);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), samples.begin()));
        ASSERT_EQ(samples.back(), 0xDEADBEEFu);  // nothing written past the pixel count
    }
    std::vector<std::uint32_t> tooShort(5);
    EXPECT_THROW(sortedColorValues(Image(3, 2, 24), tooShort), std::invalid_argument);
}

TEST(Adaptive, ScratchFormGivesTheSamePalette) {
    Image image(64, 48, 24);
    std::mt19937 rng(4);
    for (Color& p : image.pixels())
        p = (static_cast<Color>(rng()) & 0x1F3F7F) | kAlphaMask;
    Image scratch = image;
    EXPECT_EQ(chooseAdaptivePalette(image, 200, scratch.pixels()),
              chooseAdaptivePalette(image, 200));
}

// Long runs, short runs and limits above the list length: the walk must stay inside the
// list and take only its values.
TEST(Adaptive, WalkStaysInsideTheList) {
    std::mt19937 rng(21);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint32_t> list(1 + rng() % 60);
        for (auto& v : list)
            v = rng() % (1 + round % 9);
        std::sort(list.begin(), list.end());
        const int limit = 1 + static_cast<int>(rng() % 80);
        const Palette palette = sampled(list, limit);
        ASSERT_EQ(static_cast<int>(palette.size()), limit);
        for (Color c : palette)
            ASSERT_TRUE(std::binary_search(list.begin(), list.end(), c));
        ASSERT_EQ(palette[0], list[0]);
    }
}

}  // namespace
}  // namespace vd::test
