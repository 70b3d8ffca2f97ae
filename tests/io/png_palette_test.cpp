// Pictures of at most 256 colours are written as palette PNG files. They must read back to
// the same pixels and depth, in our decoder and in libpng's own simplified reader.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "tests/support/hostile_files.h"  // Bytes
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr int kPaletteType = 3;
constexpr int kRgbType = 2;
constexpr int kRgbaType = 6;

int headerBitDepth(const Bytes& file) { return file.at(24); }
int headerColorType(const Bytes& file) { return file.at(25); }

// Colour k of a set of distinct colours. In a translucent 32-bit set, colours 2j and 2j + 1
// differ only in alpha (translucent, then opaque), so a palette keyed on red, green and blue
// alone would merge them; colour 0 is fully transparent.
Color distinctColor(int k, int depth, bool opaque) {
    const int j = depth == 32 && !opaque ? k / 2 : k;
    const Color rgb = makeColor(j & 0xFF, 13 + 97 * (j >> 8), (j * 29) & 0xFF);
    if (depth == 24 || opaque || k % 2 == 1) return rgb | kAlphaMask;
    return rgb | (static_cast<Color>((k * 37) % 255) << 24);
}

// Every one of `colors` colours appears (width * height >= colors), scattered rather than
// in order, and the first pixel is opaque, so the translucent entries the encoder puts first
// are not also the first seen.
Image picture(int width, int height, int colors, int depth, bool opaque = false) {
    std::vector<Color> pixels;
    const int step = colors % 7 == 0 ? 11 : 7;  // coprime with `colors`: every index is hit
    for (int p = 0; p < width * height; ++p) {
        pixels.push_back(distinctColor((p * step + 1) % colors, depth, opaque));
    }
    return imageFromPixels(width, height, pixels, depth);
}

// libpng's simplified reader, as a second opinion: RGBA pixels, and whether it sees alpha.
struct LibpngRead {
    bool ok = false;
    bool hasAlpha = false;
    std::vector<Color> pixels;
    std::string message;
};

LibpngRead readWithLibpng(const Bytes& file) {
    LibpngRead read;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        read.message = image.message;
        return read;
    }
    read.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    read.pixels.resize(std::size_t{image.width} * image.height);
    read.ok = png_image_finish_read(&image, nullptr, read.pixels.data(), 0, nullptr) != 0;
    if (!read.ok) read.message = image.message;
    png_image_free(&image);
    return read;
}

void expectReadsBack(const Bytes& file, const Image& original, const std::string& name) {
    auto decoded = decodePng(file);
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_TRUE(imagesEqual(decoded.value(), original, name));

    const LibpngRead libpng = readWithLibpng(file);
    ASSERT_TRUE(libpng.ok) << libpng.message;
    EXPECT_EQ(libpng.hasAlpha, original.hasAlpha());
    ASSERT_EQ(libpng.pixels.size(), original.pixelCount());
    for (std::size_t i = 0; i < libpng.pixels.size(); ++i) {
        ASSERT_EQ(libpng.pixels[i], original.pixels()[i]) << name << ": libpng, pixel " << i;
    }
}

struct PaletteCase {
    std::string name;
    int width, height, colors, depth;
    bool opaque;
    int bitDepth, colorType;  // expected in the header
};

void PrintTo(const PaletteCase& c, std::ostream* os) { *os << c.name; }

class PngPalette : public testing::TestWithParam<PaletteCase> {};

TEST_P(PngPalette, ReadsBackExactlyAtTheSmallestBitDepth) {
    const PaletteCase& c = GetParam();
    const Image original = picture(c.width, c.height, c.colors, c.depth, c.opaque);
    auto encoded = encodePng(original);
    ASSERT_TRUE(encoded.ok()) << encoded.error();
    EXPECT_EQ(headerBitDepth(encoded.value()), c.bitDepth);
    EXPECT_EQ(headerColorType(encoded.value()), c.colorType);
    expectReadsBack(encoded.value(), original, c.name);
}

