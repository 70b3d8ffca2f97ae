#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "quantize/color_index.h"
#include "quantize/kmeans/box_split.h"
#include "quantize/kmeans/color_points.h"
#include "quantize/kmeans/kmeans.h"
#include "quantize/kmeans/lloyd.h"

namespace vd::bench {
namespace {

// The whole method as Apply runs it: choose the palette, then map (dither 0 or 1) into a
// work image that every iteration reuses.
void BM_Kmeans(benchmark::State& state) {
    const Image& photo = state.range(2) ? twelveMegapixelPhoto() : singlePhoto();
    const int limit = static_cast<int>(state.range(0));
    const bool dither = state.range(1) != 0;
    ColorIndex index;
    Image work = Image::unfilled(photo.width(), photo.height(), photo.depth());
    for (auto _ : state) {
        benchmark::DoNotOptimize(quantizeKmeans(photo, work, limit, dither, index));
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_Kmeans)
    ->ArgsProduct({{256, 64, 16}, {0, 1}, {1}})
    ->Args({256, 1, 0})
    ->ArgNames({"limit", "dither", "12mp"})
    ->Unit(benchmark::kMillisecond);

// The stages of choosing a 256-colour palette for the 12 MP photo.
void BM_KmeansPoints(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(kmeans::colorPointsOf(photo).size());
}
BENCHMARK(BM_KmeansPoints)->Unit(benchmark::kMillisecond);

void BM_KmeansSettle(benchmark::State& state) {
    const kmeans::ColorPoints points = kmeans::colorPointsOf(twelveMegapixelPhoto());
    const std::vector<kmeans::Centre> start = kmeans::splitBoxes(points, 256);
    for (auto _ : state) {
        kmeans::Lloyd lloyd(points, start, 256);
        benchmark::DoNotOptimize(lloyd.settle(0, 60));
    }
}
BENCHMARK(BM_KmeansSettle)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
