#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "io/image_codec.h"
#include "tests/io/bmp_test_file.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// --- Bit fields ----------------------------------------------------------------------------

Bytes pixels16(const std::vector<std::uint16_t>& values) {
    Bytes out;
    for (std::uint16_t v : values)
        put16(out, v);
    while (out.size() % 4 != 0)
        out.push_back(0);
    return out;
}

Bytes pixels32(const std::vector<std::uint32_t>& values) {
    Bytes out;
    for (std::uint32_t v : values)
        put32(out, v);
    return out;
}

TestBmp bitFieldRow(int bits, std::vector<std::uint32_t> masks, Bytes pixels, int width) {
    TestBmp bmp;
    bmp.width = width;
    bmp.bitsPerPixel = static_cast<std::uint16_t>(bits);
    bmp.compression = masks.empty() ? 0 : (masks.size() == 4 ? 6 : 3);
    bmp.masks = std::move(masks);
    bmp.pixels = std::move(pixels);
    return bmp;
}

Color opaque(int r, int g, int b) {
    return makeColor(r, g, b, 255);
}

TEST(BmpBitFields, Default555ScalesFiveBitsToFullRangeAndIgnoresTheTopBit) {
    auto image = decode(bitFieldRow(16, {}, pixels16({0x7FFF, 0xFFFF, 0x4201, 0x0000}), 4));
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_EQ(image.value().depth(), 24);
    const Color mid = opaque(scaled(16, 5), scaled(16, 5), scaled(1, 5));
    EXPECT_TRUE(
        imagesEqual(image.value(), imageFromPixels(4, 1, {0xFFFFFFFF, 0xFFFFFFFF, mid, kBlack})));
}

TEST(BmpBitFields, Masks565GiveSixBitsToGreen) {
    auto image = decode(
        bitFieldRow(16, {0xF800, 0x07E0, 0x001F}, pixels16({0xFFFF, 0x0400, 0x8000, 0x0010}), 4));
    ASSERT_TRUE(image.ok()) << image.error();
    const std::vector<Color> expected = {0xFFFFFFFF, opaque(0, scaled(32, 6), 0),
                                         opaque(scaled(16, 5), 0, 0), opaque(0, 0, scaled(16, 5))};
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(4, 1, expected)));
}

TEST(BmpBitFields, OddAndWideChannelWidthsScaleByTheirOwnMaximum) {
    // 2-3-1 bits in 16-bit pixels.
    auto narrow = decode(bitFieldRow(16, {0x0030, 0x000E, 0x0001}, pixels16({0x003F, 0x0016}), 2));
    ASSERT_TRUE(narrow.ok()) << narrow.error();
    EXPECT_TRUE(
        imagesEqual(narrow.value(),
                    imageFromPixels(2, 1, {0xFFFFFFFF, opaque(scaled(1, 2), scaled(3, 3), 0)})));

    // A 20-bit red channel, beyond any lookup table: 0x80000 of 0xFFFFF is just over half.
    const std::uint32_t halfRed = 0x80000u << 12;
    auto wide = decode(bitFieldRow(32, {0xFFFFF000, 0x00000FC0, 0x0000003F},
                                   pixels32({halfRed | (1 << 6) | 62, 0xFFFFFFFF}), 2));
    ASSERT_TRUE(wide.ok()) << wide.error();
    EXPECT_EQ(scaled(0x80000, 20), 128);
    EXPECT_TRUE(
        imagesEqual(wide.value(),
                    imageFromPixels(2, 1, {opaque(128, scaled(1, 6), scaled(62, 6)), 0xFFFFFFFF})));
}

TEST(BmpBitFields, ChannelOrderComesFromTheMasksAndAnEmptyMaskGivesZero) {
    auto swapped =
        decode(bitFieldRow(32, {0x0000FF, 0x00FF00, 0xFF0000}, pixels32({0x04030201}), 1));
    ASSERT_TRUE(swapped.ok()) << swapped.error();
    EXPECT_EQ(swapped.value().depth(), 24);
    EXPECT_EQ(swapped.value().at(0, 0), opaque(1, 2, 3));

    auto noBlue = decode(bitFieldRow(16, {0xFF00, 0x00FF, 0}, pixels16({0x1234}), 1));
    ASSERT_TRUE(noBlue.ok()) << noBlue.error();
    EXPECT_EQ(noBlue.value().at(0, 0), opaque(0x12, 0x34, 0));
}

