// BMP pixels: uncompressed rows of every depth, bit-field pixels, RLE4 and RLE8 streams,
// and the writer. The headers are parsed and checked in bmp_header.cpp.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "io/bmp_format.h"
#include "io/image_codec.h"

namespace vd {

namespace bmp {
namespace {

constexpr Color kOpaqueBlack = kAlphaMask;

// 256 entries so that any stored index can be looked up; indices past the file's colour
// table are black.
using PaletteTable = std::array<Color, 256>;

PaletteTable paletteTable(const Layout& layout) {
    PaletteTable table;
    table.fill(kOpaqueBlack);
    std::copy(layout.palette.begin(), layout.palette.end(), table.begin());
    return table;
}

// One channel of a bit-field pixel scaled to 8 bits as round(v * 255 / (2^n - 1)), so that
// a full channel of any width gives 255.
class ChannelScaler {
  public:
    explicit ChannelScaler(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        if (max_ <= 0xFFFFu) {
            table_.resize(max_ + 1);
            for (std::uint32_t v = 0; v <= max_; ++v)
                table_[v] = scale(v);
        }
    }

    std::uint8_t operator()(std::uint32_t pixel) const {
        if (mask_ == 0) return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return table_.empty() ? scale(v) : table_[v];
    }

  private:
    std::uint8_t scale(std::uint32_t v) const {
        const std::uint64_t max = max_;
        return static_cast<std::uint8_t>((v * 510ull + max) / (2 * max));
    }

    std::uint32_t mask_;
    int shift_ = 0;
    std::uint32_t max_ = 0;
    std::vector<std::uint8_t> table_;
};

void decodeIndexedRow(const std::uint8_t* src, Color* dst, int width, int bitsPerPixel,
                      const PaletteTable& palette) {
    if (bitsPerPixel == 8) {
        for (int x = 0; x < width; ++x)
            dst[x] = palette[src[x]];
        return;
    }
    const int perByte = 8 / bitsPerPixel;
    const unsigned indexMask = (1u << bitsPerPixel) - 1;
    for (int x = 0; x < width; ++x) {
        // The leftmost pixel sits in the high bits of its byte.
        const int shift = 8 - bitsPerPixel * (x % perByte + 1);
        dst[x] = palette[(src[x / perByte] >> shift) & indexMask];
    }
}

void decodeRgb24Row(const std::uint8_t* src, Color* dst, int width) {
    for (int x = 0; x < width; ++x, src += 3)
        dst[x] = makeColor(src[2], src[1], src[0], 255);
}

class BitFieldDecoder {
  public:
    explicit BitFieldDecoder(const Layout& layout)
        : red_(layout.masks[kRed]),
          green_(layout.masks[kGreen]),
          blue_(layout.masks[kBlue]),
          alpha_(layout.masks[kAlpha]),
          hasAlpha_(layout.hasAlpha()),
          bytesPerPixel_(layout.bitsPerPixel / 8) {}

    void decodeRow(const std::uint8_t* src, Color* dst, int width) const {
        for (int x = 0; x < width; ++x, src += bytesPerPixel_) {
            const std::uint32_t v = bytesPerPixel_ == 2 ? readU16(src) : readU32(src);
            dst[x] = makeColor(red_(v), green_(v), blue_(v), hasAlpha_ ? alpha_(v) : 255);
        }
    }

  private:
    ChannelScaler red_, green_, blue_, alpha_;
    bool hasAlpha_;
    int bytesPerPixel_;
};

// Every stored row is there (parseLayout checked it) and each row decoder writes all its
// pixels, alpha included, so the picture needs no fill first.
Image decodeUncompressed(std::span<const std::uint8_t> file, const Layout& layout) {
    Image image = Image::unfilled(layout.width, layout.height, layout.hasAlpha() ? 32 : 24);
    const PaletteTable palette = paletteTable(layout);
    const BitFieldDecoder bitFields(layout);
    const std::int64_t stride = layout.rowStride();
    for (int i = 0; i < layout.height; ++i) {
        const std::uint8_t* src = file.data() + layout.pixelOffset + i * stride;
        Color* dst = image.row(layout.topDown ? i : layout.height - 1 - i);
        if (layout.bitsPerPixel <= 8) {
            decodeIndexedRow(src, dst, layout.width, layout.bitsPerPixel, palette);
        } else if (layout.bitsPerPixel == 24) {
            decodeRgb24Row(src, dst, layout.width);
        } else {
            bitFields.decodeRow(src, dst, layout.width);
        }
    }
    return image;
}

// Where a run-length stream writes: a cursor that never leaves the picture. Pixels a run
// puts past the end of a row are dropped, and so is everything after the last row.
//
// The cursor only moves forward, through the rows in the order the stream stores them, so
// everything behind it has been written. Pixels it passes over (deltas, early line ends)
// are made black as it passes them, and finish() blackens whatever the stream never reached:
// the picture starts unfilled and each pixel is written once.
class RleCursor {
  public:
    RleCursor(Image& image, bool topDown) : image_(image), topDown_(topDown) {}

