#include "adjust/geometry.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// Sizes that cover odd and even widths and heights, 1-pixel sides, squares, and squares
// larger than the blocks the fast square turn walks through.
const std::vector<std::pair<int, int>> kSizes = {
    {1, 1}, {1, 7}, {7, 1}, {2, 3},   {3, 2},   {3, 3},   {4, 2},   {2, 4},  {5, 3},
    {3, 5}, {6, 6}, {5, 5}, {33, 70}, {70, 33}, {64, 64}, {65, 65}, {97, 40}};

// The half turn exactly as the command does it: exchanges in the default drawing mode,
// where reads drop alpha and writes keep the pixel's own alpha.
Image referenceRotate180(Image image) {
    const int w = image.width(), h = image.height(), X = w - 1, Y = h - 1;
    auto exchange = [&](int x1, int y1, int x2, int y2) {
        const Color a = image.at(x1, y1) & kRgbMask, b = image.at(x2, y2) & kRgbMask;
        image.at(x1, y1) = keepAlpha(image.at(x1, y1), b);
        image.at(x2, y2) = keepAlpha(image.at(x2, y2), a);
    };
    for (int x = 0; x <= X; ++x) {
        for (int y = 0; y < h / 2; ++y)
            exchange(x, y, X - x, Y - y);
    }
    if (h % 2 == 1) {
        for (int x = 0; x <= X / 2; ++x)
            exchange(x, h / 2, X - x, h / 2);
    }
    return image;
}

// The square turn with the four-pixel cycles over the documented index ranges, in the
// plain order, one cycle at a time.
Image referenceTurnSquare(Image square, bool clockwise) {
    const int s = square.width(), m = s - 1;
    const int jLast = s % 2 == 0 ? s / 2 - 1 : (s - 1) / 2;
    for (int i = 0; i <= s / 2 - 1; ++i) {
        for (int j = 0; j <= jLast; ++j) {
            const std::pair<int, int> p[4] = {{j, i}, {i, m - j}, {m - j, m - i}, {m - i, j}};
            Color old[4];
            for (int k = 0; k < 4; ++k)
                old[k] = square.at(p[k].first, p[k].second);
            for (int k = 0; k < 4; ++k) {
                // Clockwise each place takes the next one's value, counter-clockwise the
                // previous one's.
                const int from = clockwise ? (k + 1) % 4 : (k + 3) % 4;
                square.at(p[k].first, p[k].second) = old[from];
            }
        }
    }
    return square;
}

TEST(FlipMirror, MoveWholePixelsIncludingAlpha) {
    for (const auto& [w, h] : kSizes) {
        const Image original = patternImage(w, h, 32);
        Image flipped = original, mirrored = original;
        flip(flipped);
        mirror(mirrored);
        Image expectedFlip(w, h, 32), expectedMirror(w, h, 32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                expectedFlip.at(x, y) = original.at(x, h - 1 - y);
                expectedMirror.at(x, y) = original.at(w - 1 - x, y);
            }
        }
        EXPECT_TRUE(imagesEqual(flipped, expectedFlip, "flip"));
        EXPECT_TRUE(imagesEqual(mirrored, expectedMirror, "mirror"));
    }
}

TEST(Rotate180, SmallCasesByHand) {
    // 3 x 3: (0, 0) goes to (2, 2), (1, 0) to (1, 2), the centre stays.
    Image square = imageFromPixels(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    rotate180(square);
    EXPECT_TRUE(
        imagesEqual(square, imageFromPixels(3, 3, {9, 8, 7, 6, 5, 4, 3, 2, 1}), "rotate180-3x3"));
    // 2 x 3: the middle row is reversed.
    Image tall = imageFromPixels(2, 3, {1, 2, 3, 4, 5, 6});
    rotate180(tall);
    EXPECT_TRUE(imagesEqual(tall, imageFromPixels(2, 3, {6, 5, 4, 3, 2, 1}), "rotate180-2x3"));
}

TEST(Rotate180, ColoursTurnWhileAlphaStaysInPlace) {
    for (const auto& [w, h] : kSizes) {
        Image image = patternImage(w, h, 32);
        const Image expected = referenceRotate180(image);
        rotate180(image);
        EXPECT_TRUE(imagesEqual(image, expected, "rotate180"));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(alphaOf(image.at(x, y)), alphaOf(patternImage(w, h, 32).at(x, y)));
            }
        }
    }
}

