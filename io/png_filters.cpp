// PNG row filters for 8-bit RGB and RGBA rows, a pixel at a time in SSE2 registers: the
// three or four samples of a pixel sit in 16-bit lanes, so the Average and Paeth arithmetic
// cannot overflow and every sample of the pixel is worked out at once.

#include <emmintrin.h>

#include <new>

#include "io/png_format.h"
#include "platform/image/pixel_buffer.h"

namespace vd::png {

ScratchBuffer::ScratchBuffer(std::size_t bytes)
    : data_(static_cast<std::uint8_t*>(allocatePixels(bytes))), size_(bytes) {
    if (!data_) throw std::bad_alloc();
}

ScratchBuffer::~ScratchBuffer() { freePixels(data_, size_); }

namespace {

// The sample bytes of one pixel widened to 16-bit lanes.
__m128i widen(std::uint32_t pixel) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), _mm_setzero_si128());
}

std::uint32_t narrow(__m128i lanes) {
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}

// A pixel's samples; an RGB pixel is read as four bytes where a fourth follows it in the row,
// and that byte is ignored.
template <int BytesPerPixel>
std::uint32_t loadPixel(const std::uint8_t* bytes, bool lastInRow) {
    std::uint32_t value = 0;
    if (BytesPerPixel == 3 && lastInRow) {
        std::memcpy(&value, bytes, 3);
    } else {
        std::memcpy(&value, bytes, 4);
    }
    return value;
}

__m128i absolute(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

__m128i select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// The Paeth predictor: of left (a), above (b) and upper left (c), the one nearest to
// a + b - c, preferring a, then b, on ties.
__m128i paethPredictor(__m128i a, __m128i b, __m128i c) {
    const __m128i bMinusC = _mm_sub_epi16(b, c);
    const __m128i aMinusC = _mm_sub_epi16(a, c);
    const __m128i pa = absolute(bMinusC);
    const __m128i pb = absolute(aMinusC);
    const __m128i pc = absolute(_mm_add_epi16(bMinusC, aMinusC));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i bOrC = select(_mm_cmpgt_epi16(pb, pc), c, b);
    return select(notA, bOrC, a);
}

// Rebuilds pixels `begin` to `end` of a row from its filtered bytes with `predict(a, b, c)`,
// the filter's prediction from the pixels to the left, above and upper left (in 16-bit
// lanes). Pixels before `begin` are already in `out`.
template <int BytesPerPixel, class Predict>
void unfilterWith(const std::uint8_t* filtered, const Color* above, Color* out, int begin,
                  int end, int width, Predict predict) {
    const Color opaque = BytesPerPixel == 3 ? kAlphaMask : 0;
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    __m128i left = begin > 0 ? widen(out[begin - 1]) : _mm_setzero_si128();
    __m128i upperLeft = begin > 0 ? widen(above[begin - 1]) : _mm_setzero_si128();
    for (int x = begin; x < end; ++x) {
        const __m128i up = widen(above[x]);
        const __m128i difference =
            widen(loadPixel<BytesPerPixel>(filtered + x * BytesPerPixel, x == width - 1));
        left = _mm_and_si128(_mm_add_epi16(predict(left, up, upperLeft), difference), lowByte);
        upperLeft = up;
        out[x] = narrow(left) | opaque;
    }
}

template <int BytesPerPixel>
void unfilterPartOf(std::uint8_t filterType, const std::uint8_t* filtered, const Color* above,
                    Color* out, int begin, int end, int width) {
    const auto unfilter = [&](auto predict) {
        unfilterWith<BytesPerPixel>(filtered, above, out, begin, end, width, predict);
    };
    switch (static_cast<RowFilter>(filterType)) {
        case RowFilter::None:
            unfilter([](__m128i, __m128i, __m128i) { return _mm_setzero_si128(); });
            return;
        case RowFilter::Sub:
            unfilter([](__m128i a, __m128i, __m128i) { return a; });
            return;
        case RowFilter::Up:
            unfilter([](__m128i, __m128i b, __m128i) { return b; });
            return;
        case RowFilter::Average:
            unfilter([](__m128i a, __m128i b, __m128i) {
                return _mm_srli_epi16(_mm_add_epi16(a, b), 1);
            });
            return;
        case RowFilter::Paeth:
            unfilter(paethPredictor);
            return;
    }
}

template <int BytesPerPixel>
void paethFilterRowOf(const Color* row, const Color* above, int width, std::uint8_t* out) {
    out[0] = static_cast<std::uint8_t>(RowFilter::Paeth);
    std::uint8_t* samples = out + 1;
    __m128i left = _mm_setzero_si128();
    __m128i upperLeft = _mm_setzero_si128();
    for (int x = 0; x < width; ++x) {
        const __m128i current = widen(row[x]);
        const __m128i up = above ? widen(above[x]) : _mm_setzero_si128();
        const __m128i prediction = _mm_packus_epi16(paethPredictor(left, up, upperLeft), up);
        const __m128i difference =
            _mm_sub_epi8(_mm_cvtsi32_si128(static_cast<int>(row[x])), prediction);
        const auto bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(difference));
        std::memcpy(samples + x * BytesPerPixel, &bytes, 4);
        left = current;
        upperLeft = up;
    }
}

}  // namespace

bool isRowFilter(std::uint8_t filterType) { return filterType <= std::uint8_t(RowFilter::Paeth); }

void unfilterRowPart(std::uint8_t filterType, const std::uint8_t* filtered, int bytesPerPixel,
                     const Color* above, Color* out, int begin, int end, int width) {
    if (bytesPerPixel == 3) {
        unfilterPartOf<3>(filterType, filtered, above, out, begin, end, width);
    } else {
        unfilterPartOf<4>(filterType, filtered, above, out, begin, end, width);
    }
}

void paethFilterRow(const Color* row, const Color* above, int bytesPerPixel, int width,
                    std::uint8_t* out) {
    if (bytesPerPixel == 3) {
        paethFilterRowOf<3>(row, above, width, out);
    } else {
        paethFilterRowOf<4>(row, above, width, out);
    }
}

}  // namespace vd::png
