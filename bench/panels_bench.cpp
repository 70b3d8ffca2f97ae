#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>

#include "bench/bench_util.h"
#include "quantize/census_set.h"
#include "adjust/level_counts.h"
#include "adjust/recolor.h"

namespace vd::bench {
namespace {

// The photo reduced to 200 colours changing at almost every pixel: the census must read it
// to the end, and no run of equal pixels helps it.
const Image& twoHundredColourNoise() {
    static const Image image = [] {
        const Image& photo = twelveMegapixelPhoto();
        Image noisy(photo.width(), photo.height(), 24);
        std::uint32_t state = 12345;
        for (Color& pixel : noisy.pixels()) {
            state = state * 1664525u + 1013904223u;
            const std::uint32_t k = (state >> 8) % 200u;
            pixel = makeColor(static_cast<int>(k), static_cast<int>(255 - k), 77);
        }
        return noisy;
    }();
    return image;
}

void runCensus(benchmark::State& state, const Image& image) {
    CensusSet set;
    for (auto _ : state) {
        takeCensus(image, set);
        benchmark::DoNotOptimize(set.size());
        set.clear();
    }
}

// A photo has its 289th colour within a few hundred pixels.
void BM_CensusOfPhoto(benchmark::State& state) {
    runCensus(state, twelveMegapixelPhoto());
}
void BM_CensusOf200ColourImage(benchmark::State& state) {
    runCensus(state, twoHundredColourNoise());
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(twoHundredColourNoise().pixelCount()));
}

void BM_ReplaceColor(benchmark::State& state) {
    Image image = twoHundredColourNoise();
    Color from = makeColor(5, 250, 77), to = makeColor(1, 2, 3);
    for (auto _ : state) {
        replaceColor(image, from, to);
        std::swap(from, to);  // every run has pixels to change
        benchmark::DoNotOptimize(image.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(image.pixelCount()));
}

void BM_CountLevels(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(countLevels(photo).redSum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photo.pixelCount()));
}

BENCHMARK(BM_CensusOfPhoto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CensusOf200ColourImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceColor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountLevels)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
