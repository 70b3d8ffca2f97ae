// Parsing and checking of BMP headers, bit masks and colour tables. Nothing is allocated
// for the pixels here; the layout this returns has been checked against the file.

#include <algorithm>
#include <bit>
#include <string>

#include "io/bmp_format.h"
#include "io/claimed_size.h"
#include "io/image_codec.h"
#include "platform/image/image.h"

namespace vd::bmp {

namespace {

// Three families of info header: the 12-byte OS/2 1.x header with 16-bit sizes and 3-byte
// colour entries, the OS/2 2.x header (16 to 64 bytes, Windows layout for its first 40
// bytes but its own compression numbers) and the Windows headers (40, 52, 56, 108, 124).
enum class HeaderKind { Os2Core, Os2v2, Windows };

// Compression numbers as Windows headers use them.
enum WindowsCompression : std::uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitFields = 3,
    kBiJpeg = 4,
    kBiPng = 5,
    kBiAlphaBitFields = 6,
};

// Offsets inside a Windows-style info header.
constexpr std::size_t kMasksInHeader = 40;
constexpr std::size_t kHeaderWithRgbMasks = 52;
constexpr std::size_t kHeaderWithAlphaMask = 56;

struct InfoHeader {
    HeaderKind kind = HeaderKind::Windows;
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitsPerPixel = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    const std::uint8_t* bytes = nullptr;  // the header itself, `size` bytes inside the file

