#pragma once

#include <algorithm>

#include "platform/image/image.h"

namespace vd {

// The 4 x 4 Bayer matrix minus 7, indexed [y mod 4][x mod 4].
inline constexpr int kOrderedDitherOffsets[4][4] = {
    {-7, 1, -5, 3},
    {5, -3, 7, -1},
    {-4, 4, -6, 2},
    {8, 0, 6, -2},
};

// The pixel at (x, y) with the cell's offset added to red, green and blue, each clamped to
// 0..255; the fourth byte is passed through.
inline Color ditherColor(Color c, int x, int y) {
    const int t = kOrderedDitherOffsets[y & 3][x & 3];
    auto channel = [t](int v) { return static_cast<Color>(std::clamp(v + t, 0, 255)); };
    return (c & kAlphaMask) | channel(redOf(c)) | (channel(greenOf(c)) << 8) |
           (channel(blueOf(c)) << 16);
}

// The default-mode read of (x, y) through the ordered dither: alpha byte 0.
inline Color orderedDitherRead(const Image& image, int x, int y) {
    return ditherColor(image.at(x, y) & kRgbMask, x, y);
}

}  // namespace vd
