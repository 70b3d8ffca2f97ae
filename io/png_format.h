#pragma once

// What the PNG reader and writer share: the file's framing, the row filters and a scratch
// buffer for whole-picture work. Internal to the codecs.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "io/image_codec.h"

namespace vd::png {

inline constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate turns at most 1032 bytes into one (a 258-byte match coded in two bits). A file
// claiming more pixel data than that could expand to is refused before the image is
// allocated, so a few hundred bytes cannot make us reserve hundreds of megabytes.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;
inline constexpr std::uint64_t kDeflateSlack = 4096;

// Largest chunk other than pixel data a reader takes. The ones we read (palette,
// transparency) are under 1 KB; a hostile length field must not become a huge allocation.
inline constexpr std::size_t kMaxChunkBytes = 1 << 20;

// Ancillary chunks that describe nothing we show (colour management, text, history), as
// libpng takes a list: four letters and a NUL each. They are skipped unread, so no parser
// sees hostile data in them.
inline constexpr unsigned char kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0"
    "pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
inline constexpr int kIgnoredChunkCount = sizeof kIgnoredChunks / 5;

enum class RowFilter : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

inline std::uint32_t readBigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

inline void writeBigEndian32(std::uint32_t value, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// The chunk type as the four letters read as one big-endian number, so types compare as
// integers.
constexpr std::uint32_t chunkType(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

inline bool isIgnoredChunk(std::uint32_t type) {
    for (int i = 0; i < kIgnoredChunkCount; ++i) {
        if (readBigEndian32(kIgnoredChunks + 5 * i) == type) return true;
    }
    return false;
}

// A buffer for a whole picture's rows, from the pixel allocator: large ones sit in huge
// pages, which on a virtual machine costs a few page faults instead of thousands. Its bytes
// are not initialised.
class ScratchBuffer {
  public:
    // Throws std::bad_alloc.
    explicit ScratchBuffer(std::size_t bytes);
    ~ScratchBuffer();
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }

  private:
    std::uint8_t* data_;
    std::size_t size_;
};

// Whether PNG defines the filter type.
bool isRowFilter(std::uint8_t filterType);

// Undoes the filter of pixels `begin` to `end` of one row of 8-bit RGB (3 bytes a pixel in
// `filtered`, the row's first sample) or RGBA (4) into `out`, 4 bytes a pixel in Color's
// byte order; the pixels before `begin` are already in `out`. `above` is the row above as
// written to `out` (at least as far as `end`), all zeros for the first row. RGB rows get an
// opaque alpha byte. `out` may overlap `filtered` where each pixel is written no further than
// the start of the next one read. The filter type must be one PNG defines.
void unfilterRowPart(std::uint8_t filterType, const std::uint8_t* filtered, int bytesPerPixel,
                     const Color* above, Color* out, int begin, int end, int width);

// Writes one row of 8-bit RGB (bytesPerPixel 3, alpha dropped) or RGBA (4) as its filter type
// byte and the Paeth-filtered bytes; `above` is the row above, or nullptr for the first.
// `out` takes 1 + width * bytesPerPixel bytes and may be written up to one byte past them.
void paethFilterRow(const Color* row, const Color* above, int bytesPerPixel, int width,
                    std::uint8_t* out);

// The two ways of reading a file. The direct one takes the common files (8-bit RGB or RGBA,
// not interlaced, nothing but ignored ancillary chunks beside the pixel data, every CRC and
// the zlib stream right) and gives nothing for any other, which libpng then reads or refuses,
// so both give the same pixels and the same refusals.
std::optional<Image> decodeCommonPng(std::span<const std::uint8_t> bytes);
Result<Image> decodeWithLibpng(std::span<const std::uint8_t> bytes);

}  // namespace vd::png
