// PNG writing: the rows are filtered into one buffer, deflated by libdeflate (two to three
// times as fast as zlib for a file about as small; a large picture's rows in two parts at
// once), and framed in chunks with their CRCs here.

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "io/deflate_parts.h"
#include "io/png_format.h"

namespace vd {
namespace {

using png::chunkType;
using png::ScratchBuffer;

// True colour: every row Paeth-filtered (adaptive filtering gave no smaller file), libdeflate
// level 2. Level 1 is nearly twice as fast but made a 12 MP photo 3 % larger than zlib level
// 1 with its run-length strategy did; level 2 is 1.6 % larger there, and on two cores still
// saves in well under half zlib's time.
constexpr int kTrueColorLevel = 2;
// Palette rows are not filtered: filters predict bytes from their neighbours, which means
// nothing for palette indices (adaptive filtering made the quantized Kodak photos 38 to 44 %
// larger, even with the palette sorted by brightness). Level 6 makes files no larger than
// zlib level 6 did on quantized photos, in under half the time; level 5 is 1 % larger at 32
// colours. Pictures under two megapixels take level 7, 1 % smaller, since the difference is
// a few milliseconds there.
constexpr int kPaletteLevel = 6;
constexpr int kSmallPaletteLevel = 7;
constexpr std::size_t kSmallPicturePixels = 2'000'000;
// The pixel data is cut into IDAT chunks of this size, as most writers do.
constexpr std::size_t kIdatChunkBytes = 256 * 1024;

constexpr std::uint8_t kColorTypePalette = 3;
constexpr std::uint8_t kColorTypeRgb = 2;
constexpr std::uint8_t kColorTypeRgba = 6;

// The colours of a picture that has at most 256 of them, each with its palette index.
// Colours are keys with the alpha byte forced to 255 in a 24-bit picture, so that only red,
// green and blue distinguish them.
class PaletteTable {
  public:
    static constexpr int kMaxColors = 256;

