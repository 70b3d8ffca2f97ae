#include "quantize/neuquant_search.h"

#include <algorithm>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VD_NEUQUANT_X86 1
#endif

namespace vd::neuquant_internal {

namespace {

constexpr int kSearchBound = 768;  // above any distance (at most 765)

// One step of a walk. A neuron whose green difference alone reaches the best distance so
// far cannot be nearer, and neither can any neuron beyond it (they are sorted by green), so
// the walk ends there; its full distance could not have won either.
inline bool examine(const NeuQuantNeuron& n, int r, int g, int b, int& bestd, int& result) {
    const int greenDiff = std::abs(n.green - g);
    if (greenDiff >= bestd) return false;
    const int dist = greenDiff + std::abs(n.red - r) + std::abs(n.blue - b);
    if (dist < bestd) {
        bestd = dist;
        result = n.tag;
    }
    return true;
}

#if defined(VD_NEUQUANT_X86)
#define VD_AVX2 __attribute__((target("avx2")))

using Columns = NearestNeuronFinder::Columns;

VD_AVX2 inline __m256i load16(const std::int16_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

VD_AVX2 inline int smallestOf(__m256i v) {
    const __m128i half = _mm_min_epu16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    return _mm_cvtsi128_si32(_mm_minpos_epu16(half)) & 0xFFFF;
}

// All 256 distances in 16-bit lanes; then, among the lanes at the smallest distance, the
// smallest walk rank: 2 (p - up) at and above the start, 2 (up - p) - 1 below it.
VD_AVX2 int nearestByRankAvx2(const Columns& n, int r, int g, int b) {
    const __m256i vr = _mm256_set1_epi16(static_cast<short>(r));
    const __m256i vg = _mm256_set1_epi16(static_cast<short>(g));
    const __m256i vb = _mm256_set1_epi16(static_cast<short>(b));
    __m256i dist[kNeuQuantNetSize / 16];
    __m256i least = _mm256_set1_epi16(0x7FFF);
    for (int i = 0; i < kNeuQuantNetSize / 16; ++i) {
        const int k = 16 * i;
        const __m256i dr = _mm256_abs_epi16(_mm256_sub_epi16(load16(n.red.data() + k), vr));
        const __m256i dg = _mm256_abs_epi16(_mm256_sub_epi16(load16(n.green.data() + k), vg));
        const __m256i db = _mm256_abs_epi16(_mm256_sub_epi16(load16(n.blue.data() + k), vb));
        dist[i] = _mm256_add_epi16(_mm256_add_epi16(dr, dg), db);
        least = _mm256_min_epi16(least, dist[i]);
    }
    const __m256i smallest = _mm256_set1_epi16(static_cast<short>(smallestOf(least)));
    const int up = n.upStart[g];
    const __m256i none = _mm256_set1_epi16(0x7FFF), sixteen = _mm256_set1_epi16(16);
    __m256i offset =
        _mm256_sub_epi16(_mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                         _mm256_set1_epi16(static_cast<short>(up)));
    __m256i bestRank = none;
    for (int i = 0; i < kNeuQuantNetSize / 16; ++i) {
        const __m256i twice = _mm256_add_epi16(_mm256_abs_epi16(offset), _mm256_abs_epi16(offset));
        const __m256i rank =
            _mm256_add_epi16(twice, _mm256_cmpgt_epi16(_mm256_setzero_si256(), offset));
        const __m256i nearest = _mm256_cmpeq_epi16(dist[i], smallest);
        bestRank = _mm256_min_epi16(bestRank, _mm256_blendv_epi8(none, rank, nearest));
        offset = _mm256_add_epi16(offset, sixteen);
    }
    const int rank = smallestOf(bestRank);
    const int position = (rank & 1) ? up - 1 - rank / 2 : up + rank / 2;
    return n.tag[position];
}
#endif

}  // namespace

int walkSearch(const NeuQuantWorkArea& area, Color c) {
    const int r = redOf(c), g = greenOf(c), b = blueOf(c);
    int up = std::max(area.netIndex[g], 1);
    int down = up - 1;
    int bestd = kSearchBound;
    int result = -1;
    bool upGoing = up < kNeuQuantNetSize;
    bool downGoing = down >= 0;
    while (upGoing || downGoing) {
        if (upGoing) {
            upGoing = examine(area.neurons[up], r, g, b, bestd, result) && ++up < kNeuQuantNetSize;
        }
        if (downGoing) {
            downGoing = examine(area.neurons[down], r, g, b, bestd, result) && --down >= 0;
        }
    }
    return result;
}

NearestNeuronFinder::NearestNeuronFinder(const NeuQuantWorkArea& area, NeuQuantSimd simd)
    : area_(area),
      vector_(simd == NeuQuantSimd::Avx2 && neuQuantSimdAvailable(NeuQuantSimd::Avx2)),
      keys_(std::size_t{1} << kCacheBits, kEmpty),
      tags_(std::size_t{1} << kCacheBits, 0) {
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        const NeuQuantNeuron& n = area.neurons[i];
        columns_.red[i] = static_cast<std::int16_t>(n.red);
        columns_.green[i] = static_cast<std::int16_t>(n.green);
        columns_.blue[i] = static_cast<std::int16_t>(n.blue);
        columns_.tag[i] = static_cast<std::uint8_t>(n.tag);
        columns_.upStart[i] = static_cast<std::int16_t>(std::max(area.netIndex[i], 1));
    }
}

int NearestNeuronFinder::search(Color rgb) const {
#if defined(VD_NEUQUANT_X86)
    if (vector_) return nearestByRankAvx2(columns_, redOf(rgb), greenOf(rgb), blueOf(rgb));
#endif
    return walkSearch(area_, rgb);
}

}  // namespace vd::neuquant_internal