TEST(BmpBitFields, The32BitFourthByteIsNoAlphaWithoutAnAlphaMask) {
    auto plain = decode(bitFieldRow(32, {}, {10, 20, 30, 77}, 1));
    ASSERT_TRUE(plain.ok()) << plain.error();
    EXPECT_EQ(plain.value().depth(), 24);
    EXPECT_EQ(plain.value().at(0, 0), opaque(30, 20, 10));

    // Masks in a V4 header count only with BITFIELDS compression, not with BI_RGB.
    TestBmp v4 = bitFieldRow(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {10, 20, 30, 77}, 1);
    v4.headerSize = 108;
    v4.compression = 0;
    auto ignored = decode(v4);
    ASSERT_TRUE(ignored.ok()) << ignored.error();
    EXPECT_EQ(ignored.value().depth(), 24);
    EXPECT_EQ(ignored.value().at(0, 0), opaque(30, 20, 10));
}

TEST(BmpBitFields, AnAlphaMaskGivesA32BitImage) {
    // V5 header, 10-10-10-2.
    TestBmp v5 = bitFieldRow(32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
                             pixels32({0x3FF00000 | (512u << 10) | 1 | (1u << 30), 0x3FFFFFFF}), 2);
    v5.headerSize = 124;
    v5.compression = 3;
    auto image = decode(v5);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_EQ(image.value().depth(), 32);
    EXPECT_EQ(image.value().at(0, 0), makeColor(255, scaled(512, 10), 0, scaled(1, 2)));
    EXPECT_EQ(alphaOf(image.value().at(1, 0)), 0);

    // BI_ALPHABITFIELDS: four masks after a 40-byte header.
    auto abf = decode(bitFieldRow(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {1, 2, 3, 128}, 1));
    ASSERT_TRUE(abf.ok()) << abf.error();
    EXPECT_EQ(abf.value().depth(), 32);
    EXPECT_EQ(abf.value().at(0, 0), makeColor(3, 2, 1, 128));
}

TEST(BmpBitFields, RefusesMasksThatAreNotOneRunInsideThePixel) {
    EXPECT_FALSE(decode(bitFieldRow(16, {0x0F0F, 0x00F0, 0}, pixels16({0}), 1)).ok());
    EXPECT_FALSE(decode(bitFieldRow(16, {0x1F0000, 0x07E0, 0x001F}, pixels16({0}), 1)).ok());
    TestBmp cut = bitFieldRow(16, {0xF800, 0x07E0, 0x001F}, {}, 1);
    Bytes file = cut.bytes();
    file.resize(14 + 40 + 8);  // masks cut short, no pixels
    EXPECT_FALSE(decodeBmp(file).ok());
}

// --- Run-length streams --------------------------------------------------------------------

TestBmp runLength(int bits, int width, int height, Bytes stream) {
    TestBmp bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitsPerPixel = static_cast<std::uint16_t>(bits);
    bmp.compression = bits == 8 ? 1 : 2;
    bmp.palette = {kP0, kP1, kP2, kP3};
    bmp.pixels = std::move(stream);
    return bmp;
}

constexpr Color B = kBlack;

TEST(BmpRle, Rle8RunsEscapesAndDeltas) {
    // Stream lines go bottom-up: line 0 is the picture's last row.
    auto image =
        decode(runLength(8, 4, 3, {0x03, 0x01, 0x00, 0x00,              // 3 x P1, end of line
                                   0x00, 0x03, 0x02, 0x03, 0x01, 0x00,  // absolute 2 3 1 + pad
                                   0x00, 0x02, 0x00, 0x01,              // delta: one line on
                                   0x01, 0x02,                          // 1 x P2 at x = 3
                                   0x00, 0x01,                          // end of bitmap
                                   0x05, 0x03}));                       // never read
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(4, 3,
                                                           {B, B, B, kP2,      //
                                                            kP2, kP3, kP1, B,  //
                                                            kP1, kP1, kP1, B})));
}

