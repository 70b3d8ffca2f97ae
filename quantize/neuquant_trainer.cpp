#include "quantize/neuquant_trainer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VD_NEUQUANT_X86 1
#endif

namespace vd {

bool neuQuantSimdAvailable(NeuQuantSimd simd) {
#if defined(VD_NEUQUANT_X86)
    if (simd == NeuQuantSimd::Avx2) return __builtin_cpu_supports("avx2");
    return true;
#else
    return simd == NeuQuantSimd::Sse2;
#endif
}

NeuQuantSimd bestNeuQuantSimd() {
    static const NeuQuantSimd best =
        neuQuantSimdAvailable(NeuQuantSimd::Avx2) ? NeuQuantSimd::Avx2 : NeuQuantSimd::Sse2;
    return best;
}

namespace neuquant_internal {
namespace {

// Each vector lane keeps its own smallest value and the lowest neuron reaching it (strict
// comparisons while the positions grow). Over all lanes: the smallest value, and among the
// lanes holding it the lowest position, which is the lowest position overall.
int lowestPositionOfMinimum(const std::int32_t* value, const std::int32_t* position, int lanes) {
    int best = 0;
    for (int lane = 1; lane < lanes; ++lane) {
        if (value[lane] < value[best] ||
            (value[lane] == value[best] && position[lane] < position[best])) {
            best = lane;
        }
    }
    return position[best];
}

#if defined(__SSE2__)
__m128i absSse2(__m128i x) {
    const __m128i sign = _mm_srai_epi32(x, 31);
    return _mm_sub_epi32(_mm_xor_si128(x, sign), sign);
}

__m128i selectSse2(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

Winners winnerSearchSse2(NeuronColumns& n, std::int32_t* freq, std::int32_t* bias, int cr, int cg,
                         int cb) {
    const __m128i vr = _mm_set1_epi32(cr), vg = _mm_set1_epi32(cg), vb = _mm_set1_epi32(cb);
    __m128i bestDist = _mm_set1_epi32(INT_MAX), bestBiasDist = bestDist;
    __m128i bestPos = _mm_set1_epi32(-1), bestBiasPos = bestPos;
    __m128i position = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i four = _mm_set1_epi32(4);
    for (int i = 0; i < kNeuQuantNetSize; i += 4) {
        auto load = [i](const std::int32_t* p) {
            return _mm_load_si128(reinterpret_cast<const __m128i*>(p + i));
        };
        const __m128i dist =
            _mm_add_epi32(_mm_add_epi32(absSse2(_mm_sub_epi32(load(n.red.data()), vr)),
                                        absSse2(_mm_sub_epi32(load(n.green.data()), vg))),
                          absSse2(_mm_sub_epi32(load(n.blue.data()), vb)));
        const __m128i closer = _mm_cmplt_epi32(dist, bestDist);
        bestDist = selectSse2(closer, dist, bestDist);
        bestPos = selectSse2(closer, position, bestPos);

        const __m128i f = load(freq), b = load(bias);
        const __m128i biasDist = _mm_sub_epi32(dist, _mm_srai_epi32(b, 12));
        const __m128i biasCloser = _mm_cmplt_epi32(biasDist, bestBiasDist);
        bestBiasDist = selectSse2(biasCloser, biasDist, bestBiasDist);
        bestBiasPos = selectSse2(biasCloser, position, bestBiasPos);

        const __m128i betaFreq = _mm_srai_epi32(f, 10);
        _mm_store_si128(reinterpret_cast<__m128i*>(freq + i), _mm_sub_epi32(f, betaFreq));
        _mm_store_si128(reinterpret_cast<__m128i*>(bias + i),
                        _mm_add_epi32(b, _mm_slli_epi32(betaFreq, 10)));
        position = _mm_add_epi32(position, four);
    }
    alignas(16) std::int32_t d[4], p[4], bd[4], bp[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(d), bestDist);
    _mm_store_si128(reinterpret_cast<__m128i*>(p), bestPos);
    _mm_store_si128(reinterpret_cast<__m128i*>(bd), bestBiasDist);
    _mm_store_si128(reinterpret_cast<__m128i*>(bp), bestBiasPos);
    return {lowestPositionOfMinimum(d, p, 4), lowestPositionOfMinimum(bd, bp, 4)};
}
#else
Winners winnerSearchSse2(NeuronColumns& n, std::int32_t* freq, std::int32_t* bias, int cr, int cg,
                         int cb) {
    int bestDist = INT_MAX, bestBiasDist = INT_MAX;
    Winners winners{-1, -1};
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        const int dist =
            std::abs(n.red[i] - cr) + std::abs(n.green[i] - cg) + std::abs(n.blue[i] - cb);
        if (dist < bestDist) bestDist = dist, winners.nearest = i;
        const int biasDist = dist - (bias[i] >> 12);
        if (biasDist < bestBiasDist) bestBiasDist = biasDist, winners.biased = i;
        const int betaFreq = freq[i] >> 10;
        freq[i] -= betaFreq;
        bias[i] += betaFreq << 10;
    }
    return winners;
}
#endif

// n - ((w * (n - c) + s) >> 18), s = 1 for a negative product, over exactly [kBegin, kEnd).
void neighbourMoveScalar(NeuronColumns& n, const std::int32_t* weightAtJ, int j, int kBegin,
                         int kEnd, int cr, int cg, int cb) {
    auto pull = [](std::int32_t& v, int w, int c) {
        const std::int32_t prod = w * (v - c);
        v -= (prod + (prod < 0 ? 1 : 0)) >> 18;
    };
    for (int k = kBegin; k < kEnd; ++k) {
        const int w = weightAtJ[k - j];
        pull(n.red[k], w, cr);
        pull(n.green[k], w, cg);
        pull(n.blue[k], w, cb);
    }
}

#if defined(VD_NEUQUANT_X86)
#define VD_AVX2 __attribute__((target("avx2")))

VD_AVX2 inline __m256i load8(const std::int32_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

VD_AVX2 inline void store8(std::int32_t* p, __m256i v) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
}

// freq and bias live in the area, which is only promised 16-byte alignment.
VD_AVX2 inline __m256i loadUnaligned8(const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VD_AVX2 inline void storeUnaligned8(std::int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

VD_AVX2 inline __m256i absDiff8(const std::int32_t* p, __m256i c) {
    return _mm256_abs_epi32(_mm256_sub_epi32(load8(p), c));
}

VD_AVX2 Winners winnerSearchAvx2(NeuronColumns& n, std::int32_t* freq, std::int32_t* bias, int cr,
                                 int cg, int cb) {
    const __m256i vr = _mm256_set1_epi32(cr), vg = _mm256_set1_epi32(cg),
                  vb = _mm256_set1_epi32(cb);
    __m256i bestDist = _mm256_set1_epi32(INT_MAX), bestBiasDist = bestDist;
    __m256i bestPos = _mm256_set1_epi32(-1), bestBiasPos = bestPos;
    __m256i position = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i eight = _mm256_set1_epi32(8);
    for (int i = 0; i < kNeuQuantNetSize; i += 8) {
        const __m256i dist = _mm256_add_epi32(
            _mm256_add_epi32(absDiff8(n.red.data() + i, vr), absDiff8(n.green.data() + i, vg)),
            absDiff8(n.blue.data() + i, vb));
        const __m256i closer = _mm256_cmpgt_epi32(bestDist, dist);
        bestDist = _mm256_min_epi32(bestDist, dist);
        bestPos = _mm256_blendv_epi8(bestPos, position, closer);

        const __m256i f = loadUnaligned8(freq + i), b = loadUnaligned8(bias + i);
        const __m256i biasDist = _mm256_sub_epi32(dist, _mm256_srai_epi32(b, 12));
        const __m256i biasCloser = _mm256_cmpgt_epi32(bestBiasDist, biasDist);
        bestBiasDist = _mm256_min_epi32(bestBiasDist, biasDist);
        bestBiasPos = _mm256_blendv_epi8(bestBiasPos, position, biasCloser);

        const __m256i betaFreq = _mm256_srai_epi32(f, 10);
        storeUnaligned8(freq + i, _mm256_sub_epi32(f, betaFreq));
        storeUnaligned8(bias + i, _mm256_add_epi32(b, _mm256_slli_epi32(betaFreq, 10)));
        position = _mm256_add_epi32(position, eight);
    }
    alignas(32) std::int32_t d[8], p[8], bd[8], bp[8];
    store8(d, bestDist);
    store8(p, bestPos);
    store8(bd, bestBiasDist);
    store8(bp, bestBiasPos);
    return {lowestPositionOfMinimum(d, p, 8), lowestPositionOfMinimum(bd, bp, 8)};
}

// column[k] - ((w * (column[k] - c) + s) >> 18) for 8 neurons; prod - (prod >> 31) adds
// the 1 exactly when the product is negative.
VD_AVX2 inline void pull8(std::int32_t* column, __m256i w, __m256i c) {
    const __m256i v = load8(column);
    const __m256i prod = _mm256_mullo_epi32(w, _mm256_sub_epi32(v, c));
    const __m256i step = _mm256_srai_epi32(_mm256_sub_epi32(prod, _mm256_srai_epi32(prod, 31)), 18);
    store8(column, _mm256_sub_epi32(v, step));
}

// Whole 8-neuron blocks [kBegin, kEnd); neurons outside the neighbourhood, and the winner
// itself, have weight 0 and so stay as they are.
VD_AVX2 void neighbourMoveAvx2(NeuronColumns& n, const std::int32_t* weightAtJ, int j, int kBegin,
                               int kEnd, int cr, int cg, int cb) {
    const __m256i vr = _mm256_set1_epi32(cr), vg = _mm256_set1_epi32(cg),
                  vb = _mm256_set1_epi32(cb);
    for (int k = kBegin; k < kEnd; k += 8) {
        const __m256i w = loadUnaligned8(weightAtJ + (k - j));
        pull8(n.red.data() + k, w, vr);
        pull8(n.green.data() + k, w, vg);
        pull8(n.blue.data() + k, w, vb);
    }
}
#endif

}  // namespace

NeuQuantTrainer::NeuQuantTrainer(NeuQuantWorkArea& area, NeuQuantSimd simd)
    : area_(area),
      winnerSearch_(winnerSearchSse2),
      neighbourMove_(neighbourMoveScalar),
      blockAligned_(false) {
#if defined(VD_NEUQUANT_X86)
    if (simd == NeuQuantSimd::Avx2 && neuQuantSimdAvailable(NeuQuantSimd::Avx2)) {
        winnerSearch_ = winnerSearchAvx2;
        neighbourMove_ = neighbourMoveAvx2;
        blockAligned_ = true;
    }
#else
    (void)simd;
#endif
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        columns_.red[i] = area.neurons[i].red;
        columns_.green[i] = area.neurons[i].green;
        columns_.blue[i] = area.neurons[i].blue;
    }
}

void NeuQuantTrainer::setNeighbourWeights(int rad) {
    rad_ = std::clamp(rad, 0, kNeuQuantMaxRad);
    weights_.fill(0);
    for (int d = 1; d < rad_; ++d) {
        weights_[kWeightCentre + d] = area_.radPower[d];
        weights_[kWeightCentre - d] = area_.radPower[d];
    }
}

void NeuQuantTrainer::moveWinner(int j, int alpha, int cr, int cg, int cb) {
    auto pull = [alpha](std::int32_t& v, int c) {
        const std::int32_t prod = alpha * (v - c);
        v -= (prod + (prod < 0 ? 1 : 0)) >> 10;
    };
    pull(columns_.red[j], cr);
    pull(columns_.green[j], cg);
    pull(columns_.blue[j], cb);
}

void NeuQuantTrainer::train(int alpha, Color c) {
    const int cr = redOf(c) << 4, cg = greenOf(c) << 4, cb = blueOf(c) << 4;
    const Winners winners =
        winnerSearch_(columns_, area_.freq.data(), area_.bias.data(), cr, cg, cb);
    area_.freq[winners.nearest] += 64;
    area_.bias[winners.nearest] -= 65536;

    const int j = winners.biased;
    moveWinner(j, alpha, cr, cg, cb);
    if (rad_ == 0) return;
    int kBegin = std::max(j - rad_ + 1, 0);
    int kEnd = std::min(j + rad_, kNeuQuantNetSize);
    if (blockAligned_) {
        kBegin &= ~7;
        kEnd = (kEnd + 7) & ~7;
    }
    neighbourMove_(columns_, weights_.data() + kWeightCentre, j, kBegin, kEnd, cr, cg, cb);
}

void NeuQuantTrainer::storeNeurons() const {
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        area_.neurons[i].red = columns_.red[i];
        area_.neurons[i].green = columns_.green[i];
        area_.neurons[i].blue = columns_.blue[i];
    }
}

}  // namespace neuquant_internal
}  // namespace vd
