#include "quantize/kmeans/chunks.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace vd::kmeans {

void forEachChunk(std::size_t chunks, int threads, const std::function<void(std::size_t)>& work) {
    const auto helpers = static_cast<std::size_t>(std::max(threads, 1) - 1);
    if (helpers == 0 || chunks < 2) {
        for (std::size_t chunk = 0; chunk < chunks; ++chunk)
            work(chunk);
        return;
    }
    std::atomic<std::size_t> next{0};
    auto takeChunks = [&] {
        for (std::size_t chunk = next++; chunk < chunks; chunk = next++)
            work(chunk);
    };
    std::vector<std::jthread> pool;
    for (std::size_t i = 0; i < std::min(helpers, chunks - 1); ++i)
        pool.emplace_back(takeChunks);
    takeChunks();
}

int defaultThreads() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

}  // namespace vd::kmeans
