#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "io/image_codec.h"
#include "tests/io/bmp_test_file.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// --- Headers -----------------------------------------------------------------------------

// A 2 x 2 8-bit picture: top row indices 0 1, bottom row 2 0, stored bottom-up.
TestBmp twoByTwoPaletted(std::uint32_t headerSize) {
    TestBmp bmp;
    bmp.headerSize = headerSize;
    bmp.width = 2;
    bmp.height = 2;
    bmp.bitsPerPixel = 8;
    bmp.palette = {kP0, kP1, kP2};
    bmp.pixels = {2, 0, 0, 0, 0, 1, 0, 0};
    return bmp;
}

TEST(BmpHeaders, EveryHeaderVersionGivesTheSamePicture) {
    const Image expected = imageFromPixels(2, 2, {kP0, kP1, kP2, kP0});
    // OS/2 1.x, OS/2 2.x short and full, Windows 3, V2, V3, V4, V5.
    for (std::uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        auto image = decode(twoByTwoPaletted(size));
        ASSERT_TRUE(image.ok()) << "header " << size << ": " << image.error();
        EXPECT_TRUE(imagesEqual(image.value(), expected, "header" + std::to_string(size)));
    }
}

TEST(BmpHeaders, RowOrderFollowsTheSignOfTheHeight) {
    TestBmp bmp;
    bmp.height = 2;
    bmp.pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // first stored row, then the second
    const Color first = makeColor(3, 2, 1, 255), second = makeColor(6, 5, 4, 255);

    auto bottomUp = decode(bmp);
    ASSERT_TRUE(bottomUp.ok()) << bottomUp.error();
    EXPECT_EQ(bottomUp.value().at(0, 1), first);
    EXPECT_EQ(bottomUp.value().at(0, 0), second);

    bmp.height = -2;
    auto topDown = decode(bmp);
    ASSERT_TRUE(topDown.ok()) << topDown.error();
    EXPECT_EQ(topDown.value().at(0, 0), first);
    EXPECT_EQ(topDown.value().at(0, 1), second);
    EXPECT_EQ(topDown.value().depth(), 24);
}

TEST(BmpHeaders, RefusesFilesThatAreNotWhole) {
    EXPECT_FALSE(decodeBmp({}).ok());
    const Bytes good = twoByTwoPaletted(40).bytes();
    EXPECT_TRUE(decodeBmp(good).ok());
    for (std::size_t length : {2u, 13u, 17u, 30u, 53u}) {
        EXPECT_FALSE(decodeBmp(std::span(good).first(length)).ok()) << "cut at " << length;
    }
    Bytes notBm = good;
    notBm[1] = 'A';
    EXPECT_FALSE(decodeBmp(notBm).ok());
}

TEST(BmpHeaders, RefusesSizesThatCannotBeAllocated) {
    for (auto [w, h] : {std::pair{0, 1},
                        {1, 0},
                        {-5, 1},
                        {3000000, 2000000},
                        {40000, 1},
                        {1, INT32_MIN},
                        {20000, 20000}}) {
        TestBmp bmp;
        bmp.width = w;
        bmp.height = h;
        bmp.pixels.assign(64, 0);
        auto image = decode(bmp);
        EXPECT_FALSE(image.ok()) << w << " x " << h;
        if (!image.ok()) {
            EXPECT_FALSE(image.error().empty());
        }
    }
}

TEST(BmpHeaders, RefusesPixelDataOutsideTheFileOrInsideTheHeaders) {
    TestBmp bmp = twoByTwoPaletted(40);
    bmp.pixelOffset = 5000;
    Bytes file = bmp.bytes();
    file.resize(200);  // bfOffBits now points past the end
    EXPECT_FALSE(decodeBmp(file).ok());

    bmp.pixelOffset = 20;  // inside the info header
    EXPECT_FALSE(decode(bmp).ok());
}

TEST(BmpHeaders, PixelsStartAtTheOffsetEvenAfterAGap) {
    TestBmp bmp = twoByTwoPaletted(40);
    bmp.pixelOffset = 14 + 40 + 3 * 4 + 100;
    auto image = decode(bmp);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(2, 2, {kP0, kP1, kP2, kP0})));
}

TEST(BmpHeaders, RefusesUncompressedDataThatIsCutShortButNotAMissingLastPad) {
    TestBmp bmp;
    bmp.width = 1;
    bmp.height = 2;
    bmp.pixels = {1, 2, 3, 0, 4, 5, 6};  // the last row's padding byte is missing
    EXPECT_TRUE(decode(bmp).ok());
    bmp.pixels.pop_back();  // now a pixel byte is missing too
    EXPECT_FALSE(decode(bmp).ok());
}