    bool finished() const { return line_ >= image_.height(); }

    // Writes `count` pixels, colour i taken from pick(i), clipped at the row's end.
    template <class Pick>
    void write(int count, Pick pick) {
        if (finished()) return;
        Color* row = currentRow();
        const int end = std::min(x_ + count, image_.width());
        for (int i = 0; x_ + i < end; ++i)
            row[x_ + i] = pick(i);
        x_ = end;
    }
    void endLine() { skipTo(line_ + 1, 0); }
    // x stays at most one past the row, so a long run of deltas cannot overflow it.
    void moveBy(int dx, int dy) { skipTo(line_ + dy, std::min(x_ + dx, image_.width())); }
    void finish() { skipTo(image_.height(), 0); }

  private:
    Color* currentRow() { return image_.row(topDown_ ? line_ : image_.height() - 1 - line_); }

    // Moves to (line, x), at or after the cursor, blackening the pixels in between.
    void skipTo(int line, int x) {
        while (line_ < line && !finished()) {
            std::fill(currentRow() + x_, currentRow() + image_.width(), kOpaqueBlack);
            ++line_;
            x_ = 0;
        }
        if (finished()) return;
        std::fill(currentRow() + x_, currentRow() + x, kOpaqueBlack);
        x_ = x;
    }

    Image& image_;
    bool topDown_;
    int x_ = 0;
    int line_ = 0;
};

Color rle4Pixel(const PaletteTable& palette, std::uint8_t packed, int i) {
    return palette[i % 2 == 0 ? packed >> 4 : packed & 0x0F];
}

// An absolute run: `count` stored indices, padded to an even number of bytes. Returns the
// position after it, or the end of the data when the run is cut short.
std::size_t decodeAbsoluteRun(std::span<const std::uint8_t> data, std::size_t pos, int count,
                              bool fourBit, const PaletteTable& palette, RleCursor& cursor) {
    const std::size_t bytes = fourBit ? (count + 1) / 2 : count;
    const std::size_t available = std::min(bytes, data.size() - pos);
    const int pixels = fourBit ? std::min<int>(count, static_cast<int>(available) * 2)
                               : static_cast<int>(available);
    const std::uint8_t* src = data.data() + pos;
    if (fourBit) {
        cursor.write(pixels, [&](int i) { return rle4Pixel(palette, src[i / 2], i); });
    } else {
        cursor.write(pixels, [&](int i) { return palette[src[i]]; });
    }
    if (available < bytes) return data.size();
    return std::min(data.size(), pos + bytes + (bytes & 1));
}

// Decodes RLE8 or RLE4 pairs until the end-of-bitmap escape, the last row or the end of
// the data. Pixels the stream never sets (skipped by deltas, early line ends or an early
// end) are black.
Image decodeRunLength(std::span<const std::uint8_t> file, const Layout& layout) {
    Image image = Image::unfilled(layout.width, layout.height, 24);
    const PaletteTable palette = paletteTable(layout);
    const bool fourBit = layout.encoding == Encoding::Rle4;
    const std::span<const std::uint8_t> data = file.subspan(layout.pixelOffset);
    RleCursor cursor(image, layout.topDown);
    std::size_t pos = 0;
    while (pos + 2 <= data.size() && !cursor.finished()) {
        const int count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (fourBit) {
                cursor.write(count, [&](int i) { return rle4Pixel(palette, value, i); });
            } else {
                cursor.write(count, [&](int) { return palette[value]; });
            }
            continue;
        }
        if (value == 0) {
            cursor.endLine();
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 2 > data.size()) break;
            cursor.moveBy(data[pos], data[pos + 1]);
            pos += 2;
        } else {
            pos = decodeAbsoluteRun(data, pos, value, fourBit, palette, cursor);
        }
    }
    cursor.finish();
    return image;
}

// Little-endian output into the header, a buffer sized in advance.
class ByteWriter {
  public:
    explicit ByteWriter(std::uint8_t* out) : out_(out) {}
    void u16(std::uint32_t v) {
        *out_++ = static_cast<std::uint8_t>(v);
        *out_++ = static_cast<std::uint8_t>(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFFu);
        u16(v >> 16);
    }
    void zeros(std::size_t n) { out_ = std::fill_n(out_, n, std::uint8_t{0}); }
    std::uint8_t* position() const { return out_; }

  private:
    std::uint8_t* out_;
};

constexpr std::uint32_t kPixelsPerMetre = 2835;        // 72 dots per inch
constexpr std::uint32_t kColorSpaceSrgb = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kIntentImages = 4;             // LCS_GM_IMAGES: perceptual

void writeFileHeader(ByteWriter& out, std::size_t fileSize, std::size_t pixelOffset) {
    out.u16('B' | ('M' << 8));
    out.u32(static_cast<std::uint32_t>(fileSize));
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(pixelOffset));
}

