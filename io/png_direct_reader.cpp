// The direct PNG reader for the files nearly every program writes: 8-bit RGB or RGBA, not
// interlaced. The pixel data is inflated in one call by libdeflate (about twice as fast as
// zlib) and unfiltered straight into the picture, a large one on two threads. It takes a
// file only when nothing in it needs a judgement: any damage, any chunk it does not know to
// be harmless, or any layout it does not read sends the file to libpng, which decides as it
// always has.

#include <emmintrin.h>
#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
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

// Pictures this large have their rows unfiltered on two threads; on smaller ones (the Kodak
// photos) starting the thread and sharing the rows between cores cost more than it saved.
constexpr std::size_t kRelayMinPixels = std::size_t{1} << 21;
constexpr int kRelayMinWidth = 64;
// A thread reports its progress along a row after this many pixels.
constexpr int kStretchPixels = 512;
constexpr int kSpinsBeforeYield = 1000;
// RGB rows are inflated into the picture's tail; a row written while the row above is still
// being read could reach that row's filtered bytes only within the last 8 w / (w - 1) rows,
// at most 16 for a picture of two or more pixels across. Those rows are left to one thread.
constexpr int kLoneTailRows = 16;

const std::uint8_t* filteredRow(const Layout& layout, const std::uint8_t* filtered, int y) {
    return filtered + layout.stride() * static_cast<std::size_t>(y);
}

Color* pictureRow(const Layout& layout, Color* pixels, int y) {
    return pixels + std::size_t(layout.width) * static_cast<std::size_t>(y);
}

// The row the filters of row y predict from: all zeros above the first.
const Color* rowAbove(const Layout& layout, Color* pixels, int y, const Color* zeros) {
    return y > 0 ? pictureRow(layout, pixels, y - 1) : zeros;
}

// Unfilters rows `begin` to `end` one after another; the row above `begin` is in place.
void unfilterRowRange(const Layout& layout, const std::uint8_t* filtered, Color* pixels,
                      int begin, int end, const Color* zeros) {
    for (int y = begin; y < end; ++y) {
        const std::uint8_t* row = filteredRow(layout, filtered, y);
        unfilterRowPart(row[0], row + 1, layout.bytesPerPixel, rowAbove(layout, pixels, y, zeros),
                        pictureRow(layout, pixels, y), 0, layout.width, layout.width);
    }
}

// Two threads unfilter alternate rows. A row needs the row above only as far as the pixel it
// has reached, so each thread follows the other's row a stretch of pixels behind and both
// cores work along the one chain of rows. Progress is counted in pixels from the picture's
// start: the pixels of a thread's rows done so far.
class RowRelay {
  public:
    RowRelay(const Layout& layout, const std::uint8_t* filtered, Color* pixels,
             const Color* zeros)
        : layout_(layout), filtered_(filtered), pixels_(pixels), zeros_(zeros) {}

    // Rows from 0 to `end`; false if no second thread could be started.
    bool run(int end) {
        try {
            std::jthread odd([this, end] { unfilterEvery(1, end); });
            unfilterEvery(0, end);
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

  private:
    void unfilterEvery(int first, int end) {
        std::atomic<std::size_t>& mine = progress_[first].pixels;
        const std::atomic<std::size_t>& other = progress_[1 - first].pixels;
        const std::size_t width = static_cast<std::size_t>(layout_.width);
        for (int y = first; y < end; y += 2) {
            const std::uint8_t* row = filteredRow(layout_, filtered_, y);
            const Color* above = rowAbove(layout_, pixels_, y, zeros_);
            Color* out = pictureRow(layout_, pixels_, y);
            for (int x = 0; x < layout_.width; x += kStretchPixels) {
                const int stretchEnd = std::min(layout_.width, x + kStretchPixels);
                if (y > 0) waitFor(other, (static_cast<std::size_t>(y) - 1) * width + stretchEnd);
                unfilterRowPart(row[0], row + 1, layout_.bytesPerPixel, above, out, x,
                                stretchEnd, layout_.width);
                mine.store(static_cast<std::size_t>(y) * width + stretchEnd,
                           std::memory_order_release);
            }
        }
    }

    // The wait is a stretch's work, a microsecond or so, unless the other thread lost its
    // core; then this one gives up its own.
    static void waitFor(const std::atomic<std::size_t>& progress, std::size_t needed) {
        for (int spins = 0; progress.load(std::memory_order_acquire) < needed; ++spins) {
            if (spins < kSpinsBeforeYield) {
                _mm_pause();
            } else {
                std::this_thread::yield();
            }
        }
    }

    const Layout& layout_;
    const std::uint8_t* filtered_;
    Color* pixels_;
    const Color* zeros_;
    // Each counter on a cache line of its own, so that one thread's report does not take
    // the line from under the other's.
    struct alignas(64) Progress {
        std::atomic<std::size_t> pixels{0};
    };
    Progress progress_[2];
};

// Unfilters the rows into the picture; false if a row has a filter type PNG does not define.
bool unfilterRows(const Layout& layout, const std::uint8_t* filtered, Color* pixels) {
    for (int y = 0; y < layout.height; ++y) {
        if (!isRowFilter(filteredRow(layout, filtered, y)[0])) return false;
    }
    const std::vector<Color> zeros(static_cast<std::size_t>(layout.width), 0);
    int relayed = 0;
    const std::size_t pixelCount = std::size_t(layout.width) * std::size_t(layout.height);
    if (pixelCount >= kRelayMinPixels && layout.width >= kRelayMinWidth &&
        layout.height > kLoneTailRows && std::thread::hardware_concurrency() > 1) {
        RowRelay relay(layout, filtered, pixels, zeros.data());
        if (relay.run(layout.height - kLoneTailRows)) relayed = layout.height - kLoneTailRows;
    }
    unfilterRowRange(layout, filtered, pixels, relayed, layout.height, zeros.data());
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
