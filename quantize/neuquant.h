#pragma once

#include <array>
#include <cstdint>

#include "platform/image/image.h"

namespace vd {

constexpr int kNeuQuantNetSize = 256;
constexpr int kNeuQuantMaxRad = 32;

// One neuron. During training red, green and blue are in 1/16 colour levels (0..4080) and
// `tag` is unused; after finishNetwork they are 8-bit colour values and `tag` is the
// neuron's network position from before the sort by green.
struct NeuQuantNeuron {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
    std::int32_t tag;
};

// All network state of one run. The neurons are 16-byte records so a whole record fits one
// 128-bit vector; the program allocates the area once and reuses it for every run.
struct alignas(16) NeuQuantWorkArea {
    std::array<NeuQuantNeuron, kNeuQuantNetSize> neurons;
    std::array<std::int32_t, kNeuQuantNetSize> freq;      // 65536 stands for "always wins"
    std::array<std::int32_t, kNeuQuantNetSize> bias;      // bias >> 12 is in distance units
    std::array<std::int32_t, kNeuQuantNetSize> netIndex;  // search start for each green
    std::array<std::int32_t, kNeuQuantMaxRad> radPower;   // neighbour factor by distance
};
static_assert(sizeof(NeuQuantWorkArea) == 7296, "the work area layout is fixed");

// Which pixels training visits: pixel 0, then every `stride`-th pixel modulo the pixel
// count, `samples` times; alpha and radius shrink after every `delta` samples (never when
// delta is 0).
struct NeuQuantSamplingPlan {
    int stride = 1;
    int samples = 0;
    int delta = 0;
};
NeuQuantSamplingPlan neuQuantSamplingPlan(std::int64_t pixelCount);

// Instruction set of the training loop. Both give the same bits; AVX2 is only a speed-up.
enum class NeuQuantSimd { Sse2, Avx2 };
bool neuQuantSimdAvailable(NeuQuantSimd simd);
// AVX2 when the processor has it, else SSE2.
NeuQuantSimd bestNeuQuantSimd();

// Grey ramp from black to white; freq 256 and bias 0 for every neuron.
void initNetwork(NeuQuantWorkArea& area);
// radPower[0 .. rad - 1] for a learning rate and a neighbourhood radius (rad <= 32).
void setRadPower(NeuQuantWorkArea& area, int alpha, int rad);
// Trains the network on the plain colours of `image` (alpha is ignored).
void learnNetwork(NeuQuantWorkArea& area, const Image& image,
                  NeuQuantSimd simd = bestNeuQuantSimd());
// One training step with sample colour `c`; neighbours use the area's radPower. `rad` is
// taken as 0..32.
void trainSample(NeuQuantWorkArea& area, int alpha, int rad, Color c,
                 NeuQuantSimd simd = bestNeuQuantSimd());
// Turns the neurons into 8-bit colours tagged with their position; palette[i] is neuron i.
void finishNetwork(NeuQuantWorkArea& area, std::array<Color, kNeuQuantNetSize>& palette);
// Sorts the neurons by green (selection sort) and fills netIndex.
void buildNetIndex(NeuQuantWorkArea& area);
// The tag (palette index) of the nearest neuron; needs buildNetIndex first.
int searchNetwork(const NeuQuantWorkArea& area, Color c);

// Replaces every pixel of `work` by palette[searchNetwork(c)], c its plain colour or, when
// `dither` is set, its ordered-dither read; alpha bytes are kept. Needs buildNetIndex first.
void mapToNetwork(Image& work, bool dither, const NeuQuantWorkArea& area,
                  const std::array<Color, kNeuQuantNetSize>& palette,
                  NeuQuantSimd simd = bestNeuQuantSimd());

// Reduces `work` (a copy of the reference) to at most 256 colours in place: trains on its
// plain colours, then maps every pixel, read through the ordered dither when `dither` is
// set. Each pixel keeps its alpha byte.
void quantizeNeuQuant(Image& work, bool dither, NeuQuantWorkArea& area);

}  // namespace vd
