#pragma once

#include <array>
#include <cstdint>

#include "platform/image/image.h"

namespace vd {

// How many pixels have each level of red, green and blue, and the sums of those levels.
struct LevelCounts {
    std::array<std::uint32_t, 256> red{}, green{}, blue{};
    // 64 bits: 17 million white pixels already pass 32.
    std::uint64_t redSum = 0, greenSum = 0, blueSum = 0;
};

// One pass over the pixels.
LevelCounts countLevels(const Image& image);

}  // namespace vd
