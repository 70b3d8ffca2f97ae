#pragma once

// The picture size a file's header claims, read before the pixels: a file reader can refuse
// a picture the program may not hold before it reads the rest of the file, and a decoder
// can refuse it before its library sees it. Internal to the codecs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "io/image_codec.h"
#include "io/result.h"

namespace vd {

struct ClaimedSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Fills `out` with the file's bytes from `offset` on and returns how many there were: fewer
// at the end of the file, none after a read error.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// Each gives the width and height of the header at the start of a file, or nothing when the
// header is not all there or is not one the decoder would accept far enough to read the
// size (then the decoder is left to say why). Sizes are not checked against the limits.
std::optional<ClaimedSize> claimedPngSize(std::span<const std::uint8_t> start);
std::optional<ClaimedSize> claimedBmpSize(std::span<const std::uint8_t> start);
// Walks the markers to the frame header. Segments that lie past `start` (a large EXIF or
// colour profile block comes first in many photos) are read through `readAt`.
std::optional<ClaimedSize> claimedJpegSize(std::span<const std::uint8_t> start,
                                           const ReadAt& readAt);

// Refuses, with the reason the decoders give, a file of `format` whose header claims a size
// that is not allowed. Files whose size cannot be read from the header pass.
Status checkClaimedSize(ImageFormat format, std::span<const std::uint8_t> start,
                        const ReadAt& readAt);

}  // namespace vd
