#include "quantize/flat_palettes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "quantize/first_written_colors.h"
#include "quantize/ordered_dither.h"

namespace vd {

namespace {

constexpr int kFirstFlat = static_cast<int>(QuantizeMethod::Flat8);
constexpr int kFirstFixed = static_cast<int>(QuantizeMethod::Fixed16);

// Channel masks (red, green, blue) of flat_8, flat_64, flat_512, flat_4096, Lemon_128,
// Berry_128 and Ocean_128.
constexpr std::array<std::array<int, 3>, 7> kFlatMasks = {{
    {0x80, 0x80, 0x80},
    {0xC0, 0xC0, 0xC0},
    {0xE0, 0xE0, 0xE0},
    {0xF0, 0xF0, 0xF0},
    {0xE0, 0xE0, 0x80},
    {0xE0, 0x80, 0xE0},
    {0x80, 0xE0, 0xE0},
}};

constexpr std::array<Color, 32> kFixedColors = {
    makeColor(0, 0, 0),       makeColor(128, 0, 0),     makeColor(0, 128, 0),
    makeColor(128, 128, 0),   makeColor(0, 0, 128),     makeColor(128, 0, 128),
    makeColor(0, 128, 128),   makeColor(192, 192, 192), makeColor(128, 128, 128),
    makeColor(255, 0, 0),     makeColor(0, 255, 0),     makeColor(255, 255, 0),
    makeColor(0, 0, 255),     makeColor(255, 0, 255),   makeColor(0, 255, 255),
    makeColor(255, 255, 255), makeColor(255, 182, 162), makeColor(239, 171, 152),
    makeColor(223, 159, 142), makeColor(207, 148, 132), makeColor(191, 137, 122),
    makeColor(175, 125, 111), makeColor(159, 114, 101), makeColor(143, 102, 91),
    makeColor(127, 91, 81),   makeColor(111, 79, 71),   makeColor(95, 68, 60),
    makeColor(79, 56, 50),    makeColor(63, 45, 40),    makeColor(47, 34, 30),
    makeColor(31, 22, 20),    makeColor(15, 11, 10),
};

const std::array<int, 3>& masksOf(QuantizeMethod method) {
    if (!isFlatMethod(method)) throw std::invalid_argument("not a flat palette method");
    return kFlatMasks[static_cast<int>(method) - kFirstFlat];
}

// The reduced channel value for every dither offset t (-7..8, row t + 7) and input v: one
// lookup replaces the clamp of the dithered read and the masking.
using ChannelTable = std::array<std::array<std::uint8_t, 256>, 16>;

ChannelTable makeChannelTable(int mask) {
    ChannelTable table{};
    for (int t = -7; t <= 8; ++t) {
        for (int v = 0; v < 256; ++v) {
            table[t + 7][v] = static_cast<std::uint8_t>((std::clamp(v + t, 0, 255) & mask) | 0x0F);
        }
    }
    return table;
}

// Every output channel ends in 0x0F, so its top four bits name it; three of those name the
// colour.
void addWrittenRow(const Color* row, int width, FirstWrittenColors& written) {
    for (int x = 0; x < width; ++x) {
        const Color c = row[x];
        written.add(((c >> 4) & 0xF) | ((c >> 8) & 0xF0) | ((c >> 12) & 0xF00), c);
    }
}

void reducePlain(Image& work, Color mask, FirstWrittenColors& written) {
    const Color keep = mask | kAlphaMask;
    for (int y = 0; y < work.height(); ++y) {
        Color* row = work.row(y);
        for (int x = 0; x < work.width(); ++x)
            row[x] = (row[x] & keep) | 0x0F0F0F;
        addWrittenRow(row, work.width(), written);
    }
}

void reduceDithered(Image& work, const std::array<int, 3>& masks, FirstWrittenColors& written) {
    const ChannelTable red = makeChannelTable(masks[0]);
    const ChannelTable green = makeChannelTable(masks[1]);
    const ChannelTable blue = makeChannelTable(masks[2]);
    for (int y = 0; y < work.height(); ++y) {
        Color* row = work.row(y);
        // The four offsets of this row repeat along it.
        const int* offsets = kOrderedDitherOffsets[y & 3];
        for (int x = 0; x < work.width(); ++x) {
            const int cell = offsets[x & 3] + 7;
            const Color c = row[x];
            row[x] = (c & kAlphaMask) | red[cell][redOf(c)] |
                     (static_cast<Color>(green[cell][greenOf(c)]) << 8) |
                     (static_cast<Color>(blue[cell][blueOf(c)]) << 16);
        }
        addWrittenRow(row, work.width(), written);
    }
}

}  // namespace

bool isFlatMethod(QuantizeMethod method) {
    return method >= QuantizeMethod::Flat8 && method <= QuantizeMethod::Ocean128;
}

bool isFixedMethod(QuantizeMethod method) {
    return method >= QuantizeMethod::Fixed16 && method <= QuantizeMethod::Fixed32;
}

Color flatMask(QuantizeMethod method) {
    const auto& m = masksOf(method);
    return makeColor(m[0], m[1], m[2]);
}

Palette quantizeFlat(Image& work, QuantizeMethod method, bool dither) {
    const auto& masks = masksOf(method);
    FirstWrittenColors written;
    if (dither) {
        reduceDithered(work, masks, written);
    } else {
        reducePlain(work, flatMask(method), written);
    }
    return written.take();
}

Palette fixedPalette(QuantizeMethod method) {
    if (!isFixedMethod(method)) throw std::invalid_argument("not a fixed palette method");
    constexpr std::array<int, 3> kSizes = {16, 24, 32};
    const int size = kSizes[static_cast<int>(method) - kFirstFixed];
    return Palette(kFixedColors.begin(), kFixedColors.begin() + size);
}

}  // namespace vd
