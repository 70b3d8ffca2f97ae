// Deflates a megabyte or more made from arbitrary bytes in two joined parts: zlib must read
// the stream back to the data, whatever blocks the two parts came out as.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/deflate_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 4) return 0;
    const int level = 1 + input[0] % 9;
    const std::size_t extra = std::size_t{input[1]} << 8 | input[2];
    const std::uint8_t* pattern = input + 3;
    const std::size_t patternSize = size - 3;
    // The pattern repeated, each repetition shifted by its number, so matches come and go.
    std::vector<std::uint8_t> data(vd::png::kMinPartedBytes + extra);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(pattern[i % patternSize] + i / patternSize % 7);
    }
    std::vector<std::uint8_t> stream(vd::png::zlibBound(data.size()));
    stream.resize(vd::png::zlibCompress(data, level, stream.data()));
    std::vector<std::uint8_t> readBack(data.size() + 1);
    uLongf readSize = readBack.size();
    if (uncompress(readBack.data(), &readSize, stream.data(), stream.size()) != Z_OK) {
        __builtin_trap();
    }
    readBack.resize(readSize);
    if (readBack != data) __builtin_trap();
    return 0;
}
