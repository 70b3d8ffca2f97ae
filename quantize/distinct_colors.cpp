#include "quantize/distinct_colors.h"

#include <vector>

namespace vd {

Palette distinctColors(const Image& image, std::size_t stopAt) {
    Palette colors;
    if (stopAt == 0) return colors;
    std::vector<std::uint64_t> seen((1u << 24) / 64, 0);  // one bit per 24-bit colour
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const Color c = row[x] & kRgbMask;
            std::uint64_t& word = seen[c >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (c & 63);
            if (word & bit) continue;
            word |= bit;
            colors.push_back(c);
            if (colors.size() == stopAt) return colors;
        }
    }
    return colors;
}

}  // namespace vd
