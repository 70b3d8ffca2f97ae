#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "quantize/uniform.h"

namespace vd::bench {
namespace {

// Uniform on the 12 MP photo; the copy of the reference is outside the timed region, as in
// the quantize action, where the copy is a step of its own.
void BM_Uniform(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const int levels = static_cast<int>(state.range(0));
    const bool dither = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        Image work = photo;
        state.ResumeTiming();
        benchmark::DoNotOptimize(quantizeUniform(work, levels, dither));
    }
}
BENCHMARK(BM_Uniform)
    ->ArgsProduct({{2, 3, 8, 16}, {0, 1}})
    ->ArgNames({"levels", "dither"})
    ->Unit(benchmark::kMillisecond);

void BM_CopyTwelveMegapixels(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state) {
        Image work = photo;
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_CopyTwelveMegapixels)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
