#pragma once

// Hand-built BMP files for the codec tests.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "io/image_codec.h"

namespace vd::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void set32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint32_t get32(const Bytes& in, std::size_t at) {
    return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) |
           (static_cast<std::uint32_t>(in[at + 3]) << 24);
}

// A BMP file put together field by field, so that each test states only what it is about.
struct TestBmp {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    // Inside the header when it has room for them (52 bytes and up), otherwise after it.
    std::vector<std::uint32_t> masks;
    std::vector<Color> palette;  // stored B, G, R (and a zero byte unless the header is 12)
    Bytes pixels;
    std::optional<std::uint32_t> pixelOffset;  // default: right after the colour table

    Bytes bytes() const {
        Bytes info = infoHeader();
        if (headerSize < 52) {
            for (std::uint32_t m : masks)
                put32(info, m);
        }
        for (Color c : palette) {
            info.push_back(static_cast<std::uint8_t>(blueOf(c)));
            info.push_back(static_cast<std::uint8_t>(greenOf(c)));
            info.push_back(static_cast<std::uint8_t>(redOf(c)));
            if (headerSize != 12) info.push_back(0);
        }
        const std::uint32_t offset =
            pixelOffset.value_or(14 + static_cast<std::uint32_t>(info.size()));
        Bytes file{'B', 'M'};
        put32(file, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
        put32(file, 0);
        put32(file, offset);
        file.insert(file.end(), info.begin(), info.end());
        file.resize(std::max<std::size_t>(file.size(), offset), 0);
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }

  private:
    Bytes infoHeader() const {
        Bytes h;
        put32(h, headerSize);
        if (headerSize == 12) {
            put16(h, static_cast<std::uint32_t>(width));
            put16(h, static_cast<std::uint32_t>(height));
            put16(h, 1);
            put16(h, bitsPerPixel);
            return h;
        }
        put32(h, static_cast<std::uint32_t>(width));
        put32(h, static_cast<std::uint32_t>(height));
        put16(h, 1);
        put16(h, bitsPerPixel);
        put32(h, compression);
        put32(h, 0);  // image size: readers must not trust it
        put32(h, 2835);
        put32(h, 2835);
        put32(h, colorsUsed);
        put32(h, 0);
        if (headerSize >= 52) {
            for (std::uint32_t m : masks)
                put32(h, m);
        }
        h.resize(headerSize, 0);
        return h;
    }
};

inline Result<Image> decode(const TestBmp& bmp) {
    return decodeBmp(bmp.bytes());
}

constexpr Color kBlack = 0xFF000000;
constexpr Color kP0 = makeColor(10, 20, 30, 255);
constexpr Color kP1 = makeColor(200, 0, 0, 255);
constexpr Color kP2 = makeColor(0, 200, 0, 255);
constexpr Color kP3 = makeColor(0, 0, 200, 255);

// Independent of the decoder's integer arithmetic: the rounding the references use.
inline int scaled(std::uint32_t v, int bits) {
    return static_cast<int>(std::lround(v * 255.0 / ((1ull << bits) - 1)));
}

}  // namespace vd::test
