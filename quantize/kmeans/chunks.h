#pragma once

#include <cstddef>
#include <functional>

namespace vd::kmeans {

// Runs work(chunk) for every chunk in [0, chunks) on up to `threads` threads (the caller's
// among them). Callers cut their work into chunks of a fixed size and give each chunk its
// own results, combined afterwards in chunk order, so the outcome is the same bytes whatever
// the number of threads. The helper threads are started once and kept for later passes;
// while one caller's pass has them, another caller's runs on its own thread alone.
void forEachChunk(std::size_t chunks, int threads, const std::function<void(std::size_t)>& work);

// The threads worth using here: the cores, at most four.
int defaultThreads();

}  // namespace vd::kmeans
