#include "quantize/kmeans/chunks.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vd::kmeans {

namespace {

// Helper threads started once and woken for every pass: a refinement makes a few hundred
// passes of well under a millisecond each, and starting threads for every one of them cost
// more than the passes gained on small pictures.
class HelperPool {
  public:
    ~HelperPool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
    }

    // Runs the pass with up to `helpers` helpers beside the caller. False when another caller
    // has the pool, and then nothing ran.
    bool run(std::size_t helpers, std::size_t chunks,
             const std::function<void(std::size_t)>& work) {
        if (busy_.exchange(true, std::memory_order_acquire)) return false;
        const struct Release {
            std::atomic<bool>& busy;
            ~Release() { busy.store(false, std::memory_order_release); }
        } release{busy_};
        startHelpers(helpers);
        {
            const std::lock_guard lock(mutex_);
            work_ = &work;
            chunks_ = chunks;
            next_ = 0;
            working_ = helpers;
            ++pass_;
        }
        wake_.notify_all();
        takeChunks(work, chunks);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return working_ == 0; });
        work_ = nullptr;
        return true;
    }

  private:
    void startHelpers(std::size_t helpers) {
        const std::lock_guard lock(mutex_);
        while (threads_.size() < helpers)
            threads_.emplace_back([this, index = threads_.size()] { serve(index); });
        active_ = helpers;
    }

    void takeChunks(const std::function<void(std::size_t)>& work, std::size_t chunks) {
        for (std::size_t chunk = next_++; chunk < chunks; chunk = next_++)
            work(chunk);
    }

    void serve(std::size_t index) {
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || (pass_ != seen && index < active_); });
            if (stopping_) return;
            seen = pass_;
            const auto* work = work_;
            const std::size_t chunks = chunks_;
            lock.unlock();
            takeChunks(*work, chunks);
            lock.lock();
            if (--working_ == 0) done_.notify_one();
        }
    }

    // One caller at a time; a flag rather than a mutex, so that a pass started from inside
    // another finds the pool busy instead of locking what its own thread holds.
    std::atomic<bool> busy_{false};
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::jthread> threads_;
    const std::function<void(std::size_t)>* work_ = nullptr;
    std::size_t chunks_ = 0, active_ = 0, working_ = 0;
    std::atomic<std::size_t> next_{0};
    std::uint64_t pass_ = 0;
    bool stopping_ = false;
};

}  // namespace

void forEachChunk(std::size_t chunks, int threads, const std::function<void(std::size_t)>& work) {
    const auto helpers = std::min(static_cast<std::size_t>(std::max(threads, 1) - 1),
                                  chunks > 0 ? chunks - 1 : 0);
    static HelperPool pool;
    if (helpers > 0 && pool.run(helpers, chunks, work)) return;
    // One thread, or the pool is busy with another caller's pass: the same chunks here.
    for (std::size_t chunk = 0; chunk < chunks; ++chunk)
        work(chunk);
}

int defaultThreads() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

}  // namespace vd::kmeans
