#include "platform/image/image_store.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr ImageNumber kA = imageNumber(0);
constexpr ImageNumber kB = imageNumber(1);
constexpr ImageNumber kMissing = imageNumber(9);

TEST(ImageStore, CreateFillsAndReplaces) {
    ImageStore store;
    ASSERT_TRUE(store.create(kA, 3, 2, 32, 0x80102030));
    EXPECT_TRUE(imagesEqual(*store.get(kA), Image(3, 2, 32, 0x80102030), "created"));
    ASSERT_TRUE(store.create(kA, 5, 4, 24, 0x00102030));
    EXPECT_EQ(store.width(kA), 5);
    EXPECT_EQ(store.height(kA), 4);
    EXPECT_EQ(store.get(kA)->at(4, 3), 0xFF102030u);  // 24-bit: opaque
}

TEST(ImageStore, RefusedCreateKeepsTheOldImage) {
    ImageStore store;
    ASSERT_TRUE(store.create(kA, 3, 2, 24, 0));
    EXPECT_FALSE(store.create(kA, 0, 2, 24, 0));
    EXPECT_FALSE(store.create(kA, kMaxImageSide + 1, 1, 24, 0));
    EXPECT_FALSE(store.create(kA, 3, 2, 16, 0));
    EXPECT_EQ(store.width(kA), 3);
}

TEST(ImageStore, ExistsAndFree) {
    ImageStore store;
    EXPECT_FALSE(store.exists(kA));
    EXPECT_EQ(store.width(kA), 0);
    EXPECT_EQ(store.height(kA), 0);
    ASSERT_TRUE(store.create(kA, 1, 1, 24, 0));
    EXPECT_TRUE(store.exists(kA));
    store.free(kA);
    EXPECT_FALSE(store.exists(kA));
    EXPECT_EQ(store.get(kA), nullptr);
    store.free(kMissing);  // harmless
}

TEST(ImageStore, CopyReplacesSizeDepthPixelsAndAlpha) {
    ImageStore store;
    store.put(kA, patternImage(4, 3, 32));
    ASSERT_TRUE(store.create(kB, 9, 9, 24, 0xFFFFFF));
    ASSERT_TRUE(store.copy(kA, kB));
    EXPECT_TRUE(imagesEqual(*store.get(kB), patternImage(4, 3, 32), "copy"));
    // The copy is independent of its source.
    store.get(kA)->at(0, 0) = 0;
    EXPECT_EQ(store.get(kB)->at(0, 0), patternImage(4, 3, 32).at(0, 0));
    EXPECT_FALSE(store.copy(kMissing, kB));
    EXPECT_EQ(store.width(kB), 4);
}

TEST(ImageStore, CopyOntoTheSameSizeSharesThePixelsAndTakesTheDepth) {
    ImageStore store;
    store.put(kA, patternImage(4, 3, 32));
    ASSERT_TRUE(store.create(kB, 3, 4, 24, 0));
    ASSERT_TRUE(store.copy(kA, kB));
    EXPECT_TRUE(std::as_const(store).get(kB)->sharesPixelsWith(*store.get(kA)));
    EXPECT_TRUE(imagesEqual(*store.get(kB), patternImage(4, 3, 32), "copy over 3x4"));
}

TEST(ImageStore, SwapExchangesImagesAndMovesAMissingOne) {
    ImageStore store;
    store.put(kA, patternImage(4, 3, 32));
    store.put(kB, patternImage(2, 5, 24));
    const Color* bufferA = store.get(kA)->pixels().data();
    store.swap(kA, kB);
    EXPECT_TRUE(imagesEqual(*store.get(kA), patternImage(2, 5, 24), "a after swap"));
    EXPECT_TRUE(imagesEqual(*store.get(kB), patternImage(4, 3, 32), "b after swap"));
    EXPECT_EQ(store.get(kB)->pixels().data(), bufferA) << "moved, not copied";
    store.swap(kB, kMissing);
    EXPECT_FALSE(store.exists(kB));
    EXPECT_TRUE(imagesEqual(*store.get(kMissing), patternImage(4, 3, 32), "moved to missing"));
    store.swap(kA, kA);
    EXPECT_EQ(store.width(kA), 2);
}

TEST(ImageStore, GrabIntoItselfAndPastTheEdge) {
    const Image pattern = patternImage(6, 5, 32);
    ImageStore store;
    store.put(kA, pattern);
    ASSERT_TRUE(store.grab(kA, kA, 2, 1, 3, 2));
    Image expected(3, 2, 32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            expected.at(x, y) = pattern.at(x + 2, y + 1);
    }
    EXPECT_TRUE(imagesEqual(*store.get(kA), expected, "grab-self"));

    // Past the right and bottom edges the grabbed region is black.
    store.put(kB, patternImage(4, 4, 24));
    ASSERT_TRUE(store.grab(kB, kA, 3, 3, 2, 2));
    const Image& grabbed = *store.get(kA);
    EXPECT_EQ(grabbed.depth(), 24);
    EXPECT_EQ(grabbed.at(0, 0), patternImage(4, 4, 24).at(3, 3));
    EXPECT_EQ(grabbed.at(1, 0), kAlphaMask);
    EXPECT_EQ(grabbed.at(1, 1), kAlphaMask);

    EXPECT_FALSE(store.grab(kMissing, kA, 0, 0, 1, 1));
    EXPECT_FALSE(store.grab(kB, kA, 0, 0, 0, 1));
    EXPECT_EQ(store.width(kA), 2);
}

TEST(ImageStore, FreshNumberIsUnused) {
    ImageStore store;
    const ImageNumber first = store.freshNumber();
    EXPECT_GT(toInt(first), 10);  // clear of the program's fixed numbers
    ASSERT_TRUE(store.create(first, 1, 1, 24, 0));
    const ImageNumber second = store.freshNumber();
    EXPECT_NE(second, first);
    EXPECT_FALSE(store.exists(second));
}

TEST(ImageStore, ResizeKeepsDepthAndRefusesBadSizes) {
    ImageStore store;
    ASSERT_TRUE(store.create(kA, 8, 6, 32, 0x7F405060));
    ASSERT_TRUE(store.resize(kA, 3, 11));
    EXPECT_TRUE(imagesEqual(*store.get(kA), Image(3, 11, 32, 0x7F405060), "resized"));
    EXPECT_FALSE(store.resize(kA, 0, 5));
    EXPECT_FALSE(store.resize(kMissing, 5, 5));
    EXPECT_EQ(store.width(kA), 3);
}

}  // namespace
}  // namespace vd::test
