#include "io/image_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

#include "io/claimed_size.h"
#include "io/file_io.h"

namespace vd {

const char* formatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png: return "PNG";
        case ImageFormat::Jpeg: return "JPEG";
        case ImageFormat::Bmp: return "BMP";
        case ImageFormat::Unknown: break;
    }
    return "unknown";
}

std::string tooLargeReason(std::int64_t width, std::int64_t height) {
    static_assert(kMaxImagePixels == 100'000'000, "the reason names the limit");
    return std::to_string(width) + " x " + std::to_string(height) +
           " pixels, over the 100-megapixel limit";
}

ImageFormat detectFormat(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) {
        return ImageFormat::Png;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return ImageFormat::Jpeg;
    }
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

ImageFormat formatForExtension(std::string_view path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::Jpeg;
    if (ext == ".bmp") return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

Result<DecodedImage> decodeImage(std::span<const std::uint8_t> bytes) {
    const ImageFormat format = detectFormat(bytes);
    Result<Image> image = Error{"not a PNG, JPEG or BMP file"};
    switch (format) {
        case ImageFormat::Png: image = decodePng(bytes); break;
        case ImageFormat::Jpeg: image = decodeJpeg(bytes); break;
        case ImageFormat::Bmp: image = decodeBmp(bytes); break;
        case ImageFormat::Unknown: break;
    }
    if (!image) return Error{image.error()};
    return DecodedImage{std::move(image).value(), format};
}

namespace {

// Holds the PNG signature and IHDR, BMP headers with their masks, and the first segments of
// most JPEG files; segments past it are read by offset.
constexpr std::size_t kHeaderBytes = 4096;

}  // namespace

Result<DecodedImage> readImageFile(const std::string& path) {
    auto file = InputFile::open(path);
    if (!file) return Error{file.error()};
    const InputFile& input = file.value();
    std::array<std::uint8_t, kHeaderBytes> start;
    auto startSize = input.readAt(0, start);
    if (!startSize) return Error{startSize.error()};
    const std::span<const std::uint8_t> header(start.data(), startSize.value());
    const ReadAt readAt = [&input](std::uint64_t offset, std::span<std::uint8_t> out) {
        auto got = input.readAt(offset, out);
        return got ? got.value() : std::size_t{0};
    };
    if (Status size = checkClaimedSize(detectFormat(header), header, readAt); !size) {
        return Error{size.error()};
    }
    auto bytes = input.readAll();
    if (!bytes) return Error{bytes.error()};
    return decodeImage(bytes.value());
}

Result<std::vector<std::uint8_t>> encodeImage(const Image& image, ImageFormat format,
                                              const EncodeOptions& options) {
    if (image.empty()) return Error{"no image to save"};
    switch (format) {
        case ImageFormat::Png: return encodePng(image, options.png);
        case ImageFormat::Jpeg: return encodeJpeg(image);
        case ImageFormat::Bmp: return encodeBmp(image);
        case ImageFormat::Unknown: break;
    }
    return Error{"unknown file type (use .png, .jpg or .bmp)"};
}

Status writeImageFile(const Image& image, const std::string& path, ImageFormat format,
                      const EncodeOptions& options) {
    auto bytes = encodeImage(image, format, options);
    if (!bytes) return Error{bytes.error()};
    return writeFileAtomically(path, bytes.value());
}

}  // namespace vd
