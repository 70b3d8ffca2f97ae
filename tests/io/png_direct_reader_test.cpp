// The direct PNG reader against libpng: on every file it takes it must give libpng's pixels
// and depth, and every file it leaves must reach libpng, so that decodePng gives the same
// pictures and the same refusals as libpng alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "io/png_format.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// decodePng and libpng alone agree: the same picture and depth, or the same refusal.
void expectSameAsLibpng(const Bytes& bytes) {
    const Result<Image> reference = png::decodeWithLibpng(bytes);
    const Result<Image> decoded = decodePng(bytes);
    ASSERT_EQ(decoded.ok(), reference.ok())
        << (reference.ok() ? decoded.error() : reference.error());
    if (!reference.ok()) {
        EXPECT_EQ(decoded.error(), reference.error());
        return;
    }
    EXPECT_EQ(decoded.value().depth(), reference.value().depth());
    EXPECT_TRUE(imagesEqual(decoded.value(), reference.value(), "direct_vs_libpng"));
}

Bytes fileBytes(const std::filesystem::path& path) {
    auto read = readFileBytes(path.string());
    EXPECT_TRUE(read.ok()) << path << ": " << (read.ok() ? "" : read.error());
    return read ? Bytes(read.value().begin(), read.value().end()) : Bytes();
}

// --- Every PNG of the shared suites and the photos, by both readers ---

