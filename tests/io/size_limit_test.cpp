// Pictures over the size limit are refused by the file reader from their headers, before the
// rest of the file is read, in the same words for every format.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "tests/io/bmp_test_file.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

void putBig16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

// The PNG signature and an IHDR chunk, and nothing after it.
Bytes pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(out, "IHDR", ihdr(width, height, 8, 2));
    return out;
}

// The start of image, `exifBytes` of APP1 segments (as a camera puts before the frame
// header), a frame header of type `sof` for three components, and nothing more.
Bytes jpegHeaderOnly(int width, int height, std::size_t exifBytes, std::uint8_t sof = 0xC0) {
    Bytes out = {0xFF, 0xD8};
    for (std::size_t left = exifBytes; left > 0;) {
        const std::size_t length = std::min<std::size_t>(left, 65533);
        out.insert(out.end(), {0xFF, 0xE1});
        putBig16(out, static_cast<std::uint32_t>(length + 2));
        out.insert(out.end(), length, 0x45);
        left -= length;
    }
    out.insert(out.end(), {0xFF, sof, 0, 17, 8});
    putBig16(out, static_cast<std::uint32_t>(height));
    putBig16(out, static_cast<std::uint32_t>(width));
    out.insert(out.end(), {3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    return out;
}

// Headers only: the pixel data is missing.
Bytes bmpHeaderOnly(std::int32_t width, std::int32_t height, std::uint32_t headerSize = 40) {
    TestBmp bmp;
    bmp.headerSize = headerSize;
    bmp.width = width;
    bmp.height = height;
    return bmp.bytes();
}

std::string written(const std::string& name, const Bytes& bytes) {
    const auto path = scratchDir("size-limit-" + name) / "file";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

struct OversizedCase {
    std::string name;
    Bytes file;
    std::string reason;
};

void PrintTo(const OversizedCase& c, std::ostream* os) { *os << c.name; }

std::vector<OversizedCase> oversizedCases() {
    const std::string limit = " pixels, over the 100-megapixel limit";
    return {
        {"png_both_sides", pngHeaderOnly(40000, 30000), "40000 x 30000" + limit},
        {"png_one_side", pngHeaderOnly(40000, 100), "40000 x 100" + limit},
        {"png_pixels", pngHeaderOnly(20000, 20000), "20000 x 20000" + limit},
        {"jpeg_pixels", jpegHeaderOnly(20000, 20000, 0), "20000 x 20000" + limit},
        {"jpeg_after_a_large_exif_block", jpegHeaderOnly(20000, 20000, 200000),
         "20000 x 20000" + limit},
        {"jpeg_progressive_one_side", jpegHeaderOnly(65000, 8, 5000, 0xC2), "65000 x 8" + limit},
        {"bmp_bottom_up", bmpHeaderOnly(20000, 20000), "20000 x 20000" + limit},
        {"bmp_top_down", bmpHeaderOnly(20000, -20000), "20000 x 20000" + limit},
        {"bmp_os2", bmpHeaderOnly(40000, 3, 12), "40000 x 3" + limit},
    };
}

class OversizedHeader : public testing::TestWithParam<OversizedCase> {};

// Each file ends right after its headers: a reader that went on to the pixels would find
// it damaged, not too large. The decoders, on the bytes in memory, keep their own check
// in the same words (the JPEG one only once it has read to the first scan).
TEST_P(OversizedHeader, IsRefusedForItsSizeBeforeThePixels) {
    const OversizedCase& c = GetParam();
    auto read = readImageFile(written(c.name, c.file));
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), c.reason);
    auto decoded = decodeImage(c.file);
    ASSERT_FALSE(decoded.ok());
    if (detectFormat(c.file) == ImageFormat::Jpeg) {
        EXPECT_EQ(decoded.error().find("100-megapixel"), std::string::npos) << decoded.error();
    } else {
        EXPECT_EQ(decoded.error(), c.reason);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, OversizedHeader, testing::ValuesIn(oversizedCases()),
                         [](const auto& info) { return info.param.name; });

// libjpeg steps over stray bytes between segments and 0xFF fill before a marker; so must the
// walk to the frame header, or such files would be read whole before their size is known.
TEST(SizeLimit, TheJpegWalkStepsOverWhatLibjpegStepsOver) {
    Bytes file = encodeJpeg(patternImage(16, 16)).value();
    const std::uint8_t frame[] = {0xFF, 0xC0};
    const auto sof = std::search(file.begin(), file.end(), frame, frame + 2) - file.begin();
    file.insert(file.begin() + sof, {0x12, 0x00, 0xFF, 0x00, 0x34, 0xFF, 0xFF});
    ASSERT_TRUE(decodeJpeg(file).ok());
    file[sof + 7 + 5] = 20000 >> 8;  // height, then width
    file[sof + 7 + 6] = 20000 & 0xFF;
    file[sof + 7 + 7] = 20000 >> 8;
    file[sof + 7 + 8] = 20000 & 0xFF;
    file.resize(sof + 7 + 19);  // cut after the frame header: only the walk can tell the size
    EXPECT_EQ(readImageFile(written("jpeg-stray", file)).error(),
              "20000 x 20000 pixels, over the 100-megapixel limit");
}

}  // namespace
}  // namespace vd::test
