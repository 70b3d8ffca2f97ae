// BMP decode and encode of the 12 MP photo, from and to memory.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_util.h"
#include "io/image_codec.h"

namespace vd::bench {
namespace {

Image photoAtDepth(int depth) {
    Image image = twelveMegapixelPhoto();
    image.setDepth(depth);
    return image;
}

std::vector<std::uint8_t> encodedOrDie(const Image& image) {
    auto bytes = encodeBmp(image);
    if (!bytes) {
        std::fprintf(stderr, "encodeBmp: %s\n", bytes.error().c_str());
        std::exit(1);
    }
    return std::move(bytes).value();
}

void BM_BmpDecode(benchmark::State& state) {
    const std::vector<std::uint8_t> file =
        encodedOrDie(photoAtDepth(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto image = decodeBmp(file);
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_BmpDecode)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_BmpEncode(benchmark::State& state) {
    const Image image = photoAtDepth(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto bytes = encodeBmp(image);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * image.pixelCount()));
}
BENCHMARK(BM_BmpEncode)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
