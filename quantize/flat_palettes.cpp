#include "quantize/flat_palettes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "quantize/first_written_colors.h"
#include "quantize/ordered_dither.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The reduced value of channel value v read through dither offset t (0 without dither).
inline std::uint8_t reduceChannel(int v, int t, int mask) {
    return static_cast<std::uint8_t>((std::clamp(v + t, 0, 255) & mask) | 0x0F);
}

// Every output channel ends in 0x0F, so its top four bits name it; three of those name the
// colour.
inline void addWritten(Color c, FirstWrittenColors& written) {
    written.add(((c >> 4) & 0xF) | ((c >> 8) & 0xF0) | ((c >> 12) & 0xF00), c);
}

// The scan with the channels' reduction for offsets[x & 3] (all zero without dither).
// Scalar, for the pixels past the last group of four and for builds without SSE2.
void reduceScalar(Color* row, int from, int width, const int* offsets,
                  const std::array<int, 3>& masks, FirstWrittenColors& written) {
    for (int x = from; x < width; ++x) {
        const int t = offsets[x & 3];
        const Color c = row[x];
        row[x] = (c & kAlphaMask) | reduceChannel(redOf(c), t, masks[0]) |
                 (static_cast<Color>(reduceChannel(greenOf(c), t, masks[1])) << 8) |
                 (static_cast<Color>(reduceChannel(blueOf(c), t, masks[2])) << 16);
        addWritten(row[x], written);
    }
}

#if defined(__SSE2__)

// Four pixels are one register, and the dither offsets repeat every four pixels along a row,
// so each row's offsets are two constant registers: the positive ones added and the negative
// ones subtracted with unsigned saturation, which is exactly the clamp to 0..255 (each byte
// gets only one of the two; the alpha bytes get neither).
//
// A photograph's neighbouring groups of four usually come out the same, since the pixels
// four apart share the dither offset: such a group adds no colour the scan has not already
// met, so the first-written tracking looks at its pixels only when the group differs from
// the one before it.
void reduceRow(Color* row, int width, const int* offsets, const std::array<int, 3>& masks,
               FirstWrittenColors& written) {
    alignas(16) std::uint8_t add[16], sub[16];
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k) {
            add[4 * i + k] = static_cast<std::uint8_t>(std::max(offsets[i], 0));
            sub[4 * i + k] = static_cast<std::uint8_t>(std::max(-offsets[i], 0));
        }
        add[4 * i + 3] = sub[4 * i + 3] = 0;
    }
    const __m128i up = _mm_load_si128(reinterpret_cast<const __m128i*>(add));
    const __m128i down = _mm_load_si128(reinterpret_cast<const __m128i*>(sub));
    const __m128i keep = _mm_set1_epi32(static_cast<int>(
        kAlphaMask | static_cast<Color>(masks[0]) | static_cast<Color>(masks[1]) << 8 |
        static_cast<Color>(masks[2]) << 16));
    const __m128i low = _mm_set1_epi32(0x0F0F0F);
    const __m128i rgb = _mm_set1_epi32(static_cast<int>(kRgbMask));
    __m128i before = _mm_setzero_si128();  // no output colour is 0: every channel ends in 0x0F
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        auto* at = reinterpret_cast<__m128i*>(row + x);
        const __m128i read = _mm_subs_epu8(_mm_adds_epu8(_mm_loadu_si128(at), up), down);
        const __m128i out = _mm_or_si128(_mm_and_si128(read, keep), low);
        _mm_storeu_si128(at, out);
        const __m128i colors = _mm_and_si128(out, rgb);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(colors, before)) != 0xFFFF) {
            // The colours' keys (see addWritten), four at once.
            const __m128i keys = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(_mm_srli_epi32(colors, 4), _mm_set1_epi32(0xF)),
                             _mm_and_si128(_mm_srli_epi32(colors, 8), _mm_set1_epi32(0xF0))),
                _mm_and_si128(_mm_srli_epi32(colors, 12), _mm_set1_epi32(0xF00)));
            alignas(16) std::uint32_t key[4], color[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(key), keys);
            _mm_store_si128(reinterpret_cast<__m128i*>(color), colors);
            for (int i = 0; i < 4; ++i)
                written.add(static_cast<int>(key[i]), color[i]);
            before = colors;
        }
    }
    reduceScalar(row, x, width, offsets, masks, written);
}

#else

void reduceRow(Color* row, int width, const int* offsets, const std::array<int, 3>& masks,
               FirstWrittenColors& written) {
    reduceScalar(row, 0, width, offsets, masks, written);
}

#endif

void reduce(Image& work, const std::array<int, 3>& masks, bool dither,
            FirstWrittenColors& written) {
    constexpr int kNoOffsets[4] = {0, 0, 0, 0};
    for (int y = 0; y < work.height(); ++y) {
        const int* offsets = dither ? kOrderedDitherOffsets[y & 3] : kNoOffsets;
        reduceRow(work.row(y), work.width(), offsets, masks, written);
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
    reduce(work, masks, dither, written);
    return written.take();
}

Palette fixedPalette(QuantizeMethod method) {
    if (!isFixedMethod(method)) throw std::invalid_argument("not a fixed palette method");
    constexpr std::array<int, 3> kSizes = {16, 24, 32};
    const int size = kSizes[static_cast<int>(method) - kFirstFixed];
    return Palette(kFixedColors.begin(), kFixedColors.begin() + size);
}

}  // namespace vd
