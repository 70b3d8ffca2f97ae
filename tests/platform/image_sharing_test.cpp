// Copies of an image share their pixels until one of them is written.

#include <gtest/gtest.h>

#include <utility>

#include "platform/image/draw.h"
#include "platform/image/image.h"
#include "platform/image/image_store.h"

namespace vd {
namespace {

const Color kRed = makeColor(255, 0, 0);
const Color kBlue = makeColor(0, 0, 255);

TEST(ImageSharing, AWriteToOneCopyLeavesTheOtherAsItWas) {
    Image original(4, 3, 32, kRed);
    Image copy = original;
    EXPECT_TRUE(copy.sharesPixelsWith(original));

    copy.at(1, 2) = kBlue;
    EXPECT_FALSE(copy.sharesPixelsWith(original));
    EXPECT_EQ(original.at(1, 2), kRed);
    EXPECT_EQ(copy.at(1, 2), kBlue);
    EXPECT_EQ(copy.at(0, 0), kRed) << "the copy keeps the other pixels";

    Image assigned;
    assigned = original;
    assigned.pixels()[0] = kBlue;
    EXPECT_EQ(original.at(0, 0), kRed);
    Image depthChanged = original;
    depthChanged.setDepth(24);
    EXPECT_EQ(original.depth(), 32);
    EXPECT_EQ(original.at(0, 0), kRed);
}

TEST(ImageSharing, ReadingAndDrawingReadsDoNotCopy) {
    Image original(8, 8, 24, kRed);
    Image copy = original;
    const Image& readOnly = copy;
    EXPECT_EQ(readOnly.at(3, 3), kRed | kAlphaMask);
    EXPECT_EQ(readOnly.row(7)[7], kRed | kAlphaMask);
    EXPECT_EQ(readOnly.pixels().size(), 64u);
    EXPECT_EQ(DrawTarget(copy).readPixel(2, 2), kRed);
    EXPECT_TRUE(copy.sharesPixelsWith(original));
}

TEST(ImageSharing, EqualityIsBySizeDepthAndPixelsWhicheverBuffer) {
    const Image a(3, 3, 24, kRed);
    Image b(3, 3, 24, kRed);
    EXPECT_EQ(a, b);
    b.at(2, 2) = kBlue | kAlphaMask;
    EXPECT_NE(a, b);
    const Image shared = a;
    EXPECT_EQ(a, shared);
    EXPECT_NE(a, Image(3, 3, 32, kRed | kAlphaMask)) << "depth counts";
    EXPECT_NE(a, Image(9, 1, 24, kRed)) << "size counts";
}

TEST(ImageSharing, UnfilledImagesHaveTheirSizeAndAreRefusedLikeOthers) {
    const Image picture = Image::unfilled(5, 7, 32);
    EXPECT_EQ(picture.width(), 5);
    EXPECT_EQ(picture.height(), 7);
    EXPECT_EQ(picture.depth(), 32);
    EXPECT_EQ(picture.pixelCount(), 35u);
    EXPECT_THROW(Image::unfilled(0, 7, 24), std::invalid_argument);
    EXPECT_THROW(Image::unfilled(40000, 2, 24), std::invalid_argument);
    EXPECT_THROW(Image::unfilled(5, 7, 16), std::invalid_argument);
}

TEST(ImageSharing, TheStoreCopiesBySharingAndKeepsTheSourceOnAWrite) {
    ImageStore store;
    const ImageNumber a = imageNumber(1), b = imageNumber(2);
    ASSERT_TRUE(store.create(a, 6, 4, 24, kRed));
    ASSERT_TRUE(store.copy(a, b));
    EXPECT_TRUE(store.get(b)->sharesPixelsWith(*store.get(a)));
    store.get(b)->at(5, 3) = kBlue | kAlphaMask;
    EXPECT_EQ(store.get(a)->at(5, 3), kRed | kAlphaMask);
    EXPECT_EQ(store.get(b)->at(5, 3), kBlue | kAlphaMask);
}

}  // namespace
}  // namespace vd
