#include "platform/image/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;

int countPixels(const Image& image, Color value) {
    int n = 0;
    for (Color p : image.pixels())
        n += (p & kRgbMask) == value ? 1 : 0;
    return n;
}

TEST(DrawTargetPixels, DefaultModeHidesAndKeepsAlpha) {
    Image image = imageFromPixels(2, 1, {0x80112233, 0x00445566}, 32);
    DrawTarget target(image);
    EXPECT_EQ(target.readPixel(0, 0), 0x112233u);
    target.writePixel(1, 0, 0xFFABCDEF);
    EXPECT_EQ(image.at(1, 0), 0x00ABCDEFu);
    EXPECT_EQ(target.readPixel(-1, 0), 0u);
    EXPECT_EQ(target.readPixel(2, 0), 0u);
    target.writePixel(5, 5, kWhite);  // outside: ignored
    EXPECT_EQ(image.at(0, 0), 0x80112233u);
}

TEST(DrawTargetPixels, AllChannelsModeReadsAndWritesAlpha) {
    Image image = imageFromPixels(1, 1, {0x80112233}, 32);
    DrawTarget target(image, DrawMode::AllChannels);
    EXPECT_EQ(target.readPixel(0, 0), 0x80112233u);
    target.writePixel(0, 0, 0x01020304);
    EXPECT_EQ(image.at(0, 0), 0x01020304u);
}

TEST(DrawTargetPixels, TwentyFourBitImageStaysOpaqueInEveryMode) {
    for (DrawMode mode : {DrawMode::Default, DrawMode::AllChannels, DrawMode::Xor}) {
        Image image(3, 1, 24, 0x102030);
        DrawTarget target(image, mode);
        target.writePixel(0, 0, 0x00445566);
        target.filledBox(1, 0, 2, 1, 0x00778899);
        for (Color p : image.pixels())
            EXPECT_EQ(alphaOf(p), 255);
        EXPECT_EQ(target.readPixel(0, 0) >> 24, 0u);
    }
}

TEST(DrawTargetModes, AlphaBlendMixesByWeightAndKeepsAlpha) {
    Image image = imageFromPixels(3, 1, {0x40FF3200, 0x40FF3200, 0x40FF3200}, 32);
    DrawTarget target(image, DrawMode::AlphaBlend);
    // Over (0, 50, 255) with weight 128/255: red (200*128 + 127) / 255 = 100,
    // green (100*128 + 50*127 + 127) / 255 = 75, blue (255*127 + 127) / 255 = 127.
    target.writePixel(0, 0, makeColor(200, 100, 0, 128));
    EXPECT_EQ(image.at(0, 0), makeColor(100, 75, 127, 0x40));
    target.writePixel(1, 0, makeColor(200, 100, 0, 0));
    EXPECT_EQ(image.at(1, 0), 0x40FF3200u);
    target.writePixel(2, 0, makeColor(200, 100, 0, 255));
    EXPECT_EQ(image.at(2, 0), makeColor(200, 100, 0, 0x40));
}

TEST(DrawTargetModes, XorDrawsEachPixelOfAFigureOnce) {
    // On black, a pixel XORed twice by one figure would come back black.
    Image image(40, 30, 24);
    DrawTarget target(image, DrawMode::Xor);
    target.filledBox(2, 3, 5, 4, kWhite);
    EXPECT_EQ(countPixels(image, kWhite), 20);
    target.filledCircle(25, 15, 6, kWhite);
    EXPECT_EQ(countPixels(image, kWhite), 20 + 113);  // lattice points with x² + y² <= 36
}

TEST(DrawTargetModes, XorTwiceRestoresThePicture) {
    const Image original = patternImage(50, 40, 32);
    Image image = original;
    DrawTarget target(image, DrawMode::Xor);
    auto drawFigures = [&] {
        target.line(-5, 3, 60, 20, kWhite);
        target.line(10, 39, 10, 0, kWhite);
        target.line(0, 0, 49, 39, kWhite);
        target.line(3, 30, 8, 2, kWhite);
        target.filledBox(-3, -3, 10, 10, kWhite);
        target.filledCircle(45, 35, 9, kWhite);
        target.writePixel(20, 20, kWhite);
    };
    drawFigures();
    EXPECT_FALSE(imagesEqual(image, original, "xor-once"));
    drawFigures();
    EXPECT_TRUE(imagesEqual(image, original, "xor-twice"));
}

struct LineCase {
    int x1, y1, x2, y2;
};

