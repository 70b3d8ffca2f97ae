#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

int triangle(int v) {
    return std::abs(v % 120 - 60);
}

// Gentle slopes (3 per pixel) in different directions for each channel: a swap of two
// channels, a wrong row stride or a mirrored row shows as a large difference.
Image smoothImage(int width, int height, int depth = 24) {
    Image image(width, height, depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int r = 20 + 3 * triangle(x);
            const int g = 30 + 3 * triangle(y + 20);
            const int b = 230 - 3 * triangle(x + 40);
            image.at(x, y) = makeColor(r, g, b, depth == 32 ? (x * 37 + y) & 0xFF : 255);
        }
    }
    return image;
}

// Offset of the first marker `code` (the byte after 0xFF) in the header part of a file.
std::size_t findMarker(const Bytes& bytes, std::uint8_t code) {
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    }
    return std::string::npos;
}

TEST(JpegRoundTrip, SmoothImageComesBackCloseAt24Bits) {
    const Image original = smoothImage(64, 48);
    auto encoded = encodeJpeg(original);
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    EXPECT_EQ(detectFormat(encoded.value()), ImageFormat::Jpeg);
    auto decoded = decodeJpeg(encoded.value());
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    ASSERT_EQ(decoded.value().width(), 64);
    ASSERT_EQ(decoded.value().height(), 48);
    EXPECT_EQ(decoded.value().depth(), 24);
    EXPECT_LE(largestChannelDifference(decoded.value(), original), 12);
    for (Color c : decoded.value().pixels())
        ASSERT_EQ(alphaOf(c), 255);
}

TEST(JpegRoundTrip, OddSizesKeepTheirSize) {
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {17, 33}, {250, 9}}) {
        auto decoded = decodeJpeg(encodeJpeg(smoothImage(w, h)).value());
        ASSERT_TRUE(decoded.ok()) << w << "x" << h;
        EXPECT_EQ(decoded.value().width(), w);
        EXPECT_EQ(decoded.value().height(), h);
        EXPECT_LE(largestChannelDifference(decoded.value(), smoothImage(w, h)), 16)
            << w << "x" << h;
    }
}

TEST(JpegEncode, DropsAlpha) {
    // The same colours with and without an alpha channel give the same file.
    Image withAlpha = smoothImage(40, 24, 32);
    Image opaque = withAlpha;
    opaque.setDepth(24);
    EXPECT_EQ(encodeJpeg(withAlpha).value(), encodeJpeg(opaque).value());
}

TEST(JpegEncode, WritesBaselineThreeComponentsAtTheRequestedQuality) {
    const Bytes file = encodeJpeg(smoothImage(16, 16)).value();
    const std::size_t sof = findMarker(file, 0xC0);
    ASSERT_NE(sof, std::string::npos) << "no baseline SOF0";
    EXPECT_EQ(file[sof + 9], 3) << "component count";
    // The luminance table's first entry is 16 scaled by quality: 70 gives 200 - 2 * 70 = 60
    // percent, (16 * 60 + 50) / 100 = 10; 90 gives 20 percent, 3.
    const std::size_t dqt = findMarker(file, 0xDB);
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(file[dqt + 4], 0) << "8-bit table 0 first";
    EXPECT_EQ(file[dqt + 5], 10);
    const Bytes finer = encodeJpeg(smoothImage(16, 16), 90).value();
    EXPECT_EQ(finer[findMarker(finer, 0xDB) + 5], 3);
}

TEST(JpegEncode, RefusesAnEmptyImage) {
    EXPECT_FALSE(encodeJpeg(Image()).ok());
}

// --- Hostile input ---

std::vector<HostileFile> hostileCases() {
    std::vector<HostileFile> files = notPictures();
    for (const HostileFile& file : hostileJpegFiles()) files.push_back(file);
    return files;
}

class JpegHostile : public testing::TestWithParam<HostileFile> {};

TEST_P(JpegHostile, IsRefusedWithAReason) {
    auto image = decodeJpeg(GetParam().bytes);
    ASSERT_FALSE(image.ok());
    EXPECT_FALSE(image.error().empty());
    if (!GetParam().errorMentions.empty()) {
        EXPECT_NE(image.error().find(GetParam().errorMentions), std::string::npos) << image.error();
    }
}

INSTANTIATE_TEST_SUITE_P(Files, JpegHostile, testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

TEST(JpegDecode, TruncationsAreRefusedInTheHeaderAndNeverCrashLater) {
    const Bytes whole = encodeJpeg(smoothImage(48, 32)).value();
    const std::size_t scanStart = findMarker(whole, 0xDA);
    ASSERT_NE(scanStart, std::string::npos);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        auto image = decodeJpeg(cut);
        if (length <= scanStart) {
            EXPECT_FALSE(image.ok()) << "cut at " << length;
        } else if (image) {
            // Damaged data may decode, but always at the size the header gives.
            EXPECT_EQ(image.value().width(), 48) << "cut at " << length;
            EXPECT_EQ(image.value().height(), 32) << "cut at " << length;
        }
    }
}

TEST(JpegDecode, GarbageInTheScanNeverCrashes) {
    Bytes file = encodeJpeg(smoothImage(64, 64)).value();
    const std::size_t scanStart = findMarker(file, 0xDA) + 14;
    std::uint32_t seed = 12345;
    for (int round = 0; round < 50; ++round) {
        Bytes damaged = file;
        for (int i = 0; i < 20; ++i) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t at = scanStart + (seed >> 8) % (file.size() - scanStart - 2);
            damaged[at] = static_cast<std::uint8_t>(seed >> 24);
        }
        auto image = decodeJpeg(damaged);
        if (image) {
            EXPECT_EQ(image.value().width(), 64);
        }
    }
}

// A progressive file whose last scan is repeated hundreds of times: each repeat is only a
// warning to libjpeg, so without a limit the decoder would grind through all of them.
TEST(JpegDecode, RefusesAFileWithHundredsOfScans) {
    const auto path = testdataDir() / "codecs/jpeg/images/progressive_420.jpg";
    const FileBytes read = readFileBytes(path.string()).value();
    const Bytes original(read.begin(), read.end());
    ASSERT_TRUE(decodeJpeg(original).ok());
    std::size_t lastScan = std::string::npos;
    for (std::size_t i = 2; i + 1 < original.size(); ++i) {
        if (original[i] == 0xFF && original[i + 1] == 0xDA) lastScan = i;
    }
    ASSERT_NE(lastScan, std::string::npos);
    const std::size_t end = original.size() - 2;  // before EOI
    Bytes repeated(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(end));
    for (int i = 0; i < 600; ++i) {
        repeated.insert(repeated.end(), original.begin() + static_cast<std::ptrdiff_t>(lastScan),
                        original.begin() + static_cast<std::ptrdiff_t>(end));
    }
    repeated.insert(repeated.end(), {0xFF, 0xD9});
    auto image = decodeJpeg(repeated);
    ASSERT_FALSE(image.ok());
    EXPECT_NE(image.error().find("too many scans"), std::string::npos) << image.error();
}

}  // namespace
}  // namespace vd::test
