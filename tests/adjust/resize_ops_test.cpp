#include "adjust/resize_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/image/resize.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

struct ResizeCase {
    std::string name;
    int width, height;  // as typed
    int expectedWidth, expectedHeight;
};

TEST(ResizeImage, TypedSidesAreHeldTo16Through4096) {
    const std::vector<ResizeCase> cases = {
        {"empty fields count as 0", 0, 0, 16, 16}, {"just below the smallest", 15, 17, 16, 17},
        {"99999 is lowered", 99999, 20, 4096, 20}, {"just above the largest", 30, 4097, 30, 4096},
        {"inside the range", 33, 21, 33, 21},
    };
    const Image source = patternImage(40, 25, 32);
    for (const ResizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Image resized = resizeImage(source, c.width, c.height);
        EXPECT_TRUE(imagesEqual(resized, resizeSmooth(source, c.expectedWidth, c.expectedHeight),
                                "resize-image"));
    }
}

struct CouplingCase {
    std::string name;
    int pictureWidth, pictureHeight;
    bool typedWidth;  // else the height was typed
    long long typed, expected;
};

TEST(AspectCoupling, RoundsTheFloatRatioInDoubleHalfToEven) {
    const std::vector<CouplingCase> cases = {
        {"200x100 width 301: 150.5 to even 150", 200, 100, true, 301, 150},
        {"200x100 width 7: 3.5 to even 4", 200, 100, true, 7, 4},
        {"200x100 height 75", 200, 100, false, 75, 150},
        // 0.1f is 0.10000000149: 5 q = 0.5000000075 rounds up. An exact 0.1 or a product
        // in float makes it the tie 0.5, which goes to 0.
        {"10x1 width 5: float ratio above 0.1", 10, 1, true, 5, 1},
        // 2/3 in float is 0.66666669: 1 / q = 1.49999996 rounds down. The quotient in float
        // rounds to 1.5, and an exact 2/3 gives 1.5, both going to 2.
        {"3x2 height 1: quotient in double", 3, 2, false, 1, 1},
        {"3x2 height 4", 3, 2, false, 4, 6},
        {"an absurd side saturates", 1, 32768, true, 1'000'000'000'000'000'000LL,
         1'000'000'000'000'000'000LL},
    };
    for (const CouplingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const float q = aspectRatio(c.pictureWidth, c.pictureHeight);
        EXPECT_EQ(c.typedWidth ? coupledHeight(c.typed, q) : coupledWidth(c.typed, q), c.expected);
    }
}

struct PlacementCase {
    std::string name;
    int pictureWidth, pictureHeight, width, height, cell;
    CanvasPlacement expected;
};

