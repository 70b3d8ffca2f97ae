// The zlib stream deflated in two joined parts: zlib and libdeflate both read it back to the
// data, whatever bit the first part's last block ends on and whatever kind of block it is.

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "io/deflate_parts.h"

namespace vd::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bytes from a few symbols in runs: compressible like palette rows, with the block
// boundaries and the stream's last bit falling differently for every seed.
Bytes paletteLike(std::size_t size, unsigned seed, int symbols) {
    std::mt19937 random(seed);
    Bytes data;
    while (data.size() < size) {
        const auto symbol = static_cast<std::uint8_t>(random() % static_cast<unsigned>(symbols));
        data.insert(data.end(), std::min<std::size_t>(1 + random() % 6, size - data.size()), symbol);
    }
    return data;
}

Bytes noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes data(size);
    for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
    return data;
}

Bytes compressed(const Bytes& data, int level) {
    Bytes stream(png::zlibBound(data.size()));
    stream.resize(png::zlibCompress(data, level, stream.data()));
    return stream;
}

void expectReadsBack(const Bytes& data, const Bytes& stream) {
    Bytes byZlib(data.size() + 1);
    uLongf zlibSize = byZlib.size();
    ASSERT_EQ(uncompress(byZlib.data(), &zlibSize, stream.data(), stream.size()), Z_OK);
    byZlib.resize(zlibSize);
    EXPECT_TRUE(byZlib == data) << "zlib read back something else";

    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    Bytes byLibdeflate(data.size());
    std::size_t streamUsed = 0;
    const auto status = libdeflate_zlib_decompress_ex(decompressor, stream.data(), stream.size(),
                                                      byLibdeflate.data(), byLibdeflate.size(),
                                                      &streamUsed, nullptr);
    libdeflate_free_decompressor(decompressor);
    EXPECT_EQ(status, LIBDEFLATE_SUCCESS);
    EXPECT_EQ(streamUsed, stream.size()) << "bytes after the stream";
    EXPECT_TRUE(byLibdeflate == data) << "libdeflate read back something else";
}

TEST(DeflateParts, JoinedStreamsReadBack) {
    struct Row {
        std::string name;
        Bytes data;
        int level;
    };
    std::vector<Row> rows;
    const std::size_t large = png::kMinPartedBytes + 12345;
    // With the rows below, the first part ends on each of the eight bits of its last byte.
    for (unsigned seed = 0; seed < 16; ++seed) {
        rows.push_back({"runs_seed" + std::to_string(seed), paletteLike(large, seed, 40),
                        seed % 2 ? 6 : 2});
    }
    rows.push_back({"stored_blocks", noise(large, 1), 6});
    rows.push_back({"one_symbol", Bytes(large * 3, 7), 1});
    rows.push_back({"fastest_level", paletteLike(large, 99, 200), 1});
    rows.push_back({"slowest_level", paletteLike(large, 98, 3), 12});
    rows.push_back({"just_below_parts", paletteLike(png::kMinPartedBytes - 1, 5, 40), 6});
    rows.push_back({"empty", {}, 6});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes stream = compressed(row.data, row.level);
        EXPECT_LE(stream.size(), png::zlibBound(row.data.size()));
        expectReadsBack(row.data, stream);
    }
}

// Cutting the data in two loses the matches across the cut and nothing more.
TEST(DeflateParts, CostsNoMoreThanAFewBytesAgainstOneStream) {
    const Bytes data = paletteLike(std::size_t{4} << 20, 3, 64);
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    Bytes whole(libdeflate_zlib_compress_bound(compressor, data.size()));
    whole.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), whole.data(),
                                          whole.size()));
    libdeflate_free_compressor(compressor);
    const Bytes parted = compressed(data, 6);
    EXPECT_LT(parted.size(), whole.size() + whole.size() / 500);
}

}  // namespace
}  // namespace vd::test
