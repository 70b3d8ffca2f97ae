// The PNG writer checked from outside: libpng alone reads every file back to the same pixels
// and depth, and the chunks are framed and checksummed as a reader expects.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "io/png_format.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

struct WrittenCase {
    std::string name;
    int colors;  // distinct colours in the picture
    int depth;
    int width, height;
    bool trueColor;
    int colorType;  // what the header must say
    int bitDepth;
};

// `colors` distinct colours, each used at least once, in a random order; in a 32-bit picture
// every fourth colour is translucent.
Image pictureOf(const WrittenCase& c) {
    std::mt19937 random(static_cast<unsigned>(c.colors * 977 + c.width));
    std::vector<Color> palette;
    for (int i = 0; i < c.colors; ++i) {
        const int alpha = c.depth == 32 && i % 4 == 1 ? static_cast<int>(random() % 255) : 255;
        palette.push_back(makeColor(i & 0xFF, (i >> 8) & 0xFF, static_cast<int>(random() % 256), alpha));
    }
    std::vector<Color> pixels;
    for (int i = 0; i < c.width * c.height; ++i) {
        pixels.push_back(i < c.colors ? palette[static_cast<std::size_t>(i)]
                                      : palette[random() % palette.size()]);
    }
    std::shuffle(pixels.begin(), pixels.end(), random);
    return imageFromPixels(c.width, c.height, pixels, c.depth);
}

class PngWritten : public testing::TestWithParam<WrittenCase> {};

TEST_P(PngWritten, ReadsBackThroughLibpngAlone) {
    const WrittenCase& c = GetParam();
    const Image original = pictureOf(c);
    const auto file = encodePng(original, {.trueColor = c.trueColor});
    ASSERT_TRUE(file.ok()) << file.error();
    ASSERT_GT(file.value().size(), 26u);
    EXPECT_EQ(file.value()[24], c.bitDepth);
    EXPECT_EQ(file.value()[25], c.colorType);
    const auto decoded = png::decodeWithLibpng(file.value());
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_TRUE(imagesEqual(decoded.value(), original, "written_" + c.name));
}

std::vector<WrittenCase> writtenCases() {
    std::vector<WrittenCase> cases;
    for (int depth : {24, 32}) {
        const std::string suffix = std::string("_") + std::to_string(depth);
        for (auto [colors, bitDepth] : std::vector<std::pair<int, int>>{
                 {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}}) {
            for (int width : {1, 3, 9, 61}) {
                const int height = (colors + width - 1) / width + 2;
                cases.push_back({"palette_" + std::to_string(colors) + "_w" + std::to_string(width) + suffix,
                                 colors, depth, width, height, false, 3, bitDepth});
            }
        }
        const int trueType = depth == 32 ? 6 : 2;
        cases.push_back({"257_colours" + suffix, 257, depth, 20, 20, false, trueType, 8});
        cases.push_back({"noise" + suffix, 5000, depth, 97, 61, false, trueType, 8});
        cases.push_back({"option_true_colour" + suffix, 7, depth, 5, 3, true, trueType, 8});
        cases.push_back({"one_pixel" + suffix, 1, depth, 1, 1, true, trueType, 8});
        // Rows of over a megabyte, deflated in two parts joined into one stream.
        cases.push_back({"large_palette" + suffix, 256, depth, 1200, 900, false, 3, 8});
        cases.push_back({"large_16_colours" + suffix, 16, depth, 2400, 900, false, 3, 4});
        cases.push_back({"large_noise" + suffix, 100000, depth, 700, 600, false, trueType, 8});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngWritten, testing::ValuesIn(writtenCases()),
                         [](const auto& info) { return info.param.name; });

struct Chunk {
    std::string type;
    std::uint32_t length;
};

// The chunks of a file, each CRC checked with zlib's crc32; stops the test on a bad one.
std::vector<Chunk> chunksOf(const Bytes& file) {
    std::vector<Chunk> chunks;
    EXPECT_TRUE(std::equal(std::begin(png::kSignature), std::end(png::kSignature), file.begin()));
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t length = png::readBigEndian32(file.data() + at);
        EXPECT_LE(at + 12 + length, file.size());
        if (at + 12 + length > file.size()) break;
        const uLong crc = crc32(0, file.data() + at + 4, 4 + length);
        EXPECT_EQ(crc, png::readBigEndian32(file.data() + at + 8 + length)) << "chunk at " << at;
        chunks.push_back({std::string(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                      file.begin() + static_cast<std::ptrdiff_t>(at + 8)),
                          length});
        at += 12 + length;
    }
    return chunks;
}

TEST(PngWriter, FramesChunksInOrderWithTheirCrcs) {
    struct Row {
        const char* name;
        Image picture;
        std::vector<std::string> leading;
    };
    Image translucent = pictureOf({"", 40, 32, 30, 30, false, 3, 8});
    const Row rows[] = {
        {"noise_rgb", patternImage(700, 700, 24), {"IHDR"}},
        {"palette_translucent", translucent, {"IHDR", "PLTE", "tRNS"}},
        {"palette_opaque", pictureOf({"", 40, 24, 30, 30, false, 3, 8}), {"IHDR", "PLTE"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes file = encodePng(row.picture).value();
        const std::vector<Chunk> chunks = chunksOf(file);
        ASSERT_GT(chunks.size(), row.leading.size() + 1);
        for (std::size_t i = 0; i < row.leading.size(); ++i) EXPECT_EQ(chunks[i].type, row.leading[i]);
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_EQ(chunks.back().length, 0u);
        for (std::size_t i = row.leading.size(); i + 1 < chunks.size(); ++i) {
            EXPECT_EQ(chunks[i].type, "IDAT");
            // Every IDAT but the last is full: no reader has to gather slivers.
            if (i + 2 < chunks.size()) {
                EXPECT_EQ(chunks[i].length, 256u * 1024);
            }
        }
    }
}

}  // namespace
}  // namespace vd::test