TEST(CanvasPlacement, SizeAndOffsetForEachCell) {
    const std::vector<PlacementCase> cases = {
        {"201x100 centre", 100, 100, 201, 100, 5, {201, 100, 50, 0}},
        {"201x100 bottom-right", 100, 100, 201, 100, 9, {201, 100, 101, 0}},
        {"cell 1 top-left", 100, 100, 300, 200, 1, {300, 200, 0, 0}},
        {"cell 2 top-centre", 100, 100, 300, 200, 2, {300, 200, 100, 0}},
        {"cell 3 top-right", 100, 100, 300, 200, 3, {300, 200, 200, 0}},
        {"cell 4 middle-left", 100, 100, 300, 200, 4, {300, 200, 0, 50}},
        {"cell 6 middle-right", 100, 100, 300, 200, 6, {300, 200, 200, 50}},
        {"cell 7 bottom-left", 100, 100, 300, 200, 7, {300, 200, 0, 100}},
        {"cell 8 bottom-centre", 100, 100, 300, 200, 8, {300, 200, 100, 100}},
        {"odd margin halves down", 100, 100, 100, 203, 5, {100, 203, 0, 51}},
        {"smaller request keeps the picture's size", 100, 100, 50, 20, 9, {100, 100, 0, 0}},
        {"request above 4096 is lowered", 100, 100, 5000, 4097, 9, {4096, 4096, 3996, 3996}},
        // Wider than 4096: the width is raised to the picture's, then lowered to 4096. The
        // half of -1 truncates to 0, so only the right column is negative.
        {"4097 wide centre", 4097, 10, 0, 0, 5, {4096, 10, 0, 0}},
        {"4097 wide top-right", 4097, 10, 0, 0, 3, {4096, 10, -1, 0}},
        {"4097 wide middle-left", 4097, 10, 0, 0, 4, {4096, 10, 0, 0}},
        {"4098 wide top-centre", 4098, 10, 0, 0, 2, {4096, 10, -1, 0}},
        {"4098 wide bottom-right", 4098, 10, 0, 0, 9, {4096, 10, -2, 0}},
        {"5000 high bottom-centre", 10, 5000, 10, 0, 8, {10, 4096, 0, -904}},
        {"5000 high centre", 10, 5000, 10, 0, 5, {10, 4096, 0, -452}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CanvasPlacement p =
            canvasPlacement(c.pictureWidth, c.pictureHeight, c.width, c.height, c.cell);
        EXPECT_EQ(p.width, c.expected.width);
        EXPECT_EQ(p.height, c.expected.height);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

TEST(ResizeCanvas, OpaqueBackgroundAroundThePictureCopiedWithItsAlpha) {
    const Color s[6] = {0x00010203, 0x7F040506, 0xFF070809, 0x100A0B0C, 0x200D0E0F, 0x30101112};
    const Image source = imageFromPixels(3, 2, {s[0], s[1], s[2], s[3], s[4], s[5]}, 32);
    // The background's own top byte is ignored: the canvas is opaque.
    const Image canvas = resizeCanvas(source, 5, 4, 5, 0x00123456);
    constexpr Color G = 0xFF123456;
    EXPECT_TRUE(imagesEqual(canvas,
                            imageFromPixels(5, 4, {G, G,    G,    G,    G,  //
                                                   G, s[0], s[1], s[2], G,  //
                                                   G, s[3], s[4], s[5], G,  //
                                                   G, G,    G,    G,    G},
                                            32),
                            "canvas-centre"));
}

TEST(ResizeCanvas, UnchangedSizeGivesThe32BitPicture) {
    const Image source = patternImage(7, 5, 24);
    const Image canvas = resizeCanvas(source, 7, 5, 5, 0);
    EXPECT_EQ(canvas.depth(), 32);
    EXPECT_TRUE(std::equal(canvas.pixels().begin(), canvas.pixels().end(), source.pixels().begin(),
                           source.pixels().end()));
}

TEST(ResizeCanvas, PictureWiderThanTheLargestCanvasIsCutOnTheLeft) {
    const Image source = patternImage(4098, 2, 32);
    const Image canvas = resizeCanvas(source, 0, 0, 6, 0);  // x = 4096 - 4098 = -2
    ASSERT_EQ(canvas.width(), 4096);
    ASSERT_EQ(canvas.height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x : {0, 1, 2047, 4095})
            EXPECT_EQ(canvas.at(x, y), source.at(x + 2, y)) << x << ", " << y;
    }
}

TEST(ResizeCanvas, PictureOnlyPartlyOnTheCanvasVertically) {
    const Image source = patternImage(3, 4100, 24);
    const Image canvas = resizeCanvas(source, 6, 0, 8, 0xFF0000);  // blue; x = 1, y = -4
    ASSERT_EQ(canvas.width(), 6);
    ASSERT_EQ(canvas.height(), 4096);
    EXPECT_EQ(canvas.at(0, 0), 0xFFFF0000);
    EXPECT_EQ(canvas.at(5, 4095), 0xFFFF0000);
    EXPECT_EQ(canvas.at(1, 0), source.at(0, 4));
    EXPECT_EQ(canvas.at(3, 4095), source.at(2, 4099));
}

}  // namespace
}  // namespace vd::test
