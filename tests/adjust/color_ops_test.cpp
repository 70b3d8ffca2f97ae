#include "adjust/color_ops.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

TEST(GrayLevel, WeightsTwoFourOneTruncated) {
    EXPECT_EQ(grayLevel(makeColor(255, 0, 0)), 72);   // 510 / 7 = 72.9
    EXPECT_EQ(grayLevel(makeColor(0, 255, 0)), 145);  // 1020 / 7 = 145.7
    EXPECT_EQ(grayLevel(makeColor(0, 0, 255)), 36);   // 255 / 7 = 36.4
    EXPECT_EQ(grayLevel(makeColor(255, 255, 255)), 255);
    EXPECT_EQ(grayLevel(makeColor(0, 0, 0)), 0);
    EXPECT_EQ(grayLevel(makeColor(1, 1, 2)), 1);            // 8 / 7
    EXPECT_EQ(grayLevel(makeColor(10, 20, 30, 0xFF)), 18);  // alpha ignored: 130 / 7
}

TEST(GrayScale, WritesTheLevelToEveryChannelAndKeepsAlpha) {
    Image image = imageFromPixels(4, 1,
                                  {makeColor(255, 0, 0, 0x10), makeColor(0, 255, 0, 0x80),
                                   makeColor(0, 0, 255, 0), makeColor(9, 9, 9, 0xFF)},
                                  32);
    grayScale(image);
    EXPECT_TRUE(
        imagesEqual(image,
                    imageFromPixels(4, 1,
                                    {makeColor(72, 72, 72, 0x10), makeColor(145, 145, 145, 0x80),
                                     makeColor(36, 36, 36, 0), makeColor(9, 9, 9, 0xFF)},
                                    32),
                    "gray"));
}

TEST(GrayScale, ApplyingTwiceEqualsOnce) {
    Image once = patternImage(31, 17, 32);
    grayScale(once);
    Image twice = once;
    grayScale(twice);
    EXPECT_TRUE(imagesEqual(twice, once, "gray-twice"));
}

TEST(Negative, InvertsColourBytesOnlyAndTwiceIsIdentity) {
    Image image = imageFromPixels(3, 1, {0x00000000, 0x80FFFFFF, 0x7F102030}, 32);
    negative(image);
    EXPECT_TRUE(
        imagesEqual(image, imageFromPixels(3, 1, {0x00FFFFFF, 0x80000000, 0x7FEFDFCF}, 32), "neg"));

    const Image pattern = patternImage(29, 11, 32);
    Image roundTrip = pattern;
    negative(roundTrip);
    negative(roundTrip);
    EXPECT_TRUE(imagesEqual(roundTrip, pattern, "neg-twice"));

    Image opaque = patternImage(5, 5, 24);
    negative(opaque);
    for (Color p : opaque.pixels())
        EXPECT_EQ(alphaOf(p), 255);
}

}  // namespace
}  // namespace vd::test
