#include "io/image_codec.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

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

Result<DecodedImage> readImageFile(const std::string& path) {
    auto bytes = readFileBytes(path);
    if (!bytes) return Error{bytes.error()};
    return decodeImage(bytes.value());
}

Result<std::vector<std::uint8_t>> encodeImage(const Image& image, ImageFormat format) {
    if (image.empty()) return Error{"no image to save"};
    switch (format) {
        case ImageFormat::Png: return encodePng(image);
        case ImageFormat::Jpeg: return encodeJpeg(image);
        case ImageFormat::Bmp: return encodeBmp(image);
        case ImageFormat::Unknown: break;
    }
    return Error{"unknown file type (use .png, .jpg or .bmp)"};
}

Status writeImageFile(const Image& image, const std::string& path, ImageFormat format) {
    auto bytes = encodeImage(image, format);
    if (!bytes) return Error{bytes.error()};
    return writeFileAtomically(path, bytes.value());
}

}  // namespace vd