// The fields every info header starts with; `compression` 0 = BI_RGB, 3 = BI_BITFIELDS.
void writeInfoHeaderStart(ByteWriter& out, std::uint32_t headerSize, const Image& image,
                          int bitsPerPixel, std::uint32_t compression, std::size_t imageBytes) {
    out.u32(headerSize);
    out.u32(static_cast<std::uint32_t>(image.width()));
    out.u32(static_cast<std::uint32_t>(image.height()));  // positive: bottom-up
    out.u16(1);
    out.u16(static_cast<std::uint32_t>(bitsPerPixel));
    out.u32(compression);
    out.u32(static_cast<std::uint32_t>(imageBytes));
    out.u32(kPixelsPerMetre);
    out.u32(kPixelsPerMetre);
    out.u32(0);  // colours used
    out.u32(0);  // colours important
}

// The rows are appended bottom-up to a file reserved at its final size, each through a
// row buffer whose padding stays zero: the file is written once, never zero-filled first.
template <class ConvertRow>
void appendRows(const Image& image, std::size_t stride, std::vector<std::uint8_t>& file,
                ConvertRow convertRow) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        convertRow(image.row(y), image.width(), row.data());
        file.insert(file.end(), row.begin(), row.end());
    }
}

void toBgr(const Color* src, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 3) {
        dst[0] = static_cast<std::uint8_t>(blueOf(src[x]));
        dst[1] = static_cast<std::uint8_t>(greenOf(src[x]));
        dst[2] = static_cast<std::uint8_t>(redOf(src[x]));
    }
}

// B, G, R, A in memory is R and B of a Color swapped, a whole word at a time.
static_assert(std::endian::native == std::endian::little, "toBgra stores words as bytes");
void toBgra(const Color* src, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 4) {
        const Color c = src[x];
        const std::uint32_t swapped = (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
        std::memcpy(dst, &swapped, 4);
    }
}

// A file of `pixelOffset` header bytes, with room reserved for the pixels after them.
std::vector<std::uint8_t> startFile(std::size_t pixelOffset, std::size_t imageBytes) {
    std::vector<std::uint8_t> file;
    file.reserve(pixelOffset + imageBytes);
    file.resize(pixelOffset);
    return file;
}

std::vector<std::uint8_t> encode24(const Image& image) {
    const std::size_t stride = (static_cast<std::size_t>(image.width()) * 3 + 3) & ~std::size_t{3};
    const std::size_t imageBytes = stride * image.height();
    const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;
    std::vector<std::uint8_t> file = startFile(pixelOffset, imageBytes);
    ByteWriter out(file.data());
    writeFileHeader(out, pixelOffset + imageBytes, pixelOffset);
    writeInfoHeaderStart(out, kInfoHeaderSize, image, 24, 0, imageBytes);
    appendRows(image, stride, file, toBgr);
    return file;
}

// 32-bit images keep their alpha in a V5 header with explicit masks, the form other
// programs recognise as transparent.
std::vector<std::uint8_t> encode32(const Image& image) {
    const std::size_t stride = static_cast<std::size_t>(image.width()) * 4;
    const std::size_t imageBytes = stride * image.height();
    const std::size_t pixelOffset = kFileHeaderSize + kV5HeaderSize;
    std::vector<std::uint8_t> file = startFile(pixelOffset, imageBytes);
    ByteWriter out(file.data());
    writeFileHeader(out, pixelOffset + imageBytes, pixelOffset);
    writeInfoHeaderStart(out, kV5HeaderSize, image, 32, 3, imageBytes);
    out.u32(0x00FF0000u);  // red
    out.u32(0x0000FF00u);  // green
    out.u32(0x000000FFu);  // blue
    out.u32(0xFF000000u);  // alpha
    out.u32(kColorSpaceSrgb);
    out.zeros(36 + 12);  // end points and gamma, unused with sRGB
    out.u32(kIntentImages);
    out.zeros(12);  // profile offset, profile size, reserved
    appendRows(image, stride, file, toBgra);
    return file;
}

}  // namespace
}  // namespace bmp

Result<Image> decodeBmp(std::span<const std::uint8_t> bytes) {
    auto layout = bmp::parseLayout(bytes);
    if (!layout) return Error{layout.error()};
    try {
        const bool runLength = layout.value().encoding == bmp::Encoding::Rle8 ||
                               layout.value().encoding == bmp::Encoding::Rle4;
        return runLength ? bmp::decodeRunLength(bytes, layout.value())
                         : bmp::decodeUncompressed(bytes, layout.value());
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory for the picture"};
    }
}

Result<std::vector<std::uint8_t>> encodeBmp(const Image& image) {
    if (image.empty()) return Error{"no image to save"};
    try {
        return image.hasAlpha() ? bmp::encode32(image) : bmp::encode24(image);
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory to encode the picture"};
    }
}

}  // namespace vd
