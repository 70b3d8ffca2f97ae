#include <benchmark/benchmark.h>

#include "adjust/color_ops.h"
#include "adjust/geometry.h"
#include "bench/bench_util.h"
#include "platform/image/resize.h"

namespace vd::bench {
namespace {

// In-place operations run on a fresh copy each time; the copy is not timed.
template <typename Operation>
void runInPlace(benchmark::State& state, Operation operation) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state) {
        state.PauseTiming();
        Image image = photo;
        state.ResumeTiming();
        operation(image);
        benchmark::DoNotOptimize(image.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photo.pixelCount()));
}

void BM_Negative(benchmark::State& state) {
    runInPlace(state, [](Image& i) { negative(i); });
}
void BM_GrayScale(benchmark::State& state) {
    runInPlace(state, [](Image& i) { grayScale(i); });
}
void BM_Flip(benchmark::State& state) {
    runInPlace(state, [](Image& i) { flip(i); });
}
void BM_Mirror(benchmark::State& state) {
    runInPlace(state, [](Image& i) { mirror(i); });
}
void BM_Rotate180(benchmark::State& state) {
    runInPlace(state, [](Image& i) { rotate180(i); });
}

void BM_RotateQuarter(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const bool clockwise = state.range(0) != 0;
    for (auto _ : state) {
        Image turned = rotateQuarter(photo, clockwise);
        benchmark::DoNotOptimize(turned.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photo.pixelCount()));
}

void BM_ResizeSmoothHalf(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state) {
        Image half = resizeSmooth(photo, photo.width() / 2, photo.height() / 2);
        benchmark::DoNotOptimize(half.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photo.pixelCount()));
}

BENCHMARK(BM_Negative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrayScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mirror)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate180)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarter)->Arg(1)->Arg(0)->ArgName("clockwise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeSmoothHalf)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