// Widths are not multiples of 8, so the last byte of a row at 1, 2 or 4 bits ends in
// padding bits.
INSTANTIATE_TEST_SUITE_P(
    Colors, PngPalette,
    testing::Values(
        PaletteCase{"one_24", 5, 3, 1, 24, false, 1, kPaletteType},
        PaletteCase{"one_transparent_32", 3, 3, 1, 32, false, 1, kPaletteType},
        PaletteCase{"two_24", 13, 3, 2, 24, false, 1, kPaletteType},
        PaletteCase{"two_32_one_column", 1, 9, 2, 32, false, 1, kPaletteType},
        PaletteCase{"three_32", 9, 4, 3, 32, false, 2, kPaletteType},
        PaletteCase{"four_24", 7, 5, 4, 24, false, 2, kPaletteType},
        PaletteCase{"five_32", 11, 2, 5, 32, false, 4, kPaletteType},
        PaletteCase{"sixteen_24", 17, 3, 16, 24, false, 4, kPaletteType},
        PaletteCase{"seventeen_32", 3, 7, 17, 32, false, 8, kPaletteType},
        PaletteCase{"two_hundred_24", 31, 9, 200, 24, false, 8, kPaletteType},
        PaletteCase{"two_hundred_opaque_32", 31, 9, 200, 32, true, 8, kPaletteType},
        PaletteCase{"all_256_24", 33, 9, 256, 24, false, 8, kPaletteType},
        PaletteCase{"all_256_32", 33, 9, 256, 32, false, 8, kPaletteType},
        PaletteCase{"257_24_stays_true_colour", 33, 9, 257, 24, false, 8, kRgbType},
        PaletteCase{"257_32_stays_true_colour", 33, 9, 257, 32, false, 8, kRgbaType},
        // The alpha a 32-bit picture carries comes back even when it is 255 throughout.
        PaletteCase{"opaque_one_32", 6, 2, 1, 32, true, 1, kPaletteType},
        PaletteCase{"opaque_five_32", 11, 3, 5, 32, true, 4, kPaletteType}),
    [](const auto& info) { return info.param.name; });

TEST(PngPalette, AColourFirstSeenInTheLastPixelKeepsTrueColour) {
    // 272 pixels: the 256 colours are all there without the last one.
    Image image = picture(17, 16, 256, 24);
    image.at(16, 15) = makeColor(1, 2, 3, 255);  // none of the 256
    auto encoded = encodePng(image);
    ASSERT_TRUE(encoded.ok());
    EXPECT_EQ(headerColorType(encoded.value()), kRgbType);
    expectReadsBack(encoded.value(), image, "png_257th_last");
}

TEST(PngPalette, TrueColorOptionWritesRgbFromEveryEntryPoint) {
    const Image image = picture(10, 4, 3, 32);
    EXPECT_EQ(headerColorType(encodePng(image, {.trueColor = true}).value()), kRgbaType);

    const auto dir = scratchDir("png_truecolor_option");
    const std::string plain = (dir / "plain.png").string();
    const std::string rgba = (dir / "rgba.png").string();
    ASSERT_TRUE(writeImageFile(image, plain, ImageFormat::Png).ok());
    ASSERT_TRUE(writeImageFile(image, rgba, ImageFormat::Png, {.png = {.trueColor = true}}).ok());
    for (const auto& [path, type] : {std::pair{plain, kPaletteType}, std::pair{rgba, kRgbaType}}) {
        auto bytes = readFileBytes(path);
        ASSERT_TRUE(bytes.ok()) << bytes.error();
        const Bytes file(bytes.value().begin(), bytes.value().end());
        EXPECT_EQ(headerColorType(file), type) << path;
        expectReadsBack(file, image, "png_option_" + std::to_string(type));
    }
}

// A photo cut down to 256 colours (3 bits of red and green, 2 of blue), as quantization
// leaves it.
Image reducedPhoto() {
    auto read = readImageFile((testdataDir() / "photos" / "kodim01.png").string());
    EXPECT_TRUE(read.ok()) << read.error();
    if (!read) return Image();
    Image photo = std::move(read).value().image;
    for (Color& c : photo.pixels()) c = (c & 0x00C0E0E0u) | kAlphaMask;
    return photo;
}

TEST(PngPalette, AReducedPhotoTakesLessRoomThanInTrueColour) {
    const Image photo = reducedPhoto();
    ASSERT_FALSE(photo.empty());
    const Bytes palette = encodePng(photo).value();
    const Bytes trueColor = encodePng(photo, {.trueColor = true}).value();
    EXPECT_EQ(headerColorType(palette), kPaletteType);
    EXPECT_LT(palette.size(), trueColor.size());
    expectReadsBack(palette, photo, "png_reduced_photo");
}

// One colour at one bit a pixel deflates close to zlib's limit; the decoder's check that a
// file is long enough for its size must still let it through.
TEST(PngPalette, AFlatPictureDeflatedToAFewBytesReadsBack) {
    const Image flat(3001, 2000, 24, makeColor(200, 100, 50, 255));
    const Bytes file = encodePng(flat).value();
    EXPECT_EQ(headerBitDepth(file), 1);
    auto decoded = decodePng(file);
    ASSERT_TRUE(decoded.ok()) << decoded.error() << " (" << file.size() << " bytes)";
    EXPECT_TRUE(imagesEqual(decoded.value(), flat, "png_flat"));
}

}  // namespace
}  // namespace vd::test
