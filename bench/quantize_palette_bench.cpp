#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "quantize/adaptive.h"
#include "quantize/color_index.h"
#include "quantize/count_colors.h"
#include "quantize/flat_palettes.h"
#include "quantize/palette_mapping.h"
#include "quantize/popularity.h"

namespace vd::bench {
namespace {

// A copy of an image shares its pixels until first written; a write access here gives the
// copy its own, so that only the method is timed.
Image ownCopy(const Image& image) {
    Image copy = image;
    benchmark::DoNotOptimize(copy.pixels().data());
    return copy;
}

void BM_CountColors(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(countColors(photo));
}
BENCHMARK(BM_CountColors)->Unit(benchmark::kMillisecond);

// Flat and named palettes work in place on a copy of the reference; the copy is untimed.
void BM_FlatPalette(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const auto method = static_cast<QuantizeMethod>(state.range(0));
    const bool dither = state.range(1) != 0;
    state.SetLabel(std::string(methodInfo(method).label));
    for (auto _ : state) {
        state.PauseTiming();
        Image work = ownCopy(photo);
        state.ResumeTiming();
        benchmark::DoNotOptimize(quantizeFlat(work, method, dither));
    }
}
BENCHMARK(BM_FlatPalette)
    ->ArgsProduct({{3, 4, 5, 6, 7, 8, 9}, {0, 1}})
    ->ArgNames({"method", "dither"})
    ->Unit(benchmark::kMillisecond);

// The work image already holds a copy of the reference when a method runs, and mapping
// overwrites all of it, so one work image serves every iteration.
void BM_FixedMapping(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const auto method = static_cast<QuantizeMethod>(state.range(0));
    const bool dither = state.range(1) != 0;
    state.SetLabel(std::string(methodInfo(method).label));
    ColorIndex index;
    Image work = ownCopy(photo);
    for (auto _ : state) {
        mapToPaletteInto(photo, work, fixedPalette(method), dither, index);
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_FixedMapping)
    ->ArgsProduct({{10, 11, 12}, {0, 1}})
    ->ArgNames({"method", "dither"})
    ->Unit(benchmark::kMillisecond);

// The form that returns a new image pays for a fresh 48 MB copy on every call.
void BM_FixedMappingToNewImage(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    ColorIndex index;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            mapToPalette(photo, fixedPalette(QuantizeMethod::Fixed16), false, index));
    }
}
BENCHMARK(BM_FixedMappingToNewImage)->Unit(benchmark::kMillisecond);

void BM_PopularityChoose(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state) {
        benchmark::DoNotOptimize(choosePopularityPalette(photo, static_cast<int>(state.range(0))));
    }
}
BENCHMARK(BM_PopularityChoose)->Arg(32)->Arg(256)->ArgName("limit")->Unit(benchmark::kMillisecond);

void BM_AdaptiveChoose(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    Image work = ownCopy(photo);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            chooseAdaptivePalette(photo, static_cast<int>(state.range(0)), work.pixels()));
    }
}
BENCHMARK(BM_AdaptiveChoose)->Arg(256)->ArgName("limit")->Unit(benchmark::kMillisecond);

// The whole method as "Apply" runs it once the work image holds the reference's copy:
// choose the palette, then map the reference into the work image.
void BM_Popularity(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const int limit = static_cast<int>(state.range(0));
    const bool dither = state.range(1) != 0;
    ColorIndex index;
    Image work = ownCopy(photo);
    for (auto _ : state) {
        mapToPaletteInto(photo, work, choosePopularityPalette(photo, limit), dither, index);
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_Popularity)
    ->ArgsProduct({{256}, {0, 1}})
    ->ArgNames({"limit", "dither"})
    ->Unit(benchmark::kMillisecond);

// Adaptive keeps its sample list in the work image, which the mapping then overwrites.
void BM_Adaptive(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const int limit = static_cast<int>(state.range(0));
    const bool dither = state.range(1) != 0;
    ColorIndex index;
    Image work = ownCopy(photo);
    for (auto _ : state) {
        const Palette palette = chooseAdaptivePalette(photo, limit, work.pixels());
        mapToPaletteInto(photo, work, palette, dither, index);
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_Adaptive)
    ->ArgsProduct({{256}, {0, 1}})
    ->ArgNames({"limit", "dither"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