TEST(BmpHeaders, RefusesWhatItCannotDecode) {
    struct Case {
        const char* what;
        std::uint32_t headerSize;
        std::uint16_t bits;
        std::uint32_t compression;
    };
    for (const Case& c : {Case{"bit count 30000", 40, 30000, 0}, Case{"bit count 0", 40, 0, 0},
                          Case{"64 bits", 40, 64, 0}, Case{"RLE8 at 24 bits", 40, 24, 1},
                          Case{"RLE4 at 8 bits", 40, 8, 2}, Case{"bit fields at 8 bits", 40, 8, 3},
                          Case{"embedded JPEG", 124, 24, 4}, Case{"embedded PNG", 124, 24, 5},
                          Case{"CMYK", 40, 32, 11}, Case{"OS/2 Huffman", 64, 1, 3},
                          Case{"OS/2 RLE24", 64, 24, 4}, Case{"header size 8", 8, 24, 0}}) {
        TestBmp bmp;
        bmp.headerSize = c.headerSize;
        bmp.bitsPerPixel = c.bits;
        bmp.compression = c.compression;
        bmp.masks = {0xFF0000, 0xFF00, 0xFF};
        bmp.pixels.assign(64, 0);
        EXPECT_FALSE(decode(bmp).ok()) << c.what;
    }
}

// --- Colour tables -----------------------------------------------------------------------

TEST(BmpPalette, SmallIndicesAreReadHighBitsFirstWithRowPadding) {
    // 9 pixels a row, so 1-bit rows need 2 bytes of data (+2 padding) and 4-bit rows 5 (+3).
    const std::vector<Color> palette = {kP0, kP1, kP2, kP3};
    struct Case {
        int bits;
        Bytes row;
        std::vector<int> indices;
    };
    for (const Case& c :
         {Case{1, {0b10110000, 0b10000000, 0, 0}, {1, 0, 1, 1, 0, 0, 0, 0, 1}},
          Case{2, {0b00011011, 0b11100100, 0b10000000, 0}, {0, 1, 2, 3, 3, 2, 1, 0, 2}},
          Case{4, {0x01, 0x23, 0x32, 0x10, 0x20, 0, 0, 0}, {0, 1, 2, 3, 3, 2, 1, 0, 2}}}) {
        TestBmp bmp;
        bmp.width = 9;
        bmp.height = 2;
        bmp.bitsPerPixel = static_cast<std::uint16_t>(c.bits);
        bmp.palette.assign(palette.begin(), palette.begin() + (c.bits == 1 ? 2 : 4));
        bmp.pixels = c.row;
        bmp.pixels.insert(bmp.pixels.end(), c.row.size(), 0);  // bottom row: all index 0
        auto image = decode(bmp);
        ASSERT_TRUE(image.ok()) << c.bits << " bits: " << image.error();
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(image.value().at(x, 1), palette[c.indices[x]]) << c.bits << " bits, x " << x;
            EXPECT_EQ(image.value().at(x, 0), kP0) << c.bits << " bits, x " << x;
        }
    }
}

TEST(BmpPalette, IndicesPastTheTableAreBlackAndTheReservedByteIsNoAlpha) {
    TestBmp bmp;
    bmp.width = 3;
    bmp.bitsPerPixel = 8;
    bmp.colorsUsed = 2;
    bmp.palette = {kP1, kP2};
    bmp.pixels = {1, 2, 255, 0};
    Bytes file = bmp.bytes();
    file[14 + 40 + 3] = 0x80;  // reserved byte of entry 0
    auto image = decodeBmp(file);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_EQ(image.value().depth(), 24);
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(3, 1, {kP2, kBlack, kBlack})));
}

TEST(BmpPalette, ACountRunningPastTheFileIsRefused) {
    TestBmp bmp;
    bmp.bitsPerPixel = 8;
    bmp.colorsUsed = 200;  // 800 bytes claimed, 8 present
    bmp.palette = {kP1, kP2};
    bmp.pixels = {0, 0, 0, 0};
    EXPECT_FALSE(decode(bmp).ok());
    bmp.colorsUsed = 0xFFFFFFFF;
    EXPECT_FALSE(decode(bmp).ok());
}