    // A field of a header shorter than the full Windows layout reads as zero.
    std::uint32_t field32(std::size_t offset) const {
        return offset + 4 <= size ? readU32(bytes + offset) : 0;
    }
    std::uint16_t field16(std::size_t offset) const {
        return offset + 2 <= size ? readU16(bytes + offset) : 0;
    }
};

Result<HeaderKind> headerKindForSize(std::uint32_t size) {
    if (size == 12) return HeaderKind::Os2Core;
    if (size < 16) return Error{"the BMP info header is too short"};
    // OS/2 2.x headers may have any length from 16 to 64 bytes; the three Windows sizes in
    // that range win, and anything longer than 64 is read as a (possibly newer) Windows one.
    if (size == 40 || size == kHeaderWithRgbMasks || size == kHeaderWithAlphaMask || size > 64) {
        return HeaderKind::Windows;
    }
    return HeaderKind::Os2v2;
}

Result<InfoHeader> readInfoHeader(std::span<const std::uint8_t> file) {
    InfoHeader info;
    info.size = readU32(file.data() + kFileHeaderSize);
    auto kind = headerKindForSize(info.size);
    if (!kind) return Error{kind.error()};
    info.kind = kind.value();
    if (kFileHeaderSize + static_cast<std::uint64_t>(info.size) > file.size()) {
        return Error{"the BMP header is cut short"};
    }
    info.bytes = file.data() + kFileHeaderSize;
    if (info.kind == HeaderKind::Os2Core) {
        info.width = readU16(info.bytes + 4);
        info.height = readU16(info.bytes + 6);
        info.bitsPerPixel = readU16(info.bytes + 10);
        return info;
    }
    info.width = static_cast<std::int32_t>(info.field32(4));
    info.height = static_cast<std::int32_t>(info.field32(8));
    info.bitsPerPixel = info.field16(14);
    info.compression = info.field32(16);
    info.colorsUsed = info.field32(32);
    return info;
}

Result<Encoding> encodingOf(const InfoHeader& info) {
    const bool os2 = info.kind == HeaderKind::Os2v2;
    switch (info.compression) {
        case kBiRgb:
            return Encoding::Rgb;
        case kBiRle8:
            return Encoding::Rle8;
        case kBiRle4:
            return Encoding::Rle4;
        case kBiBitFields:
            if (os2) return Error{"OS/2 Huffman-coded BMP files are not supported"};
            return Encoding::BitFields;
        case kBiJpeg:
            if (os2) return Error{"OS/2 RLE24 BMP files are not supported"};
            return Error{"BMP files that hold a JPEG picture are not supported"};
        case kBiPng:
            return Error{"BMP files that hold a PNG picture are not supported"};
        case kBiAlphaBitFields:
            if (os2) break;
            return Encoding::BitFields;
        default:
            break;
    }
    return Error{"unknown BMP compression " + std::to_string(info.compression)};
}

bool depthFitsEncoding(int bitsPerPixel, Encoding encoding) {
    switch (encoding) {
        case Encoding::Rgb:
            return bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 ||
                   bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 ||
                   bitsPerPixel == 32;
        case Encoding::Rle8:
            return bitsPerPixel == 8;
        case Encoding::Rle4:
            return bitsPerPixel == 4;
        case Encoding::BitFields:
            return bitsPerPixel == 16 || bitsPerPixel == 32;
    }
    return false;
}

Status readSize(const InfoHeader& info, Layout& layout) {
    if (info.width <= 0 || info.height == 0) return Error{"the BMP picture has no pixels"};
    // Only the 32-bit headers can say "top-down" with a negative height.
    layout.topDown = info.height < 0;
    const std::int64_t height = info.height < 0 ? -info.height : info.height;
    if (!sizeIsAllowed(info.width, height)) return Error{tooLargeReason(info.width, height)};
    layout.width = static_cast<int>(info.width);
    layout.height = static_cast<int>(height);
    return {};
}

// A mask must fit inside the pixel and be one run of bits; an empty mask is a channel
// that is not stored.
bool maskIsUsable(std::uint32_t mask, int bitsPerPixel) {
    if (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0) return false;
    if (mask == 0) return true;
    const std::uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

std::array<std::uint32_t, 4> defaultMasks(int bitsPerPixel) {
    // 16 bits: 5-5-5 with the top bit unused; 32 bits: 8-8-8 with the top byte unused (many
    // writers leave garbage there, so it never counts as alpha).
    if (bitsPerPixel == 16) return {0x7C00u, 0x03E0u, 0x001Fu, 0u};
    if (bitsPerPixel == 32) return {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0u};
    return {};
}

// Reads the bit masks of a BITFIELDS file: inside a Windows header of 52 bytes or more,
// otherwise right after the header (where `tableStart` is moved past them).
Status readMasks(std::span<const std::uint8_t> file, const InfoHeader& info,
                 std::uint64_t& tableStart, Layout& layout) {
    if (info.kind == HeaderKind::Windows && info.size >= kHeaderWithRgbMasks) {
        for (int c = kRed; c <= kBlue; ++c)
            layout.masks[c] = info.field32(kMasksInHeader + 4 * c);
        if (info.size >= kHeaderWithAlphaMask) layout.masks[kAlpha] = info.field32(52);
    } else {
        const int count = info.compression == kBiAlphaBitFields ? 4 : 3;
        if (tableStart + 4u * count > file.size()) return Error{"the BMP bit masks are cut short"};
        for (int c = 0; c < count; ++c) {
            layout.masks[c] = readU32(file.data() + tableStart + 4u * c);
        }
        tableStart += 4u * count;
    }
    for (std::uint32_t mask : layout.masks) {
        if (!maskIsUsable(mask, layout.bitsPerPixel)) return Error{"unusable BMP bit mask"};
    }
    return {};
}

// The colour table: as many entries as the header says (all 2^bpp when it says 0), of
// which only those before the pixel data and at most 256 are used. An explicit count that
// runs past the end of the file means a damaged file.
Status readPalette(std::span<const std::uint8_t> file, const InfoHeader& info,
                   std::uint64_t tableStart, std::uint64_t pixelOffset, Layout& layout) {
    const std::uint64_t entrySize = info.kind == HeaderKind::Os2Core ? 3 : 4;
    const std::uint64_t declared =
        info.colorsUsed != 0 ? info.colorsUsed : (1ull << layout.bitsPerPixel);
    const std::uint64_t inFile = (file.size() - tableStart) / entrySize;
    if (info.colorsUsed != 0 && declared > inFile) {
        return Error{"the BMP colour table runs past the end of the file"};
    }
    const std::uint64_t beforePixels = (pixelOffset - tableStart) / entrySize;
    const std::uint64_t count = std::min({declared, inFile, beforePixels, std::uint64_t{256}});
    layout.palette.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + tableStart + i * entrySize;
        layout.palette.push_back(makeColor(entry[2], entry[1], entry[0], 255));
    }
    return {};
}

// The pixel data must be there before a picture is allocated for it. Uncompressed rows
// must all be present (the last row may lack its padding); run-length data must be long
// enough to be plausible for the size it claims.
Status checkPixelData(std::span<const std::uint8_t> file, const Layout& layout) {
    const std::int64_t available = static_cast<std::int64_t>(file.size() - layout.pixelOffset);
    if (layout.encoding == Encoding::Rle8 || layout.encoding == Encoding::Rle4) {
        const std::int64_t pixels = static_cast<std::int64_t>(layout.width) * layout.height;
        if (pixels > available * kMaxRlePixelsPerByte) {
            return Error{"the BMP run-length data is far too short for the picture size"};
        }
        return {};
    }
    const std::int64_t lastRow =
        (static_cast<std::int64_t>(layout.width) * layout.bitsPerPixel + 7) / 8;
    if (layout.rowStride() * (layout.height - 1) + lastRow > available) {
        return Error{"the BMP pixel data is cut short"};
    }
    return {};
}

}  // namespace