    // The key's index, added if it is new; -1 when it would be colour 257.
    int indexOf(Color key) {
        std::size_t slot = slotOf(key);
        while (index_[slot] != kEmpty) {
            if (keys_[slot] == key) return index_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (count_ == kMaxColors) return -1;
        keys_[slot] = key;
        index_[slot] = static_cast<std::int16_t>(count_);
        colors_[static_cast<std::size_t>(count_)] = key;
        return count_++;
    }

    // Puts the translucent colours first, each group in order of first appearance, so that
    // the transparency table stops at the last translucent entry. Gives each old index's new
    // one.
    std::array<std::uint8_t, kMaxColors> translucentFirst() {
        std::array<std::uint8_t, kMaxColors> newIndex{};
        std::array<Color, kMaxColors> reordered{};
        int next = 0;
        for (bool translucent : {true, false}) {
            for (int i = 0; i < count_; ++i) {
                const Color c = colors_[static_cast<std::size_t>(i)];
                if ((alphaOf(c) < 255) != translucent) continue;
                newIndex[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(next);
                reordered[static_cast<std::size_t>(next++)] = c;
            }
        }
        colors_ = reordered;
        for (std::int16_t& index : index_) {
            if (index != kEmpty) index = newIndex[static_cast<std::size_t>(index)];
        }
        return newIndex;
    }

    int count() const { return count_; }
    Color color(int index) const { return colors_[static_cast<std::size_t>(index)]; }

  private:
    // Four times the colours, so a probe rarely goes past its first slot.
    static constexpr std::size_t kSlots = 1024;
    static constexpr std::int16_t kEmpty = -1;

    static std::size_t slotOf(Color key) {
        return (key * 2654435761u) >> (32 - std::countr_zero(kSlots));
    }

    std::array<Color, kSlots> keys_{};
    std::array<std::int16_t, kSlots> index_ = [] {
        std::array<std::int16_t, kSlots> empty;
        empty.fill(kEmpty);
        return empty;
    }();
    std::array<Color, kMaxColors> colors_{};
    int count_ = 0;
};

// The key under which a pixel is counted: a 24-bit picture's alpha byte does not count.
Color alphaForcedIn(const Image& image) { return image.hasAlpha() ? 0 : kAlphaMask; }

// Fills the table with the picture's colours in order of first appearance, and `rows` with
// a filter type byte (none) and one index byte per pixel for each row; false as soon as a
// 257th colour turns up, which in a photo is within its first rows. Every pixel is looked
// up, even one repeating the colour before it: in a dithered picture a test for that guessed
// wrong so often that the scan took four times as long with it.
bool indexPixels(const Image& image, PaletteTable& table, std::uint8_t* rows) {
    const Color forced = alphaForcedIn(image);
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        *rows++ = static_cast<std::uint8_t>(png::RowFilter::None);
        for (int x = 0; x < image.width(); ++x) {
            const int index = table.indexOf(row[x] | forced);
            if (index < 0) return false;
            *rows++ = static_cast<std::uint8_t>(index);
        }
    }
    return true;
}

// Fewest bits per pixel that can index this many colours.
int paletteBitDepth(int colors) {
    if (colors <= 2) return 1;
    if (colors <= 4) return 2;
    if (colors <= 16) return 4;
    return 8;
}

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    png::writeBigEndian32(value, bytes);
    out.insert(out.end(), bytes, bytes + 4);
}

// Length, type, data and the CRC of type and data.
void appendChunk(std::vector<std::uint8_t>& out, std::uint32_t type,
                 std::span<const std::uint8_t> data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    putBigEndian32(out, type);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian32(out, libdeflate_crc32(0, out.data() + typeAt, 4 + data.size()));
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 8;
    std::uint8_t colorType = kColorTypeRgb;
};

// The chunks before the pixel data, for a palette file its PLTE and tRNS data.
struct Preamble {
    Header header;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> transparency;
};

std::vector<std::uint8_t> headerData(const Header& header) {
    std::vector<std::uint8_t> data;
    putBigEndian32(data, header.width);
    putBigEndian32(data, header.height);
    // Bit depth, colour type, then deflate, adaptive filtering and no interlacing.
    data.insert(data.end(), {header.bitDepth, header.colorType, 0, 0, 0});
    return data;
}

// The whole file around the deflated rows, in a buffer of exactly its size.
std::vector<std::uint8_t> assembleFile(const Preamble& preamble,
                                       std::span<const std::uint8_t> deflated) {
    constexpr std::size_t kFraming = 12;
    const std::size_t idatChunks = deflated.size() / kIdatChunkBytes + 1;
    std::vector<std::uint8_t> file(std::begin(png::kSignature), std::end(png::kSignature));
    file.reserve(sizeof png::kSignature + 3 * kFraming + 13 + preamble.palette.size() +
                 preamble.transparency.size() + deflated.size() + (idatChunks + 1) * kFraming);
    appendChunk(file, chunkType("IHDR"), headerData(preamble.header));
    if (!preamble.palette.empty()) appendChunk(file, chunkType("PLTE"), preamble.palette);
    if (!preamble.transparency.empty()) {
        appendChunk(file, chunkType("tRNS"), preamble.transparency);
    }
    for (std::size_t at = 0; at < deflated.size(); at += kIdatChunkBytes) {
        appendChunk(file, chunkType("IDAT"), deflated.subspan(at).first(
                                                 std::min(kIdatChunkBytes, deflated.size() - at)));
    }
    appendChunk(file, chunkType("IEND"), {});
    return file;
}

// Deflates the filtered rows into a zlib stream and frames the file around it. Throws
// std::bad_alloc.
std::vector<std::uint8_t> deflateAndFrame(const Preamble& preamble,
                                          std::span<const std::uint8_t> rows, int level) {
    ScratchBuffer deflated(png::zlibBound(rows.size()));
    const std::size_t size = png::zlibCompress(rows, level, deflated.data());
    return assembleFile(preamble, {deflated.data(), size});
}

std::size_t rowBytes(const Header& header, int samplesPerPixel) {
    return (std::size_t{header.width} * samplesPerPixel * header.bitDepth + 7) / 8;
}

std::vector<std::uint8_t> encodeTrueColor(const Image& image) {
    Preamble preamble;
    preamble.header = {static_cast<std::uint32_t>(image.width()),
                       static_cast<std::uint32_t>(image.height()), 8,
                       image.hasAlpha() ? kColorTypeRgba : kColorTypeRgb};
    const int bytesPerPixel = image.hasAlpha() ? 4 : 3;
    const std::size_t stride = 1 + rowBytes(preamble.header, bytesPerPixel);
    const std::size_t size = stride * preamble.header.height;
    ScratchBuffer rows(size + 1);  // the last pixel may write one byte past the rows
    for (int y = 0; y < image.height(); ++y) {
        png::paethFilterRow(image.row(y), y > 0 ? image.row(y - 1) : nullptr, bytesPerPixel,
                            image.width(), rows.data() + stride * static_cast<std::size_t>(y));
    }
    return deflateAndFrame(preamble, {rows.data(), size}, kTrueColorLevel);
}

// PLTE and, for a 32-bit picture, tRNS. The decoder gives 32 bits exactly when the file has
// transparency, so a 32-bit picture carries a table even when it is all opaque: one entry,
// 255.
Preamble palettePreamble(const Image& image, const PaletteTable& table) {
    Preamble preamble;
    preamble.header = {static_cast<std::uint32_t>(image.width()),
                       static_cast<std::uint32_t>(image.height()),
                       static_cast<std::uint8_t>(paletteBitDepth(table.count())),
                       kColorTypePalette};
    std::size_t translucent = 0;
    for (int i = 0; i < table.count(); ++i) {
        const Color c = table.color(i);
        preamble.palette.insert(preamble.palette.end(),
                                {static_cast<std::uint8_t>(redOf(c)),
                                 static_cast<std::uint8_t>(greenOf(c)),
                                 static_cast<std::uint8_t>(blueOf(c))});
        preamble.transparency.push_back(static_cast<std::uint8_t>(alphaOf(c)));
        if (alphaOf(c) < 255) translucent = preamble.transparency.size();
    }
    preamble.transparency.resize(image.hasAlpha() ? std::max<std::size_t>(translucent, 1) : 0);
    return preamble;
}

// Packs rows of one index byte per pixel (after the filter byte) to `bitDepth` bits, leftmost
// pixel in the high bits, in place: a packed row never reaches past where its bytes are read.
void packRows(std::uint8_t* rows, int width, int height, int bitDepth) {
    const int perByte = 8 / bitDepth;
    const std::uint8_t* in = rows;
    std::uint8_t* out = rows;
    for (int y = 0; y < height; ++y) {
        *out++ = *in++;  // the filter type
        for (int x = 0; x < width; x += perByte) {
            std::uint8_t packed = 0;
            for (int i = 0; i < perByte; ++i) {
                const std::uint8_t index = x + i < width ? in[i] : 0;
                packed = static_cast<std::uint8_t>(packed << bitDepth | index);
            }
            *out++ = packed;
            in += std::min(perByte, width - x);
        }
    }
}

// The picture as a palette file, or nothing when it has more than 256 colours.
std::optional<std::vector<std::uint8_t>> encodePalette(const Image& image) {
    PaletteTable table;
    const std::size_t width = static_cast<std::size_t>(image.width());
    ScratchBuffer rows((1 + width) * static_cast<std::size_t>(image.height()));
    if (!indexPixels(image, table, rows.data())) return std::nullopt;
    if (image.hasAlpha()) {
        const auto newIndex = table.translucentFirst();
        std::uint8_t* row = rows.data();
        for (int y = 0; y < image.height(); ++y, row += 1 + width) {
            for (std::size_t x = 1; x <= width; ++x) row[x] = newIndex[row[x]];
        }
    }
    const Preamble preamble = palettePreamble(image, table);
    const int bitDepth = preamble.header.bitDepth;
    if (bitDepth < 8) packRows(rows.data(), image.width(), image.height(), bitDepth);
    const std::size_t size =
        (1 + rowBytes(preamble.header, 1)) * static_cast<std::size_t>(image.height());
    const int level = image.pixelCount() < kSmallPicturePixels ? kSmallPaletteLevel : kPaletteLevel;
    return deflateAndFrame(preamble, {rows.data(), size}, level);
}

}  // namespace

Result<std::vector<std::uint8_t>> encodePng(const Image& image, PngOptions options) {
    if (image.empty()) return Error{"no image to save"};
    try {
        if (!options.trueColor) {
            if (auto file = encodePalette(image)) return std::move(*file);
        }
        return encodeTrueColor(image);
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory to write a PNG file"};
    }
}

}  // namespace vd
