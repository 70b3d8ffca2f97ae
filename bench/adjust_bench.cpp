#include <benchmark/benchmark.h>

#include "adjust/brightness.h"
#include "adjust/color_ops.h"
#include "adjust/contrast.h"
#include "adjust/geometry.h"
#include "adjust/resize_ops.h"
#include "adjust/two_colors.h"
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

// The preview dialogs copy the image in view into the preview image, which already has its
// size after the first recompute, and run the operation on the copy: both are timed.
template <typename Operation>
void runOnPreview(benchmark::State& state, Operation operation) {
    const Image& photo = twelveMegapixelPhoto();
    Image preview = photo;
    for (auto _ : state) {
        preview = photo;
        operation(preview);
        benchmark::DoNotOptimize(preview.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(photo.pixelCount()));
}

void BM_CopyIntoPreview(benchmark::State& state) {
    runOnPreview(state, [](Image&) {});
}
void BM_TwoColors(benchmark::State& state) {
    TwoColorsSettings settings;
    settings.dither = static_cast<TwoColorsDither>(state.range(0));
    runOnPreview(state, [&](Image& i) { twoColors(i, settings); });
}
void BM_Brightness(benchmark::State& state) {
    BrightnessSettings settings;
    settings.offset = 40;
    settings.overdrive = state.range(0) != 0;
    runOnPreview(state, [&](Image& i) { brightness(i, settings); });
}
void BM_Contrast(benchmark::State& state) {
    runOnPreview(state, [](Image& i) { contrast(i, 50); });
}

// A new canvas a little taller than the photo, the photo in the middle; the canvas is a new
// image, as the command makes one.
void BM_ResizeCanvas(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    for (auto _ : state) {
        Image canvas = resizeCanvas(photo, photo.width(), photo.height() + 64, 5, 0x336699);
        benchmark::DoNotOptimize(canvas.pixels().data());
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
BENCHMARK(BM_CopyIntoPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoColors)->Arg(0)->Arg(1)->Arg(2)->ArgName("dither")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Brightness)->Arg(0)->Arg(1)->ArgName("overdrive")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeCanvas)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
