// A deflate stream ends with a block marked final. To join two independently deflated
// parts, the first part's final block is found by following its blocks with zlib (which can
// stop at block boundaries), its final bit cleared, and the part brought to a byte boundary
// by an empty stored block, as a sync flush would have; the second part follows as it is.
// Following the blocks costs a tenth to a third of deflating them, so the first part is the
// smaller one, and the two threads finish at about the same time.

#include "io/deflate_parts.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "io/png_format.h"

namespace vd::png {
namespace {

// The first part's share of the data, in twentieths.
constexpr std::size_t kFirstPartShare = 9;
constexpr std::size_t kZlibHeaderBytes = 2;
constexpr std::size_t kAdlerBytes = 4;
// At most one byte to finish the first part's last byte and four of an empty stored block.
constexpr std::size_t kJoinBytes = 5;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

Compressor newCompressor(int level) {
    Compressor compressor(libdeflate_alloc_compressor(level));
    if (!compressor) throw std::bad_alloc();
    return compressor;
}

// Where the parts of `bytes` bytes of data go in the output: the first part after the zlib
// header, the second deflated further on (moved down once the first is done), then Adler-32.
struct PartedLayout {
    std::size_t firstBytes;   // of the data
    std::size_t secondAt;     // in the output
    std::size_t secondRoom;
    std::size_t bound;        // of the whole output
};

PartedLayout partedLayout(std::size_t bytes) {
    const std::size_t first = bytes / 20 * kFirstPartShare;
    const std::size_t secondAt =
        kZlibHeaderBytes + libdeflate_deflate_compress_bound(nullptr, first) + kJoinBytes;
    const std::size_t secondRoom = libdeflate_deflate_compress_bound(nullptr, bytes - first);
    return {first, secondAt, secondRoom, secondAt + secondRoom + kAdlerBytes};
}

// The zlib header libdeflate writes for the level: deflate, 32 KB window, no dictionary.
void writeZlibHeader(int level, std::uint8_t* out) {
    const int levelHint = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const unsigned header = 0x7800u | static_cast<unsigned>(levelHint) << 6;
    out[0] = static_cast<std::uint8_t>(header >> 8);
    out[1] = static_cast<std::uint8_t>(header + 31 - header % 31);
}

// Where the final block of a raw deflate stream starts and where the stream ends, in bits.
struct FinalBlock {
    std::size_t headerBit;
    std::size_t endBit;
};

// Follows the blocks of `stream` with zlib, which reports each block boundary with the
// unused bits of the last byte it took. Nothing if zlib cannot follow it to its final block.
std::optional<FinalBlock> findFinalBlock(std::span<const std::uint8_t> stream) {
    if (stream.size() > UINT_MAX) return std::nullopt;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return std::nullopt;
    std::vector<Bytef> discarded(1 << 16);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    std::size_t headerBit = 0;
    std::optional<FinalBlock> found;
    for (;;) {
        z.next_out = discarded.data();
        z.avail_out = static_cast<uInt>(discarded.size());
        const int status = inflate(&z, Z_BLOCK);
        if (status != Z_OK) break;
        if (z.data_type & 128) {  // at a block boundary
            const std::size_t bit = z.total_in * 8 - (z.data_type & 7);
            if (z.data_type & 64) {  // the final block just ended
                found = FinalBlock{headerBit, bit};
                break;
            }
            headerBit = bit;
        }
    }
    inflateEnd(&z);
    return found;
}

// Turns the deflated first part (`size` bytes at `part`) into the start of a longer stream;
// gives its new length, or nothing if its final block cannot be found.
std::optional<std::size_t> openFinalBlock(std::uint8_t* part, std::size_t size) {
    const std::optional<FinalBlock> final = findFinalBlock({part, size});
    if (!final || (final->endBit + 7) / 8 != size) return std::nullopt;
    const auto finalBit = static_cast<std::uint8_t>(1u << (final->headerBit % 8));
    if (!(part[final->headerBit / 8] & finalBit)) return std::nullopt;
    part[final->headerBit / 8] &= static_cast<std::uint8_t>(~finalBit);
    // An empty stored block: three header bits of zero, zeros to the byte boundary, then
    // length 0 and its complement.
    const std::size_t usedBits = final->endBit % 8;
    if (usedBits != 0) part[size - 1] &= static_cast<std::uint8_t>((1u << usedBits) - 1);
    const std::size_t freeBits = usedBits == 0 ? 0 : 8 - usedBits;
    if (freeBits < 3) part[size++] = 0;
    for (std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) part[size++] = byte;
    return size;
}

std::size_t compressWhole(std::span<const std::uint8_t> data, int level, std::uint8_t* out) {
    return libdeflate_zlib_compress(newCompressor(level).get(), data.data(), data.size(), out,
                                    zlibBound(data.size()));
}

// Runs `work` on a thread of its own, or here if none can be started.
class SideWork {
  public:
    template <class Work>
    explicit SideWork(Work work) {
        try {
            thread_ = std::jthread(work);
        } catch (const std::system_error&) {
            work();
        }
    }
    void finish() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::jthread thread_;
};

}  // namespace

std::size_t zlibBound(std::size_t bytes) {
    const std::size_t whole = libdeflate_zlib_compress_bound(nullptr, bytes);
    return bytes < kMinPartedBytes ? whole : std::max(whole, partedLayout(bytes).bound);
}

std::size_t zlibCompress(std::span<const std::uint8_t> data, int level, std::uint8_t* out) {
    if (data.size() < kMinPartedBytes) return compressWhole(data, level, out);
    const PartedLayout layout = partedLayout(data.size());
    const std::span<const std::uint8_t> first = data.first(layout.firstBytes);
    const std::span<const std::uint8_t> second = data.subspan(first.size());
    const Compressor firstCompressor = newCompressor(level);
    const Compressor secondCompressor = newCompressor(level);
    std::size_t secondSize = 0;
    SideWork side([&] {
        secondSize = libdeflate_deflate_compress(secondCompressor.get(), second.data(),
                                                 second.size(), out + layout.secondAt,
                                                 layout.secondRoom);
    });
    writeZlibHeader(level, out);
    const std::size_t firstSize =
        libdeflate_deflate_compress(firstCompressor.get(), first.data(), first.size(),
                                    out + kZlibHeaderBytes, layout.secondAt - kZlibHeaderBytes);
    const std::optional<std::size_t> opened = openFinalBlock(out + kZlibHeaderBytes, firstSize);
    const std::uint32_t adler = libdeflate_adler32(1, data.data(), data.size());
    side.finish();
    if (!opened) return compressWhole(data, level, out);
    std::uint8_t* secondStart = out + kZlibHeaderBytes + *opened;
    std::memmove(secondStart, out + layout.secondAt, secondSize);
    writeBigEndian32(adler, secondStart + secondSize);
    return kZlibHeaderBytes + *opened + secondSize + kAdlerBytes;
}

}  // namespace vd::png
