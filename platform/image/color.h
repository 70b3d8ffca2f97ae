#pragma once

#include <cstdint>

namespace vd {

// Red in the low byte, then green, then blue, alpha in the top byte: on a little-endian
// machine exactly the bytes R, G, B, A in memory.
using Color = std::uint32_t;

constexpr Color kRgbMask = 0x00FFFFFFu;
constexpr Color kAlphaMask = 0xFF000000u;

constexpr int redOf(Color c) { return static_cast<int>(c & 0xFFu); }
constexpr int greenOf(Color c) { return static_cast<int>((c >> 8) & 0xFFu); }
constexpr int blueOf(Color c) { return static_cast<int>((c >> 16) & 0xFFu); }
constexpr int alphaOf(Color c) { return static_cast<int>(c >> 24); }

constexpr Color makeColor(int r, int g, int b, int a = 0) {
    return static_cast<Color>(r & 0xFF) | (static_cast<Color>(g & 0xFF) << 8) |
           (static_cast<Color>(b & 0xFF) << 16) | (static_cast<Color>(a & 0xFF) << 24);
}

// A default-mode write: colour bytes from `c`, alpha kept from `pixel`.
constexpr Color keepAlpha(Color pixel, Color c) { return (pixel & kAlphaMask) | (c & kRgbMask); }

}  // namespace vd
