#pragma once

// The parts of a BMP file the reader needs, shared by the header parser and the pixel
// decoders. Internal to the BMP codec.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "io/result.h"
#include "platform/image/color.h"

namespace vd::bmp {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kV5HeaderSize = 124;

// A run-length stream never legitimately describes far more pixels than it has bytes:
// one encoded pair covers at most 255 pixels. Deltas and early ends can skip more, so the
// bound is loose, but it keeps a tiny file from asking for a huge picture.
constexpr std::int64_t kMaxRlePixelsPerByte = 1024;

enum class Encoding { Rgb, Rle8, Rle4, BitFields };

enum Channel { kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3 };

// Everything about the pixels, checked against the file: the palette and the pixel data
// lie inside it, and the size is one the program may allocate.
struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    Encoding encoding = Encoding::Rgb;
    // Red, green, blue, alpha masks for 16 and 32 bits per pixel; alpha 0 means opaque.
    std::array<std::uint32_t, 4> masks{};
    // Opaque colours of the colour table, at most 256.
    std::vector<Color> palette;
    std::size_t pixelOffset = 0;

    bool hasAlpha() const { return masks[kAlpha] != 0; }
    // Bytes of one stored row, padded to 4 bytes (64-bit: a hostile width must not wrap).
    std::int64_t rowStride() const {
        return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    }
};

// Reads and checks the file header, the info header (any of the OS/2 and Windows
// versions), the bit masks and the colour table.
Result<Layout> parseLayout(std::span<const std::uint8_t> file);

inline std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace vd::bmp
