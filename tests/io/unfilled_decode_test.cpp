// The decoders allocate their pictures unfilled, so each must write every pixel, alpha
// included. Here they get memory full of garbage: a picture of the same size is filled and
// dropped first, and the pixel allocator hands its buffer to the next one of that size (the
// spare of platform/image/pixel_buffer.h, kept for pictures of 1024 x 1024 and up). Two
// different garbages must give the same, expected picture.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "tests/io/bmp_test_file.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr int kSide = 1024;

// A run-length stream that skips pixels every way it can. Line 0: 5 x P1, then a delta 10
// right and 2 down; line 2: 3 x P2 from x 15, then the line ends; line 3: an absolute run
// P0 P1 P2 P3, then the bitmap ends. Everything else is black.
Bytes skippingRunLength(int bits, bool topDown) {
    TestBmp bmp;
    bmp.width = kSide;
    bmp.height = topDown ? -kSide : kSide;
    bmp.bitsPerPixel = static_cast<std::uint16_t>(bits);
    bmp.compression = bits == 8 ? 1 : 2;
    bmp.palette = {kP0, kP1, kP2, kP3};
    bmp.pixels = bits == 8 ? Bytes{5, 1, 0, 2, 10, 2, 3, 2, 0, 0, 0, 4, 0, 1, 2, 3, 0, 1}
                           : Bytes{5, 0x11, 0, 2, 10, 2, 3, 0x22, 0, 0, 0, 4, 0x01, 0x23, 0, 1};
    bmp.pixels.resize(1024, 0);  // never read; a far shorter stream would be refused
    return bmp.bytes();
}

Image skippedRunLengthPicture(bool topDown) {
    Image image(kSide, kSide, 24, kBlack);
    auto row = [&](int line) { return image.row(topDown ? line : kSide - 1 - line); };
    std::fill_n(row(0), 5, kP1);
    std::fill_n(row(2) + 15, 3, kP2);
    const Color absolute[] = {kP0, kP1, kP2, kP3};
    std::copy_n(absolute, 4, row(3));
    return image;
}

struct UnfilledCase {
    std::string name;
    Bytes file;
    Image expected;  // empty for the lossy JPEG: the two decodes must agree
};

void PrintTo(const UnfilledCase& c, std::ostream* os) { *os << c.name; }

std::vector<UnfilledCase> unfilledCases() {
    const Image rgb = patternImage(kSide, kSide, 24);
    const Image rgba = patternImage(kSide, kSide, 32);
    return {
        {"png_rgb", encodePng(rgb).value(), rgb},
        {"png_rgba", encodePng(rgba).value(), rgba},
        {"jpeg", encodeJpeg(rgb).value(), Image()},
        {"bmp_24_bits", encodeBmp(rgb).value(), rgb},
        {"bmp_32_bits", encodeBmp(rgba).value(), rgba},
        {"rle8_bottom_up", skippingRunLength(8, false), skippedRunLengthPicture(false)},
        {"rle8_top_down", skippingRunLength(8, true), skippedRunLengthPicture(true)},
        {"rle4_bottom_up", skippingRunLength(4, false), skippedRunLengthPicture(false)},
        {"rle4_top_down", skippingRunLength(4, true), skippedRunLengthPicture(true)},
    };
}

class UnfilledDecode : public testing::TestWithParam<UnfilledCase> {};

TEST_P(UnfilledDecode, WritesEveryPixelOverGarbage) {
    std::vector<Image> decoded;
    for (Color garbage : {0x5AC3A50Fu, 0xA53C5AF0u}) {  // every byte differs
        Image(kSide, kSide, 32, garbage);  // filled, then dropped: its buffer is the spare
        auto image = decodeImage(GetParam().file);
        ASSERT_TRUE(image.ok()) << image.error();
        decoded.push_back(std::move(image).value().image);
    }
    EXPECT_TRUE(imagesEqual(decoded[1], decoded[0], GetParam().name + "-garbage"));
    if (!GetParam().expected.empty()) {
        EXPECT_TRUE(imagesEqual(decoded[0], GetParam().expected, GetParam().name));
    }
    if (decoded[0].depth() == 24) {
        for (Color c : decoded[0].pixels())
            ASSERT_EQ(alphaOf(c), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, UnfilledDecode, testing::ValuesIn(unfilledCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vd::test