TEST(DrawTargetLine, OnePixelPerStepNearTheIdealLineWithBothEnds) {
    const LineCase cases[] = {{0, 0, 19, 0}, {5, 2, 5, 17},  {0, 0, 19, 19}, {19, 0, 0, 7},
                              {3, 17, 9, 1}, {18, 18, 1, 4}, {7, 7, 7, 7},   {0, 19, 19, 12}};
    for (const LineCase& c : cases) {
        Image image(20, 20, 24);
        DrawTarget target(image, DrawMode::Xor);
        target.line(c.x1, c.y1, c.x2, c.y2, kWhite);
        const int dx = std::abs(c.x2 - c.x1), dy = std::abs(c.y2 - c.y1);
        const bool xMajor = dx >= dy;
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2);
        EXPECT_EQ(countPixels(image, kWhite), std::max(dx, dy) + 1);
        EXPECT_EQ(image.at(c.x1, c.y1) & kRgbMask, kWhite);
        EXPECT_EQ(image.at(c.x2, c.y2) & kRgbMask, kWhite);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                if ((image.at(x, y) & kRgbMask) != kWhite) continue;
                // Distance along the minor axis from the ideal line: at most half a pixel.
                const double t = xMajor ? (dx ? double(x - c.x1) / (c.x2 - c.x1) : 0)
                                        : double(y - c.y1) / (c.y2 - c.y1);
                const double ideal = xMajor ? c.y1 + t * (c.y2 - c.y1) : c.x1 + t * (c.x2 - c.x1);
                EXPECT_LE(std::abs((xMajor ? y : x) - ideal), 0.5 + 1e-9) << x << "," << y;
                EXPECT_GE(t, 0.0);
                EXPECT_LE(t, 1.0);
            }
        }
    }
}

TEST(DrawTargetLine, ClippedLineMatchesTheUnclippedOne) {
    Image big(60, 60, 24), small(20, 20, 24);
    DrawTarget(big).line(0, 10, 59, 35, kWhite);
    DrawTarget(small).line(-20, -10, 39, 15, kWhite);
    EXPECT_TRUE(imagesEqual(small, cropImage(big, 20, 20, 20, 20), "clipped-line"));
}

TEST(DrawTargetBox, ClippedAndEmptyBoxes) {
    Image image(6, 5, 24);
    DrawTarget target(image);
    target.filledBox(3, 2, 0, 3, kWhite);
    target.filledBox(3, 2, 3, -1, kWhite);
    EXPECT_EQ(countPixels(image, kWhite), 0);
    target.filledBox(-2, -1, 4, 3, kWhite);    // covers x 0..1, y 0..1
    target.filledBox(4, 3, 100, 100, kWhite);  // covers x 4..5, y 3..4
    Image expected(6, 5, 24);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            if ((x < 2 && y < 2) || (x >= 4 && y >= 3)) expected.at(x, y) |= kWhite;
        }
    }
    EXPECT_TRUE(imagesEqual(image, expected, "boxes"));
}

TEST(DrawTargetCircle, CoversExactlyTheDiscIncludingAtTheEdges) {
    struct Circle {
        int cx, cy, r;
    };
    for (const Circle c : {Circle{10, 10, 0}, Circle{10, 10, 1}, Circle{10, 10, 7}, Circle{1, 2, 5},
                           Circle{18, 19, 4}, Circle{-3, 8, 6}}) {
        Image image(21, 21, 24);
        DrawTarget(image).filledCircle(c.cx, c.cy, c.r, kWhite);
        for (int y = 0; y < 21; ++y) {
            for (int x = 0; x < 21; ++x) {
                const int dx = x - c.cx, dy = y - c.cy;
                const bool inside = dx * dx + dy * dy <= c.r * c.r;
                EXPECT_EQ((image.at(x, y) & kRgbMask) == kWhite, inside)
                    << "circle " << c.cx << "," << c.cy << " r " << c.r << " at " << x << "," << y;
            }
        }
    }
    Image image(5, 5, 24);
    DrawTarget(image).filledCircle(2, 2, -1, kWhite);
    EXPECT_EQ(countPixels(image, kWhite), 0);
}

// A 9 x 7 black picture with a red rectangle outline from (1, 1) to (7, 5).
Image outlinedPicture() {
    Image image(9, 7, 24);
    DrawTarget target(image);
    constexpr Color kRed = 0x0000FF;
    target.line(1, 1, 7, 1, kRed);
    target.line(1, 5, 7, 5, kRed);
    target.line(1, 2, 1, 4, kRed);
    target.line(7, 2, 7, 4, kRed);
    return image;
}

TEST(DrawTargetFloodFill, StaysInsideAClosedOutline) {
    Image image = outlinedPicture();
    DrawTarget(image).floodFill(4, 3, 0x0000FF, 0x00FF00);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool interior = x >= 2 && x <= 6 && y >= 2 && y <= 4;
            EXPECT_EQ((image.at(x, y) & kRgbMask) == 0x00FF00, interior) << x << "," << y;
        }
    }
}

