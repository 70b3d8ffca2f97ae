#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

Image decodeOrFail(const Bytes& bytes) {
    auto image = decodePng(bytes);
    EXPECT_TRUE(image.ok()) << image.error();
    return image ? std::move(image).value() : Image();
}

// --- Round trips (true colour; palette files are in png_palette_test.cpp) ---

struct RoundTripCase {
    int width, height, depth;
};

class PngRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(PngRoundTrip, GivesBackTheSamePixelsAndDepth) {
    const auto [width, height, depth] = GetParam();
    const Image original = patternImage(width, height, depth);
    auto encoded = encodePng(original, {.trueColor = true});
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    // The header says 8-bit RGB for 24-bit images and 8-bit RGBA for 32-bit ones, even for
    // the small ones that would fit a palette.
    ASSERT_GT(encoded.value().size(), 26u);
    EXPECT_EQ(encoded.value()[24], 8);
    EXPECT_EQ(encoded.value()[25], depth == 32 ? 6 : 2);
    EXPECT_EQ(detectFormat(encoded.value()), ImageFormat::Png);

    auto decoded = decodePng(encoded.value());
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_TRUE(imagesEqual(decoded.value(), original, "png_round_trip"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PngRoundTrip,
                         testing::Values(RoundTripCase{1, 1, 24}, RoundTripCase{1, 1, 32},
                                         RoundTripCase{3, 7, 24}, RoundTripCase{17, 5, 32},
                                         RoundTripCase{513, 2, 24}, RoundTripCase{2, 300, 32},
                                         RoundTripCase{64, 64, 24}, RoundTripCase{64, 64, 32}));

TEST(PngEncode, KeepsAnOpaque32BitImageAt32Bits) {
    Image opaque(4, 3, 32, makeColor(10, 20, 30, 255));
    auto decoded = decodePng(encodePng(opaque, {.trueColor = true}).value());
    ASSERT_TRUE(decoded.ok());
    EXPECT_TRUE(imagesEqual(decoded.value(), opaque, "png_opaque32"));
}

TEST(PngEncode, RefusesAnEmptyImage) {
    EXPECT_FALSE(encodePng(Image()).ok());
}

// --- Sample conversions worked out by hand ---

TEST(PngDecode, Rounds16BitSamplesRatherThanTakingTheHighByte) {
    // v / 257 rounded; a value never falls exactly on a half.
    const std::vector<std::uint16_t> samples = {0, 128, 129, 255, 385, 386, 0x80FF, 65278, 65535};
    PngParts parts;
    parts.width = static_cast<std::uint32_t>(samples.size());
    parts.bitDepth = 16;
    parts.colorType = 0;
    parts.rows = {0};
    std::vector<Color> expected;
    for (std::uint16_t v : samples) {
        parts.rows.push_back(static_cast<std::uint8_t>(v >> 8));
        parts.rows.push_back(static_cast<std::uint8_t>(v & 0xFF));
        const int grey = (2 * v + 257) / (2 * 257);
        expected.push_back(makeColor(grey, grey, grey));
    }
    const Image image = decodeOrFail(buildPng(parts));
    EXPECT_TRUE(imagesEqual(image, imageFromPixels(parts.width, 1, expected), "png_grey16"));
}

TEST(PngDecode, PaletteEntriesPastTheTransparencyTableAreOpaque) {
    PngParts parts;
    parts.width = 3;
    parts.colorType = 3;
    parts.beforeData = {{"PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9}}, {"tRNS", {0, 128}}};
    parts.rows = {0, 2, 1, 0};
    const Image image = decodeOrFail(buildPng(parts));
    EXPECT_TRUE(imagesEqual(
        image,
        imageFromPixels(
            3, 1, {makeColor(7, 8, 9, 255), makeColor(4, 5, 6, 128), makeColor(1, 2, 3, 0)}, 32),
        "png_palette_trns"));
}

// --- Hostile input ---

std::vector<HostileFile> hostileCases() {
    std::vector<HostileFile> files = notPictures();
    for (const HostileFile& file : hostilePngFiles()) files.push_back(file);
    return files;
}

class PngHostile : public testing::TestWithParam<HostileFile> {};

TEST_P(PngHostile, IsRefusedWithAReason) {
    auto image = decodePng(GetParam().bytes);
    ASSERT_FALSE(image.ok());
    EXPECT_FALSE(image.error().empty());
    if (!GetParam().errorMentions.empty()) {
        EXPECT_NE(image.error().find(GetParam().errorMentions), std::string::npos) << image.error();
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PngHostile, testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

TEST(PngDecode, RefusesEveryTruncationOfAValidFile) {
    const Bytes whole = encodePng(patternImage(40, 30, 32)).value();
    ASSERT_TRUE(decodePng(whole).ok());
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(decodePng(cut).ok()) << "cut at " << length << " of " << whole.size();
    }
}

TEST(PngDecode, RefusesFlippedBitsInTheImageData) {
    Bytes bytes = encodePng(patternImage(16, 16, 24), {.trueColor = true}).value();
    bytes[bytes.size() / 2] ^= 0x40;  // inside IDAT: its CRC no longer matches
    EXPECT_FALSE(decodePng(bytes).ok());
}

}  // namespace
}  // namespace vd::test
