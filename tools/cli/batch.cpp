#include "tools/cli/batch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

namespace vd::cli {

namespace {

// Progress for a person watching; a log or a pipe gets nothing.
class Progress {
  public:
    explicit Progress(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1) {}

    void finished(const std::string& input, double seconds) {
        std::lock_guard lock(mutex_);
        ++done_;
        if (!shown_) return;
        std::fprintf(stderr, "[%zu/%zu] %s %.2f s\n", done_, total_,
                     std::filesystem::path(input).filename().string().c_str(), seconds);
    }

  private:
    std::mutex mutex_;
    std::size_t total_, done_ = 0;
    bool shown_;
};

}  // namespace

int defaultJobs() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

int runBatch(const std::vector<std::string>& inputs, int jobs,
             const std::function<int(const std::string& input)>& one) {
    Progress progress(inputs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<int> worst{0};
    auto work = [&] {
        for (std::size_t i = next++; i < inputs.size(); i = next++) {
            const auto start = std::chrono::steady_clock::now();
            const int status = one(inputs[i]);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            progress.finished(inputs[i], took.count());
            int seen = worst.load();
            while (status > seen && !worst.compare_exchange_weak(seen, status)) {
            }
        }
    };
    const int most = static_cast<int>(std::max<std::size_t>(inputs.size(), 1));
    const int threads = std::clamp(jobs, 1, most);
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return worst;
}

}  // namespace vd::cli
