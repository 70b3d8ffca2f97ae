#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_util.h"
#include "quantize/neuquant.h"

namespace vd::bench {
namespace {

// The trained network of the 12 MP photo, before finishNetwork, trained once.
const NeuQuantWorkArea& trainedNetwork() {
    static const std::unique_ptr<NeuQuantWorkArea> area = [] {
        auto trained = std::make_unique<NeuQuantWorkArea>();
        initNetwork(*trained);
        learnNetwork(*trained, twelveMegapixelPhoto());
        return trained;
    }();
    return *area;
}

// Training on the 12 MP photo; argument 1 forces the SSE2 path for comparison.
void BM_NeuQuantTraining(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const NeuQuantSimd simd = state.range(0) ? NeuQuantSimd::Sse2 : bestNeuQuantSimd();
    auto area = std::make_unique<NeuQuantWorkArea>();
    for (auto _ : state) {
        initNetwork(*area);
        learnNetwork(*area, photo, simd);
        benchmark::DoNotOptimize(area->neurons.data());
    }
}
BENCHMARK(BM_NeuQuantTraining)->Arg(0)->Arg(1)->ArgNames({"sse2"})->Unit(benchmark::kMillisecond);

// finishNetwork, buildNetIndex and the mapping of every pixel; the copies of the image and
// of the trained network are outside the timed region.
void BM_NeuQuantMapping(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const bool dither = state.range(0) != 0;
    const NeuQuantWorkArea& trained = trainedNetwork();
    auto area = std::make_unique<NeuQuantWorkArea>();
    std::array<Color, kNeuQuantNetSize> palette;
    for (auto _ : state) {
        state.PauseTiming();
        *area = trained;
        Image work = photo;
        state.ResumeTiming();
        finishNetwork(*area, palette);
        buildNetIndex(*area);
        mapToNetwork(work, dither, *area, palette);
        benchmark::DoNotOptimize(work.pixels().data());
    }
}
BENCHMARK(BM_NeuQuantMapping)->Arg(0)->Arg(1)->ArgNames({"dither"})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