TEST(BmpRle, Rle4AlternatesNibblesAndPadsAbsoluteRunsToWords) {
    auto image =
        decode(runLength(4, 5, 3, {0x05, 0x12, 0x00, 0x00,              // 1 2 1 2 1
                                   0x00, 0x05, 0x31, 0x20, 0x30, 0x00,  // 3 1 2 0 3 + pad
                                   0x00, 0x00,                          //
                                   0x00, 0x03, 0x30, 0x10, 0x02, 0x22,  // 3 0 1, no pad; 2 2
                                   0x00, 0x01}));
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(5, 3,
                                                           {kP3, kP0, kP1, kP2, kP2,  //
                                                            kP3, kP1, kP2, kP0, kP3,  //
                                                            kP1, kP2, kP1, kP2, kP1})));
}

TEST(BmpRle, RunsPastTheRowAreClippedNotWrapped) {
    auto rle8 =
        decode(runLength(8, 3, 2, {0x05, 0x01, 0x00, 0x00,              // 5 x P1 in a row of 3
                                   0x00, 0x04, 0x02, 0x02, 0x02, 0x02,  // 4 absolute
                                   0x00, 0x00, 0x03, 0x03, 0x00, 0x02, 0xFF, 0xFF, 0x7F, 0x01}));
    ASSERT_TRUE(rle8.ok()) << rle8.error();
    EXPECT_TRUE(imagesEqual(rle8.value(), imageFromPixels(3, 2, {kP2, kP2, kP2, kP1, kP1, kP1})));

    auto rle4 = decode(runLength(4, 3, 2,
                                 {0x07, 0x12, 0x00, 0x00,  // 7 pixels in 3
                                  0x00, 0x05, 0x33, 0x33, 0x33, 0x00}));
    ASSERT_TRUE(rle4.ok()) << rle4.error();
    EXPECT_TRUE(imagesEqual(rle4.value(), imageFromPixels(3, 2, {kP3, kP3, kP3, kP1, kP2, kP1})));
}

TEST(BmpRle, DeltasAndRunsBeyondThePictureWriteNothing) {
    // Far to the right, then far up: every later run falls outside and is dropped.
    auto image = decode(runLength(8, 2, 2,
                                  {0x01, 0x01, 0x00, 0x02, 0xFF, 0x00, 0xFF, 0x02, 0x00, 0x02, 0x00,
                                   0xFF, 0xFF, 0x03, 0x00, 0x00, 0xFF, 0x03}));
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(2, 2, {B, B, kP1, B})));
}

TEST(BmpRle, AStreamCutShortKeepsWhatItHadDecoded) {
    // Ends inside an absolute run (RLE8), inside a delta, and right after a count byte.
    for (const Bytes& stream : {Bytes{0x00, 0x04, 0x01, 0x02}, Bytes{0x02, 0x01, 0x00, 0x02, 0x01},
                                Bytes{0x02, 0x01, 0x03}}) {
        auto image = decode(runLength(8, 4, 1, stream));
        ASSERT_TRUE(image.ok()) << image.error();
        EXPECT_EQ(image.value().at(0, 0), kP1);
        EXPECT_EQ(image.value().at(2, 0), kBlack);
        EXPECT_EQ(image.value().at(3, 0), kBlack);
    }
    auto rle4 = decode(runLength(4, 4, 1, {0x00, 0x04, 0x12}));  // 2 of 4 nibbles present
    ASSERT_TRUE(rle4.ok()) << rle4.error();
    EXPECT_TRUE(imagesEqual(rle4.value(), imageFromPixels(4, 1, {kP1, kP2, B, B})));
}

TEST(BmpRle, TopDownStreamsFillFromTheTop) {
    auto image = decode(runLength(8, 2, -2, {0x02, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}));
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(2, 2, {kP1, kP1, kP2, kP2})));
}

TEST(BmpRle, RefusesAHugePictureFromAFewBytes) {
    EXPECT_FALSE(decode(runLength(8, 30000, 3000, {0x00, 0x01})).ok());
    EXPECT_FALSE(decode(runLength(4, 10000, 10000, Bytes(4096, 0))).ok());
    EXPECT_TRUE(decode(runLength(8, 1000, 2, {0x00, 0x01})).ok());
}

}  // namespace
}  // namespace vd::test
