#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/result.h"
#include "platform/image/image.h"

namespace vd {

enum class ImageFormat { Unknown, Png, Jpeg, Bmp };

// "PNG", "JPEG", "BMP" or "unknown".
const char* formatName(ImageFormat format);
// Recognises a format by the first bytes of the content; never by a file name.
ImageFormat detectFormat(std::span<const std::uint8_t> bytes);
// The format a file name's extension asks for when writing (.png, .jpg, .jpeg, .bmp; any case).
ImageFormat formatForExtension(std::string_view path);

// Why a picture of this size is refused: "W x H pixels, over the 100-megapixel limit". The
// same words for every format, and for a side over the limit too.
std::string tooLargeReason(std::int64_t width, std::int64_t height);

// Decoders. Each gives a 24-bit image, or a 32-bit one where the file carries transparency,
// or the reason the content was refused. Claimed sizes are checked against the image limits
// and against the length of the data before anything is allocated.
Result<Image> decodePng(std::span<const std::uint8_t> bytes);
Result<Image> decodeJpeg(std::span<const std::uint8_t> bytes);
Result<Image> decodeBmp(std::span<const std::uint8_t> bytes);

// How a PNG file is written.
struct PngOptions {
    // false: a picture of at most 256 colours (counted by all four bytes in a 32-bit image,
    // by red, green and blue in a 24-bit one) is written with a palette of 1, 2, 4 or 8 bits
    // a pixel, which reads back to the same pixels and depth; a 32-bit picture keeps a
    // transparency table, even when every pixel is opaque, so that it reads back at 32 bits.
    // Pictures with more colours are written as with true. true: always 8-bit RGB for a
    // 24-bit picture and 8-bit RGBA for a 32-bit one, the files earlier versions wrote.
    bool trueColor = false;
};

// What the encoders take beyond the picture, for encodeImage and writeImageFile; each
// format reads its own member. For example
//     writeImageFile(image, path, format, EncodeOptions{.png = {.trueColor = true}});
struct EncodeOptions {
    PngOptions png;
};

// Encoders, at the image's own depth (JPEG has no alpha: three components, RGB).
constexpr int kJpegQuality = 70;
Result<std::vector<std::uint8_t>> encodePng(const Image& image, PngOptions options = {});
Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality = kJpegQuality);
Result<std::vector<std::uint8_t>> encodeBmp(const Image& image);

struct DecodedImage {
    Image image;
    ImageFormat format = ImageFormat::Unknown;
};

// Decodes by content.
Result<DecodedImage> decodeImage(std::span<const std::uint8_t> bytes);
// Reads the start of the file first, and refuses a picture larger than the limits before
// the rest is read.
Result<DecodedImage> readImageFile(const std::string& path);
Result<std::vector<std::uint8_t>> encodeImage(const Image& image, ImageFormat format,
                                              const EncodeOptions& options = {});
// Encodes, then writes through a temporary file, so a failure leaves `path` as it was.
Status writeImageFile(const Image& image, const std::string& path, ImageFormat format,
                      const EncodeOptions& options = {});

}  // namespace vd
