// The direct PNG reader for the files nearly every program writes: 8-bit RGB or RGBA, not
// interlaced. The pixel data is inflated in one call by libdeflate (about twice as fast as
// zlib) and unfiltered straight into the picture. It takes a file only when nothing in it
// needs a judgement: any damage, any chunk it does not know to be harmless, or any layout
// it does not read sends the file to libpng, which decides as it always has.

#include <libdeflate.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "io/png_format.h"

namespace vd::png {
namespace {

constexpr std::uint8_t kColorTypeRgb = 2;
constexpr std::uint8_t kColorTypeRgba = 6;

struct Chunk {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> data;
};

// The chunks of a file after its signature; stops at the first one that is cut short, too
// long or fails its CRC.
class ChunkWalker {
  public:
    explicit ChunkWalker(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<Chunk> next() {
        constexpr std::size_t kFraming = 12;  // length, type, CRC
        constexpr std::uint32_t kMaxLength = 0x7FFFFFFF;
        if (bytes_.size() - offset_ < kFraming) return std::nullopt;
        const std::uint8_t* start = bytes_.data() + offset_;
        const std::uint32_t length = readBigEndian32(start);
        if (length > kMaxLength || length > bytes_.size() - offset_ - kFraming) return std::nullopt;
        const std::uint32_t crc = readBigEndian32(start + 8 + length);
        if (libdeflate_crc32(0, start + 4, 4 + std::size_t{length}) != crc) return std::nullopt;
        offset_ += kFraming + length;
        return Chunk{readBigEndian32(start + 4), {start + 8, length}};
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = sizeof kSignature;
};

struct Layout {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;

    std::size_t stride() const { return 1 + std::size_t(width) * bytesPerPixel; }
    std::size_t filteredBytes() const { return stride() * std::size_t(height); }
};

// The layout of an IHDR this reader takes: 8-bit RGB or RGBA, deflate, adaptive filters, no
// interlacing, and a size the program allows.
std::optional<Layout> commonLayout(const Chunk& header) {
    if (header.type != chunkType("IHDR") || header.data.size() != 13) return std::nullopt;
    const std::uint8_t* data = header.data.data();
    const std::uint32_t width = readBigEndian32(data);
    const std::uint32_t height = readBigEndian32(data + 4);
    const std::uint8_t bitDepth = data[8];
    const std::uint8_t colorType = data[9];
    const bool plain = data[10] == 0 && data[11] == 0 && data[12] == 0;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
        !sizeIsAllowed(width, height)) {
        return std::nullopt;
    }
    if (bitDepth != 8 || !plain || (colorType != kColorTypeRgb && colorType != kColorTypeRgba)) {
        return std::nullopt;
    }
    return Layout{static_cast<int>(width), static_cast<int>(height),
                  colorType == kColorTypeRgba ? 4 : 3};
}

struct Contents {
    Layout layout;
    std::vector<std::span<const std::uint8_t>> pixelData;  // the IDAT chunks' data in order
};

// The chunks of a file this reader takes: IHDR, then one run of IDAT chunks and ignored
// ancillary chunks of reasonable size before or after it, then IEND.
std::optional<Contents> readCommonChunks(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, 8) != 0) {
        return std::nullopt;
    }
    ChunkWalker chunks(bytes);
    const std::optional<Chunk> header = chunks.next();
    if (!header) return std::nullopt;
    const std::optional<Layout> layout = commonLayout(*header);
    if (!layout) return std::nullopt;
    Contents contents{*layout, {}};
    // A file too short for its size is refused by libpng, in its words.
    if (contents.layout.filteredBytes() > bytes.size() * kMaxDeflateRatio + kDeflateSlack) {
        return std::nullopt;
    }
    bool pixelDataEnded = false;
    while (const std::optional<Chunk> chunk = chunks.next()) {
        if (chunk->type == chunkType("IEND")) {
            if (!chunk->data.empty() || contents.pixelData.empty()) return std::nullopt;
            return contents;
        }
        if (chunk->type == chunkType("IDAT")) {
            // libpng refuses a pixel data chunk over its chunk limit and over the size of
            // the filtered rows with deflate's overhead.
            const std::size_t limit = std::max(kMaxChunkBytes, contents.layout.filteredBytes());
            if (pixelDataEnded || chunk->data.size() > limit) return std::nullopt;
            contents.pixelData.push_back(chunk->data);
        } else if (isIgnoredChunk(chunk->type) && chunk->data.size() <= kMaxChunkBytes) {
            pixelDataEnded = !contents.pixelData.empty();
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

// Inflates the zlib stream of the IDAT chunks into `out`, which it must fill exactly.
bool inflateInto(const std::vector<std::span<const std::uint8_t>>& pixelData,
                 std::uint8_t* out, std::size_t outBytes) {
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) return false;
    std::span<const std::uint8_t> stream = pixelData.front();
    std::optional<ScratchBuffer> gathered;
    if (pixelData.size() > 1) {
        std::size_t total = 0;
        for (const auto& data : pixelData) total += data.size();
        gathered.emplace(total);
        std::size_t at = 0;
        for (const auto& data : pixelData) {
            std::memcpy(gathered->data() + at, data.data(), data.size());
            at += data.size();
        }
        stream = {gathered->data(), total};
    }
    return libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(), out,
                                      outBytes, nullptr) == LIBDEFLATE_SUCCESS;
}

// Unfilters the rows into the picture, row by row.
bool unfilterRows(const Layout& layout, const std::uint8_t* filtered, Color* pixels) {
    const std::vector<Color> zeros(static_cast<std::size_t>(layout.width), 0);
    const Color* above = zeros.data();
    for (int y = 0; y < layout.height; ++y) {
        const std::uint8_t* row = filtered + layout.stride() * static_cast<std::size_t>(y);
        Color* out = pixels + std::size_t(layout.width) * static_cast<std::size_t>(y);
        if (!unfilterRow(row[0], row + 1, layout.bytesPerPixel, above, out, layout.width)) {
            return false;
        }
        above = out;
    }
    return true;
}

// RGB rows take less room than the picture: they are inflated into its tail, and each
// picture row written ends before the filtered row after it starts. Fresh memory is slow to
// touch on some machines, so the picture's own buffer is the cheapest one. RGBA rows, a byte
// a row larger than the picture, go to a buffer of their own.
std::optional<Image> decodeContents(const Contents& contents) {
    const Layout& layout = contents.layout;
    Image image = Image::unfilled(layout.width, layout.height, layout.bytesPerPixel == 4 ? 32 : 24);
    Color* pixels = image.pixels().data();
    std::optional<ScratchBuffer> separate;
    std::uint8_t* filtered = nullptr;
    if (layout.bytesPerPixel == 3) {
        const std::size_t pictureBytes = image.pixelCount() * sizeof(Color);
        filtered = reinterpret_cast<std::uint8_t*>(pixels) + pictureBytes - layout.filteredBytes();
    } else {
        separate.emplace(layout.filteredBytes());
        filtered = separate->data();
    }
    if (!inflateInto(contents.pixelData, filtered, layout.filteredBytes()) ||
        !unfilterRows(layout, filtered, pixels)) {
        return std::nullopt;
    }
    return image;
}

}  // namespace

std::optional<Image> decodeCommonPng(std::span<const std::uint8_t> bytes) {
    const std::optional<Contents> contents = readCommonChunks(bytes);
    if (!contents) return std::nullopt;
    try {
        return decodeContents(*contents);
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // libpng tries again and says why
    }
}

}  // namespace vd::png
