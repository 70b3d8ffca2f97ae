#include "io/claimed_size.h"

#include <zlib.h>

#include <array>
#include <cstring>

namespace vd {

namespace {

std::uint32_t readBigEndian32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// PNG: the signature, then the IHDR chunk (length 13, width and height first) and its CRC.
constexpr std::size_t kPngIhdrEnd = 8 + 4 + 4 + 13 + 4;
constexpr std::uint32_t kPngLargestValue = 0x7FFFFFFF;

// JPEG frame headers libjpeg-turbo 2.x decodes: baseline, extended, progressive, and the two
// arithmetic-coded ones.
bool isDecodableFrame(std::uint8_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 ||
           marker == 0xCA;
}
// Markers without a length that libjpeg passes over.
bool isStandalone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}
// Segments libjpeg reads or skips before the frame header: tables, restart interval,
// application data, comments. At any other marker (another kind of frame, a scan, the end)
// it stops with an error, and so does the walk, leaving the reason to the decoder.
bool isSkippedSegment(std::uint8_t marker) {
    return marker == 0xC4 || marker == 0xCC || marker == 0xDB || marker == 0xDC ||
           marker == 0xDD || (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
}

// A hostile file can put any number of tiny segments, or any amount of filler, before the
// frame header. The walk gives up after this much and leaves the file to the decoder.
constexpr int kMaxJpegSegments = 1024;
constexpr std::uint64_t kMaxJpegFillerBytes = 1 << 20;
constexpr std::size_t kJpegBlockBytes = 4096;

// The bytes of a file by offset: from its start, already read, while it lasts, then a block
// at a time through `readAt`.
class FileBytesAt {
public:
    FileBytesAt(std::span<const std::uint8_t> start, const ReadAt& readAt)
        : start_(start), readAt_(readAt) {}

    std::optional<std::uint8_t> at(std::uint64_t offset) {
        if (offset < start_.size()) return start_[offset];
        if (offset < blockOffset_ || offset >= blockOffset_ + blockSize_) {
            blockOffset_ = offset;
            blockSize_ = readAt_(offset, block_);
        }
        if (offset >= blockOffset_ + blockSize_) return std::nullopt;
        return block_[offset - blockOffset_];
    }

    std::optional<std::uint32_t> u16(std::uint64_t offset) {
        auto high = at(offset);
        auto low = at(offset + 1);
        if (!high || !low) return std::nullopt;
        return (std::uint32_t{*high} << 8) | *low;
    }

private:
    std::span<const std::uint8_t> start_;
    const ReadAt& readAt_;
    std::array<std::uint8_t, kJpegBlockBytes> block_{};
    std::uint64_t blockOffset_ = 0;
    std::size_t blockSize_ = 0;
};

// The frame header's size where libjpeg would accept it: a length that fits the component
// count, and neither side zero.
std::optional<ClaimedSize> readJpegFrame(FileBytesAt& file, std::uint64_t pos) {
    auto length = file.u16(pos);
    auto height = file.u16(pos + 3);
    auto width = file.u16(pos + 5);
    auto components = file.at(pos + 7);
    if (!length || !height || !width || !components) return std::nullopt;
    if (*length != 8 + 3u * *components || *components == 0) return std::nullopt;
    if (*width == 0 || *height == 0) return std::nullopt;
    return ClaimedSize{*width, *height};
}

}  // namespace

std::optional<ClaimedSize> claimedPngSize(std::span<const std::uint8_t> start) {
    if (start.size() < kPngIhdrEnd || detectFormat(start) != ImageFormat::Png) return std::nullopt;
    const std::uint8_t* chunk = start.data() + 8;
    if (readBigEndian32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0) {
        return std::nullopt;
    }
    // libpng refuses a damaged IHDR before it looks at the size; so does this.
    const std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, chunk + 4, 4 + 13));
    if (crc != readBigEndian32(chunk + 8 + 13)) return std::nullopt;
    const std::uint32_t width = readBigEndian32(chunk + 8);
    const std::uint32_t height = readBigEndian32(chunk + 12);
    if (width == 0 || height == 0 || width > kPngLargestValue || height > kPngLargestValue) {
        return std::nullopt;
    }
    return ClaimedSize{width, height};
}

// The markers are walked as libjpeg reads them: after the start-of-image marker, bytes up to
// the next 0xFF are skipped, 0xFF fill bytes too, and 0xFF 0x00 is no marker.
std::optional<ClaimedSize> claimedJpegSize(std::span<const std::uint8_t> start,
                                           const ReadAt& readAt) {
    if (start.size() < 2 || start[0] != 0xFF || start[1] != 0xD8) return std::nullopt;
    FileBytesAt file(start, readAt);
    std::uint64_t pos = 2;
    std::uint64_t filler = 0;
    for (int segment = 0; segment < kMaxJpegSegments; ++segment) {
        std::uint8_t marker = 0;
        while (marker == 0) {
            std::optional<std::uint8_t> byte;
            while ((byte = file.at(pos++)) && *byte != 0xFF) {
                if (++filler > kMaxJpegFillerBytes) return std::nullopt;
            }
            while (byte && *byte == 0xFF) byte = file.at(pos++);
            if (!byte) return std::nullopt;
            marker = *byte;
        }
        if (isDecodableFrame(marker)) return readJpegFrame(file, pos);
        if (isStandalone(marker)) continue;
        if (!isSkippedSegment(marker)) return std::nullopt;
        auto length = file.u16(pos);
        if (!length || *length < 2) return std::nullopt;
        pos += *length;
    }
    return std::nullopt;
}

Status checkClaimedSize(ImageFormat format, std::span<const std::uint8_t> start,
                        const ReadAt& readAt) {
    std::optional<ClaimedSize> size;
    switch (format) {
        case ImageFormat::Png: size = claimedPngSize(start); break;
        case ImageFormat::Jpeg: size = claimedJpegSize(start, readAt); break;
        case ImageFormat::Bmp: size = claimedBmpSize(start); break;
        case ImageFormat::Unknown: break;
    }
    if (size && !sizeIsAllowed(size->width, size->height)) {
        return Error{tooLargeReason(size->width, size->height)};
    }
    return {};
}

}  // namespace vd