TEST(BmpPalette, AnImpliedCountStopsWhereThePixelsBegin) {
    // An OS/2 1.x file with 3 of its 256 implied colours; the pixel bytes that follow must not
    // be taken as colours.
    TestBmp bmp;
    bmp.headerSize = 12;
    bmp.width = 3;
    bmp.bitsPerPixel = 8;
    bmp.palette = {kP1, kP2, kP3};
    bmp.pixels = {2, 0, 4, 0};
    auto image = decode(bmp);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(3, 1, {kP3, kP1, kBlack})));
}

TEST(BmpPalette, AnOversizedTableIsCutTo256) {
    TestBmp bmp;
    bmp.width = 2;
    bmp.bitsPerPixel = 8;
    bmp.colorsUsed = 300;
    bmp.palette.assign(300, kP1);
    bmp.palette[255] = kP3;
    bmp.pixels = {255, 0, 0, 0};
    auto image = decode(bmp);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_TRUE(imagesEqual(image.value(), imageFromPixels(2, 1, {kP3, kP1})));
}

// --- Writer ------------------------------------------------------------------------------

TEST(BmpWriter, RoundTripsKeepPixelsAndDepth) {
    // Widths 1 to 5 give every amount of 24-bit row padding.
    for (int depth : {24, 32}) {
        for (int width = 1; width <= 5; ++width) {
            const Image original = patternImage(width, 3, depth);
            auto encoded = encodeBmp(original);
            ASSERT_TRUE(encoded.ok()) << encoded.error();
            // Headers, then whole rows of 3 or 4 bytes a pixel padded to 4 bytes.
            const std::size_t stride = (width * (depth / 8) + 3) / 4 * 4;
            const std::size_t offset = depth == 32 ? 138 : 54;
            ASSERT_EQ(encoded.value().size(), offset + 3 * stride);
            for (std::size_t at = offset; at < encoded.value().size(); at += stride) {
                for (std::size_t pad = width * (depth / 8); pad < stride; ++pad)
                    EXPECT_EQ(encoded.value()[at + pad], 0) << "row padding";
            }
            auto decoded = decodeBmp(encoded.value());
            ASSERT_TRUE(decoded.ok()) << decoded.error();
            EXPECT_TRUE(
                imagesEqual(decoded.value(), original,
                            "roundtrip" + std::to_string(depth) + "w" + std::to_string(width)));
        }
    }
}

TEST(BmpWriter, Writes24BitImagesAsPlainBottomUpRgb) {
    // 3 x 2: rows of 9 bytes padded to 12.
    const Image image = imageFromPixels(3, 2, {makeColor(1, 2, 3), 0, 0, makeColor(4, 5, 6), 0, 0});
    auto encoded = encodeBmp(image);
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    const Bytes& file = encoded.value();
    ASSERT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(get32(file, 2), 78u);
    EXPECT_EQ(get32(file, 10), 54u);
    EXPECT_EQ(get32(file, 14), 40u);
    EXPECT_EQ(get32(file, 18), 3u);
    EXPECT_EQ(get32(file, 22), 2u);  // positive: bottom-up
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(get32(file, 30), 0u);  // BI_RGB
    // The bottom row comes first, blue first, and the padding is zero.
    EXPECT_EQ((Bytes{file.begin() + 54, file.begin() + 66}),
              (Bytes{6, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ((Bytes{file.begin() + 66, file.begin() + 69}), (Bytes{3, 2, 1}));
}

TEST(BmpWriter, Writes32BitImagesWithAnAlphaMask) {
    const Image image = imageFromPixels(1, 2, {makeColor(1, 2, 3, 4), makeColor(5, 6, 7, 0)}, 32);
    auto encoded = encodeBmp(image);
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    const Bytes& file = encoded.value();
    ASSERT_EQ(file.size(), 14u + 124u + 8u);
    EXPECT_EQ(get32(file, 10), 138u);
    EXPECT_EQ(get32(file, 14), 124u);
    EXPECT_EQ(file[28], 32);
    EXPECT_EQ(get32(file, 30), 3u);  // BI_BITFIELDS
    EXPECT_EQ(get32(file, 54), 0x00FF0000u);
    EXPECT_EQ(get32(file, 58), 0x0000FF00u);
    EXPECT_EQ(get32(file, 62), 0x000000FFu);
    EXPECT_EQ(get32(file, 66), 0xFF000000u);
    EXPECT_EQ((Bytes{file.begin() + 138, file.end()}), (Bytes{7, 6, 5, 0, 3, 2, 1, 4}));
}

TEST(BmpWriter, RefusesAnEmptyImage) {
    EXPECT_FALSE(encodeBmp(Image{}).ok());
}

}  // namespace
}  // namespace vd::test