TEST(DrawTargetFloodFill, LeaksThroughAGapButNotThroughADiagonal) {
    Image leaking = outlinedPicture();
    DrawTarget(leaking).writePixel(7, 3, kBlack);  // a gap in the right edge
    DrawTarget(leaking).floodFill(4, 3, 0x0000FF, 0x00FF00);
    EXPECT_EQ(countPixels(leaking, 0x00FF00), 9 * 7 - 19);  // all but the 19 outline pixels left

    // Pixels touching only at a corner are not connected.
    Image diagonal = imageFromPixels(3, 3, {0, 9, 0, 9, 0, 0, 0, 0, 0});
    DrawTarget(diagonal).floodFill(0, 0, 9, 5);
    EXPECT_TRUE(
        imagesEqual(diagonal, imageFromPixels(3, 3, {5, 9, 0, 9, 0, 0, 0, 0, 0}), "diagonal"));
}

TEST(DrawTargetFloodFill, FillColourIsABarrierAndOutlineStartDoesNothing) {
    Image image = imageFromPixels(5, 1, {0, 0, 7, 0, 0});
    DrawTarget target(image);
    target.floodFill(0, 0, 3, 7);
    EXPECT_TRUE(imagesEqual(image, imageFromPixels(5, 1, {7, 7, 7, 0, 0}), "barrier"));
    target.floodFill(2, 0, 7, 1);  // starts on the outline colour
    target.floodFill(9, 0, 3, 1);  // outside
    EXPECT_TRUE(imagesEqual(image, imageFromPixels(5, 1, {7, 7, 7, 0, 0}), "no-op"));
}

TEST(DrawTargetFloodFill, XorFillTouchesEachPixelOnce) {
    Image image = outlinedPicture();
    DrawTarget(image, DrawMode::Xor).floodFill(0, 0, 0x0000FF, kWhite);
    // Every pixel outside the outline went black -> white exactly once; the inside is not
    // reachable and stays black.
    EXPECT_EQ(countPixels(image, kWhite), 9 * 7 - 35);
    EXPECT_EQ(countPixels(image, kBlack), 15);
}

TEST(DrawTargetFloodFill, HandlesALargeMaze) {
    // Horizontal walls with one opening each, alternately at the right and the left end: one
    // long serpentine path through a 4096 x 4096 picture.
    constexpr int kSide = 4096;
    Image image(kSide, kSide, 24);
    DrawTarget target(image);
    for (int y = 1; y < kSide; y += 2) {
        const int opening = (y / 2) % 2 == 0 ? kSide - 1 : 0;
        target.filledBox(0, y, kSide, 1, 0x0000FF);
        target.writePixel(opening, y, kBlack);
    }
    target.floodFill(0, 0, 0x0000FF, 0x00FF00);
    EXPECT_EQ(countPixels(image, kBlack), 0);
    EXPECT_EQ(image.at(5, kSide - 2) & kRgbMask, 0x00FF00u);
}

TEST(DrawTargetImages, PlainCopyClipsAndCarriesAlpha) {
    const Image source = patternImage(4, 3, 32);
    Image expected(5, 5, 32, 0x11111111);
    for (int y = 3; y < 5; ++y) {
        for (int x = 0; x < 3; ++x)
            expected.at(x, y) = source.at(x + 1, y - 3);
    }
    Image target32(5, 5, 32, 0x11111111);
    DrawTarget(target32).drawImage(source, -1, 3);
    EXPECT_TRUE(imagesEqual(target32, expected, "plain-copy"));

    Image target24(5, 5, 24);
    DrawTarget(target24).drawImage(source, 2, 0);
    EXPECT_EQ(target24.at(2, 0), source.at(0, 0) | kAlphaMask);
    EXPECT_EQ(target24.at(4, 2), source.at(2, 2) | kAlphaMask);
    DrawTarget(target24).drawImage(source, 5, 0);  // entirely outside
    DrawTarget(target24).drawImage(source, -4, -3);
    EXPECT_EQ(target24.at(0, 0), kAlphaMask);
}

TEST(DrawTargetImages, BlendedCopyMixesBySourceAlphaAndKeepsTargetAlpha) {
    const Image source = imageFromPixels(
        3, 1, {makeColor(200, 100, 0, 0), makeColor(200, 100, 0, 128), makeColor(200, 100, 0, 255)},
        32);
    Image target(3, 1, 32, makeColor(0, 50, 255, 0x40));
    DrawTarget(target).drawImageBlended(source, 0, 0);
    EXPECT_EQ(target.at(0, 0), makeColor(0, 50, 255, 0x40));
    EXPECT_EQ(target.at(1, 0), makeColor(100, 75, 127, 0x40));
    EXPECT_EQ(target.at(2, 0), makeColor(200, 100, 0, 0x40));
}

}  // namespace
}  // namespace vd::test
