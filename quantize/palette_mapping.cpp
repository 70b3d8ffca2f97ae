#include "quantize/palette_mapping.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "quantize/nearest_grid.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vd {

namespace {

#if defined(__SSE2__)

// The diffusion of one pixel in one SSE2 register, a 16-bit lane per channel: the halvings
// are arithmetic shifts, and packing to unsigned bytes clamps to 0..255 on the way. The
// fourth lane stays zero throughout, since the colours enter it without their alpha.
using LeftError = __m128i;

// Halved errors left for the row below, one 16-bit lane per channel (values -128..127).
struct alignas(8) BelowError {
    std::int16_t lane[4] = {0, 0, 0, 0};
};

inline LeftError noError() {
    return _mm_setzero_si128();
}

inline __m128i channelLanes(Color c) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c & kRgbMask)),
                             _mm_setzero_si128());
}

inline void diffusePixel(const Color* in, Color* out, int x, BelowError& up, LeftError& left,
                         NearestGrid& search) {
    const Color c = in[x];
    auto* upLanes = reinterpret_cast<__m128i*>(up.lane);
    const __m128i e = _mm_srai_epi16(_mm_add_epi16(_mm_loadl_epi64(upLanes), left), 1);
    const __m128i clamped = _mm_packus_epi16(_mm_add_epi16(channelLanes(c), e), e);
    const auto read = static_cast<Color>(_mm_cvtsi128_si32(clamped));
    const Color n = search.nearest(read);
    out[x] = keepAlpha(c, n);
    // The read is taken up again from its 32-bit form, so that only the left error is held
    // in a vector register across the search (whose rare building call would spill more).
    const __m128i own = _mm_srai_epi16(_mm_sub_epi16(channelLanes(read), channelLanes(n)), 1);
    _mm_storel_epi64(upLanes, _mm_srai_epi16(_mm_add_epi16(own, left), 1));
    left = own;
}

#else

// Halved errors of one pixel, one signed byte per channel.
struct BelowError {
    std::int8_t r = 0, g = 0, b = 0;
};
using LeftError = BelowError;

inline LeftError noError() {
    return {};
}

// Floor of a halving; >> on a negative int is an arithmetic shift.
inline int half(int v) {
    return v >> 1;
}
inline std::int8_t toByte(int v) {
    return static_cast<std::int8_t>(v);
}

// One pixel of the diffusion: reads the pixel and the errors that reach it, writes its
// colour, and leaves its own errors for the pixels to the right and below.
inline void diffusePixel(const Color* in, Color* out, int x, BelowError& up, LeftError& left,
                         NearestGrid& search) {
    const Color c = in[x];
    const int ar = std::clamp(redOf(c) + half(up.r + left.r), 0, 255);
    const int ag = std::clamp(greenOf(c) + half(up.g + left.g), 0, 255);
    const int ab = std::clamp(blueOf(c) + half(up.b + left.b), 0, 255);
    const Color n = search.nearest(makeColor(ar, ag, ab));
    out[x] = keepAlpha(c, n);
    const LeftError own{toByte(half(ar - redOf(n))), toByte(half(ag - greenOf(n))),
                        toByte(half(ab - blueOf(n)))};
    up = BelowError{toByte(half(own.r + left.r)), toByte(half(own.g + left.g)),
                    toByte(half(own.b + left.b))};
    left = own;
}

#endif

// Every pixel waits for the one to its left, so a single row is one long chain of searches.
// Rows are therefore taken a few at a time, each one pixel behind the row above: pixel x of
// a row needs only what the row above left at x (already there) and its own left error, so
// the chains run side by side and every pixel sees exactly the errors of the plain scan.
constexpr int kRowsAtOnce = 4;

// One group of `Rows` rows. The row count is a constant so that the loop over the rows
// unrolls and the left errors stay in registers instead of going through memory on the
// chain of every pixel.
template <int Rows>
void mapRows(const Image& source, Image& target, int y0, NearestGrid& search,
             std::vector<BelowError>& below) {
    const int width = source.width();
    const Color* in[Rows];
    Color* out[Rows];
    LeftError left[Rows];
    for (int r = 0; r < Rows; ++r) {
        left[r] = noError();  // each row starts without error from the left
        in[r] = source.row(y0 + r);
        out[r] = target.row(y0 + r);
    }
    for (int t = 0; t < width + Rows - 1; ++t) {
#pragma GCC unroll 4
        for (int r = 0; r < Rows; ++r) {
            const int x = t - r;
            if (x >= 0 && x < width) diffusePixel(in[r], out[r], x, below[x], left[r], search);
        }
    }
}

// `below` holds one entry per column, all zero.
void mapDiffused(const Image& source, Image& target, NearestGrid& search,
                 std::vector<BelowError>& below) {
    static_assert(kRowsAtOnce == 4);
    int y0 = 0;
    for (; y0 + kRowsAtOnce <= source.height(); y0 += kRowsAtOnce)
        mapRows<kRowsAtOnce>(source, target, y0, search, below);
    switch (source.height() - y0) {
        case 3: mapRows<3>(source, target, y0, search, below); break;
        case 2: mapRows<2>(source, target, y0, search, below); break;
        case 1: mapRows<1>(source, target, y0, search, below); break;
        default: break;
    }
}

}  // namespace

void reduceInto(const Image& source, Image& target, bool dither, const ColorIndex& index) {
    if (target.width() != source.width() || target.height() != source.height()) {
        throw std::invalid_argument("the target of a mapping must match its source in size");
    }
    // Everything is allocated before the first pixel is written.
    NearestGrid search(index, source.pixelCount());
    if (dither) {
        std::vector<BelowError> below(static_cast<std::size_t>(source.width()));
        mapDiffused(source, target, search, below);
    } else {
        mapRowsToNearest(source, target, search, 0, source.height());
    }
}

std::optional<Image> reduceToPalette(const Image& source, bool dither, const ColorIndex& index) {
    std::optional<Image> result;
    try {
        result.emplace(source);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    try {
        reduceInto(*result, *result, dither, index);
    } catch (const std::bad_alloc&) {
        // The copy is still unmapped, which is the answer when the tables cannot be had.
    }
    return result;
}

Image mapToPalette(const Image& reference, const Palette& palette, bool dither, ColorIndex& index) {
    if (palette.empty()) return reference;
    index.build(palette);
    std::optional<Image> mapped = reduceToPalette(reference, dither, index);
    return mapped ? std::move(*mapped) : reference;
}

void mapToPaletteInto(const Image& reference, Image& work, const Palette& palette, bool dither,
                      ColorIndex& index) {
    if (work.width() != reference.width() || work.height() != reference.height() ||
        work.depth() != reference.depth()) {
        work = reference;
    }
    if (!palette.empty()) {
        try {
            index.build(palette);
            reduceInto(reference, work, dither, index);
            return;
        } catch (const std::bad_alloc&) {
            // Without the tables the work image becomes the plain copy, as below.
        }
    }
    if (&work != &reference) {
        std::copy(reference.pixels().begin(), reference.pixels().end(), work.pixels().begin());
    }
}

}  // namespace vd