std::vector<std::string> sharedPngFiles() {
    std::vector<std::string> files;
    for (const char* folder : {"codecs/png", "photos"}) {
        const auto dir = testdataDir() / folder;
        if (!std::filesystem::exists(dir)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            if (entry.path().extension() == ".png") {
                files.push_back(std::filesystem::relative(entry.path(), testdataDir()).string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class PngBothReaders : public testing::TestWithParam<std::string> {};

TEST_P(PngBothReaders, GiveTheSamePictureOrRefusal) {
    expectSameAsLibpng(fileBytes(testdataDir() / GetParam()));
}

INSTANTIATE_TEST_SUITE_P(SharedFiles, PngBothReaders, testing::ValuesIn(sharedPngFiles()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace_if(name.begin(), name.end(),
                                             [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
                                             '_');
                             return name;
                         });

TEST(PngDirectReader, TakesTheCommonFiles) {
    for (const char* file : {"codecs/png/images/basn2c08.png", "codecs/png/images/f00n2c08.png",
                             "codecs/png/images/f02n2c08.png", "codecs/png/images/f03n2c08.png", "photos/kodim01.png",
                             "bench/photo-12mp.png"}) {
        SCOPED_TRACE(file);
        const auto path = testdataDir() / file;
        if (!std::filesystem::exists(path)) continue;
        EXPECT_TRUE(png::decodeCommonPng(fileBytes(path)).has_value());
    }
}

// --- Every filter type, in RGB and RGBA, against libpng and the pixels filtered ---

int paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// The filtered row of `samples` (bytesPerPixel bytes a pixel) under `filter`.
Bytes filterRow(int filter, const Bytes& samples, const Bytes& above, int bytesPerPixel) {
    Bytes out{static_cast<std::uint8_t>(filter)};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int a = i >= std::size_t(bytesPerPixel) ? samples[i - bytesPerPixel] : 0;
        const int b = above[i];
        const int c = i >= std::size_t(bytesPerPixel) ? above[i - bytesPerPixel] : 0;
        const int predictions[5] = {0, a, b, (a + b) / 2, paethPredictor(a, b, c)};
        out.push_back(static_cast<std::uint8_t>(samples[i] - predictions[filter]));
    }
    return out;
}

struct FilterCase {
    std::string name;
    int filter;  // 0 to 4, or -1: each row the next type
    int bytesPerPixel;
    int width;
    int height = 7;
};

class PngDirectFilters : public testing::TestWithParam<FilterCase> {};

TEST_P(PngDirectFilters, UndoEveryFilterAsLibpngDoes) {
    const FilterCase& c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.width * 31 + c.filter * 7 + c.bytesPerPixel));
    PngParts parts;
    parts.width = static_cast<std::uint32_t>(c.width);
    parts.height = c.height;
    parts.colorType = c.bytesPerPixel == 4 ? 6 : 2;
    std::vector<Color> pixels;
    Bytes above(std::size_t(c.width) * c.bytesPerPixel, 0);
    for (int y = 0; y < c.height; ++y) {
        Bytes samples;
        for (int x = 0; x < c.width; ++x) {
            // Extremes as well as noise, so sums wrap and Paeth ties occur.
            const auto next = [&] { return static_cast<std::uint8_t>(random() % 3 == 0 ? (random() & 1) * 255 : random()); };
            const std::uint8_t r = next(), g = next(), b = next();
            const std::uint8_t a = c.bytesPerPixel == 4 ? next() : 255;
            samples.insert(samples.end(), {r, g, b});
            if (c.bytesPerPixel == 4) samples.push_back(a);
            pixels.push_back(makeColor(r, g, b, a));
        }
        const int filter = c.filter >= 0 ? c.filter : y % 5;
        const Bytes row = filterRow(filter, samples, above, c.bytesPerPixel);
        parts.rows.insert(parts.rows.end(), row.begin(), row.end());
        above = samples;
    }
    const Bytes file = buildPng(parts);
    const auto direct = png::decodeCommonPng(file);
    ASSERT_TRUE(direct.has_value());
    const Image expected = imageFromPixels(c.width, c.height, pixels, c.bytesPerPixel * 8);
    EXPECT_TRUE(imagesEqual(*direct, expected, "direct_filters"));
    expectSameAsLibpng(file);
}

std::vector<FilterCase> filterCases() {
    const char* names[] = {"none", "sub", "up", "average", "paeth"};
    std::vector<FilterCase> cases;
    for (int bytesPerPixel : {3, 4}) {
        for (int filter = -1; filter < 5; ++filter) {
            for (int width : {1, 2, 33}) {
                cases.push_back({std::string(filter < 0 ? "mixed" : names[filter]) +
                                     (bytesPerPixel == 4 ? "_rgba_" : "_rgb_") + std::to_string(width),
                                 filter, bytesPerPixel, width});
            }
        }
        // Over two megapixels: alternate rows are unfiltered on two threads, each following
        // the other's row, here with rows that end part way through a stretch.
        cases.push_back({std::string("mixed") + (bytesPerPixel == 4 ? "_rgba" : "_rgb") + "_two_threads",
                         -1, bytesPerPixel, 1537, 1400});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Rows, PngDirectFilters, testing::ValuesIn(filterCases()),
                         [](const auto& info) { return info.param.name; });

// --- Files the direct reader leaves to libpng ---

struct LeftCase {
    std::string name;
    Bytes file;
};

// A 2 x 2 RGB file with `before` chunks ahead of its pixel data.
Bytes rgbFile(std::vector<std::pair<std::string, Bytes>> before = {}) {
    PngParts parts;
    parts.width = 2;
    parts.height = 2;
    parts.beforeData = std::move(before);
    parts.rows = {0, 1, 2, 3, 4, 5, 6, 1, 10, 20, 30, 40, 50, 60};
    return buildPng(parts);
}

// The offset of the first chunk of `type` in a file.
std::size_t chunkOffset(const Bytes& file, const char* type) {
    std::size_t at = 8;
    while (at + 8 <= file.size() && !std::equal(type, type + 4, file.begin() + at + 4)) {
        at += 12 + png::readBigEndian32(file.data() + at);
    }
    return at;
}

std::vector<LeftCase> leftCases() {
    std::vector<LeftCase> cases;
    cases.push_back({"transparency_table", rgbFile({{"tRNS", {0, 1, 0, 2, 0, 3}}})});
    cases.push_back({"unknown_ancillary_chunk", rgbFile({{"vpAg", {1, 2, 3}}})});
    cases.push_back({"suggested_palette", rgbFile({{"PLTE", {1, 2, 3}}})});
    Bytes badAncillaryCrc = rgbFile({{"gAMA", {0, 0, 0xB1, 0x8F}}});
    badAncillaryCrc[chunkOffset(badAncillaryCrc, "gAMA") + 12 + 3] ^= 1;
    cases.push_back({"ancillary_crc_wrong", badAncillaryCrc});
    Bytes badDataCrc = rgbFile();
    badDataCrc[chunkOffset(badDataCrc, "IDAT") + 9] ^= 1;
    cases.push_back({"pixel_data_crc_wrong", badDataCrc});
    Bytes noEnd = rgbFile();
    noEnd.resize(chunkOffset(noEnd, "IEND"));
    cases.push_back({"no_end_chunk", noEnd});
    PngParts parts;
    parts.width = 2;
    parts.height = 2;
    parts.rows = {5, 1, 2, 3, 4, 5, 6, 0, 10, 20, 30, 40, 50, 60};
    cases.push_back({"filter_type_5", buildPng(parts)});
    parts.rows.resize(parts.rows.size() - 1);
    cases.push_back({"pixel_data_short", buildPng(parts)});
    parts.rows = {0, 1, 2, 3, 4, 5, 6, 0, 10, 20, 30, 40, 50, 60, 0};
    cases.push_back({"pixel_data_long", buildPng(parts)});
    parts.rows = {0, 1, 2, 3, 4, 5, 6, 0, 10, 20, 30, 40, 50, 60};
    parts.bitDepth = 16;
    parts.width = 1;
    cases.push_back({"sixteen_bits", buildPng(parts)});
    return cases;
}

class PngLeftToLibpng : public testing::TestWithParam<LeftCase> {};

TEST_P(PngLeftToLibpng, IsNotTakenAndReadsAsLibpngReadsIt) {
    EXPECT_FALSE(png::decodeCommonPng(GetParam().file).has_value());
    expectSameAsLibpng(GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(Files, PngLeftToLibpng, testing::ValuesIn(leftCases()),
                         [](const auto& info) { return info.param.name; });

class PngHostileBothReaders : public testing::TestWithParam<HostileFile> {};

TEST_P(PngHostileBothReaders, AreRefusedInLibpngsWords) { expectSameAsLibpng(GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(Files, PngHostileBothReaders, testing::ValuesIn(hostilePngFiles()),
                         [](const auto& info) { return info.param.name; });

TEST(PngDirectReader, EveryTruncationOfAPhotoIsRefusedAsLibpngRefusesIt) {
    const Bytes whole = fileBytes(testdataDir() / "photos/kodim03.png");
    ASSERT_TRUE(png::decodeCommonPng(whole).has_value());
    for (std::size_t length : {std::size_t{8}, std::size_t{33}, std::size_t{60}, whole.size() / 2,
                               whole.size() - 13, whole.size() - 1}) {
        SCOPED_TRACE(length);
        expectSameAsLibpng(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

}  // namespace
}  // namespace vd::test
