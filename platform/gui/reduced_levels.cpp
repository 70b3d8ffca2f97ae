#include "platform/gui/reduced_levels.h"

#include <emmintrin.h>

#include <algorithm>

namespace vd::gui {

namespace {

int halfUp(int n) {
    return (n + 1) / 2;
}

// Four pixels' rounded mean, all four bytes.
Color meanOfFour(Color a, Color b, Color c, Color d) {
    constexpr Color kEven = 0x00FF00FF;
    const Color even = (a & kEven) + (b & kEven) + (c & kEven) + (d & kEven) + 0x00020002;
    const Color odd = ((a >> 8) & kEven) + ((b >> 8) & kEven) + ((c >> 8) & kEven) +
                      ((d >> 8) & kEven) + 0x00020002;
    return ((even >> 2) & kEven) | (((odd >> 2) & kEven) << 8);
}

// Two target pixels from four source pixels of each of two rows, in 16-bit lanes.
__m128i meanOfTwoBlocks(const Color* upper, const Color* lower) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower));
    const __m128i left = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i right = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    const __m128i leftSum = _mm_add_epi16(left, _mm_srli_si128(left, 8));
    const __m128i rightSum = _mm_add_epi16(right, _mm_srli_si128(right, 8));
    const __m128i sums = _mm_unpacklo_epi64(leftSum, rightSum);
    return _mm_srli_epi16(_mm_add_epi16(sums, _mm_set1_epi16(2)), 2);
}

void halveRow(const Color* upper, const Color* lower, int sourceWidth, Color* out, int left,
              int right) {
    int x = left;
    // Whole pairs of target pixels that lie inside the source: two at a time.
    const int pairedEnd = std::min(right, sourceWidth / 2);
    for (; x + 2 <= pairedEnd; x += 2) {
        const __m128i two = meanOfTwoBlocks(upper + 2 * x, lower + 2 * x);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(two, two));
    }
    for (; x < right; ++x) {
        const int x0 = 2 * x, x1 = std::min(2 * x + 1, sourceWidth - 1);
        out[x] = meanOfFour(upper[x0], upper[x1], lower[x0], lower[x1]);
    }
}

}  // namespace

void halveInto(const Image& source, Image& target, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
        const Color* upper = source.row(2 * y);
        const Color* lower = source.row(std::min(2 * y + 1, source.height() - 1));
        halveRow(upper, lower, source.width(), target.row(y), left, right);
    }
}

void ReducedLevels::changed(int left, int top, int right, int bottom) {
    for (int k = 1; k <= kDeepest; ++k) {
        Area& area = stale_[k];
        if (area.empty()) {
            area = {left, top, right, bottom};
        } else {
            area = {std::min(area.left, left), std::min(area.top, top),
                    std::max(area.right, right), std::max(area.bottom, bottom)};
        }
    }
}

void ReducedLevels::changedAll() {
    wholeStale_.fill(true);
}

void ReducedLevels::release() {
    for (Image& image : levels_)
        image = Image();
    wholeStale_.fill(true);
}

const Image& ReducedLevels::level(int level, const Image& canvas) {
    level = std::clamp(level, 1, kDeepest);
    bringUpToDate(level, canvas);
    return levels_[level];
}

// A level is built from the one above, so that one is brought up to date first; what is
// stale in a level always covers what is stale in the levels above it.
void ReducedLevels::bringUpToDate(int level, const Image& canvas) {
    if (level > 1) bringUpToDate(level - 1, canvas);
    const Image& source = level == 1 ? canvas : levels_[level - 1];
    Image& target = levels_[level];
    const int width = halfUp(source.width()), height = halfUp(source.height());
    if (wholeStale_[level] || target.width() != width || target.height() != height) {
        if (target.width() != width || target.height() != height)
            target = Image::unfilled(width, height, 24);
        halveInto(source, target, 0, 0, width, height);
    } else if (!stale_[level].empty()) {
        // The stale canvas area, in this level's pixels, widened to whole blocks.
        const Area& area = stale_[level];
        const int shift = level;
        const int left = std::max(0, area.left >> shift);
        const int top = std::max(0, area.top >> shift);
        const int right = std::min(width, (area.right + (1 << shift) - 1) >> shift);
        const int bottom = std::min(height, (area.bottom + (1 << shift) - 1) >> shift);
        if (left < right && top < bottom) halveInto(source, target, left, top, right, bottom);
    }
    wholeStale_[level] = false;
    stale_[level] = {};
}

}  // namespace vd::gui
