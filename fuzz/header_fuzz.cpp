// Feeds arbitrary bytes to the header readers the file reader uses to refuse oversized
// pictures early: they must never read outside the data, and a file they refuse for its
// size must be one the decoder refuses too, so the early check never turns away a picture
// that would have opened.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "io/claimed_size.h"
#include "io/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    // The reader looks at the first 4 KB and fetches the rest by offset.
    const std::span<const std::uint8_t> start = file.first(std::min<std::size_t>(size, 4096));
    const vd::ReadAt readAt = [file](std::uint64_t offset, std::span<std::uint8_t> out) {
        if (offset >= file.size()) return std::size_t{0};
        const std::size_t n = std::min<std::size_t>(out.size(), file.size() - offset);
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
        return n;
    };
    const vd::Status early = vd::checkClaimedSize(vd::detectFormat(start), start, readAt);
    if (!early.ok() && vd::decodeImage(file).ok()) __builtin_trap();
    return 0;
}