Result<Layout> parseLayout(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        return Error{"not a BMP file"};
    }
    auto info = readInfoHeader(file);
    if (!info) return Error{info.error()};
    Layout layout;
    if (Status size = readSize(info.value(), layout); !size) return Error{size.error()};
    auto encoding = encodingOf(info.value());
    if (!encoding) return Error{encoding.error()};
    layout.encoding = encoding.value();
    layout.bitsPerPixel = info.value().bitsPerPixel;
    if (!depthFitsEncoding(layout.bitsPerPixel, layout.encoding)) {
        return Error{"unsupported BMP bit depth " + std::to_string(layout.bitsPerPixel)};
    }

    std::uint64_t tableStart = kFileHeaderSize + info.value().size;
    if (layout.encoding == Encoding::BitFields) {
        Status masks = readMasks(file, info.value(), tableStart, layout);
        if (!masks) return Error{masks.error()};
    } else {
        layout.masks = defaultMasks(layout.bitsPerPixel);
    }

    const std::uint64_t pixelOffset = readU32(file.data() + 10);
    if (pixelOffset >= file.size()) return Error{"the BMP pixel data lies outside the file"};
    if (pixelOffset < tableStart) return Error{"the BMP pixel data overlaps the header"};
    layout.pixelOffset = static_cast<std::size_t>(pixelOffset);
    if (layout.bitsPerPixel <= 8) {
        Status palette = readPalette(file, info.value(), tableStart, pixelOffset, layout);
        if (!palette) return Error{palette.error()};
    }
    if (Status data = checkPixelData(file, layout); !data) return Error{data.error()};
    return layout;
}

}  // namespace vd::bmp

namespace vd {

// The same header reading the decoder does, so that both see the same size.
std::optional<ClaimedSize> claimedBmpSize(std::span<const std::uint8_t> start) {
    if (start.size() < bmp::kFileHeaderSize + 4 || start[0] != 'B' || start[1] != 'M') {
        return std::nullopt;
    }
    auto info = bmp::readInfoHeader(start);
    if (!info || info.value().width <= 0 || info.value().height == 0) return std::nullopt;
    const std::int64_t height = info.value().height;
    return ClaimedSize{info.value().width, height < 0 ? -height : height};
}

}  // namespace vd