TEST(TurnSquare, EqualsTheCyclesOneByOne) {
    for (int s = 1; s <= 70; ++s) {
        const Image square = patternImage(s, s, 32);
        for (bool clockwise : {true, false}) {
            Image turned = square;
            turnSquare(turned, clockwise);
            EXPECT_TRUE(imagesEqual(turned, referenceTurnSquare(square, clockwise), "turn"))
                << "side " << s << (clockwise ? " clockwise" : " counter-clockwise");
        }
    }
}

TEST(RotateQuarter, FollowsTheTurnFormulasWithAlpha) {
    for (const auto& [w, h] : kSizes) {
        for (int depth : {24, 32}) {
            const Image original = patternImage(w, h, depth);
            Image expectedRight(h, w, depth), expectedLeft(h, w, depth);
            for (int y = 0; y < w; ++y) {
                for (int x = 0; x < h; ++x) {
                    expectedRight.at(x, y) = original.at(y, h - 1 - x);
                    expectedLeft.at(x, y) = original.at(w - 1 - y, x);
                }
            }
            EXPECT_TRUE(imagesEqual(rotateQuarter(original, true), expectedRight, "right"))
                << w << "x" << h << " depth " << depth;
            EXPECT_TRUE(imagesEqual(rotateQuarter(original, false), expectedLeft, "left"))
                << w << "x" << h << " depth " << depth;
        }
    }
}

TEST(RotateQuarter, CornersAndRoundTrips) {
    const Image original = patternImage(5, 3, 32);
    const Image right = rotateQuarter(original, true);
    const Image left = rotateQuarter(original, false);
    ASSERT_EQ(right.width(), 3);
    ASSERT_EQ(right.height(), 5);
    EXPECT_EQ(right.at(2, 0), original.at(0, 0));  // top-left goes to top-right
    EXPECT_EQ(left.at(0, 4), original.at(0, 0));   // top-left goes to bottom-left
    EXPECT_TRUE(imagesEqual(rotateQuarter(right, false), original, "right-left"));
    EXPECT_TRUE(imagesEqual(rotateQuarter(left, true), original, "left-right"));
    Image twice = rotateQuarter(right, true);
    Image half = original;
    flip(half);
    mirror(half);  // a full half turn, alpha included
    EXPECT_TRUE(imagesEqual(twice, half, "right-right"));
    EXPECT_TRUE(rotateQuarter(Image(), true).empty());
}

TEST(CropToSelection, InclusiveBoundsClippedToThePicture) {
    const Image original = patternImage(6, 4, 32);
    const Image strip = cropToSelection(original, 2, 1, 3, 1);
    ASSERT_EQ(strip.width(), 2);
    ASSERT_EQ(strip.height(), 1);
    EXPECT_EQ(strip.at(0, 0), original.at(2, 1));
    EXPECT_EQ(strip.at(1, 0), original.at(3, 1));
    EXPECT_EQ(strip.depth(), 32);

    const Image clipped = cropToSelection(original, -3, 2, 10, 9);
    EXPECT_TRUE(imagesEqual(clipped, cropImage(original, 0, 2, 6, 2), "clipped"));
    EXPECT_TRUE(cropToSelection(original, 6, 0, 9, 3).empty());
    EXPECT_TRUE(cropToSelection(original, 3, 2, 2, 2).empty());
}

}  // namespace
}  // namespace vd::test
