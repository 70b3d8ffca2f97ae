#include "quantize/kmeans/chunks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <emmintrin.h>

namespace vd::kmeans {

namespace {

// Waits in a spin for `ready` for up to a few tens of microseconds, about what a sleeping
// thread takes to wake; true when it came. A refinement's passes follow one another closely,
// and a thread that sleeps between them costs a wake-up each time on both sides.
template <class Ready>
bool spinUntil(Ready ready) {
    constexpr auto kSpin = std::chrono::microseconds(50);
    const auto until = std::chrono::steady_clock::now() + kSpin;
    for (int round = 0;; ++round) {
        if (ready()) return true;
        _mm_pause();
        if (round % 64 == 63 && std::chrono::steady_clock::now() > until) return false;
    }
}

// Helper threads started once and woken for every pass: a refinement makes a few hundred
// passes of well under a millisecond each, and starting threads for every one of them cost
// more than the passes gained on small pictures. Between passes they spin a little before
// they sleep, and the caller spins a little for them to finish.
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
            pass_.fetch_add(1, std::memory_order_release);
        }
        wake_.notify_all();
        takeChunks(work, chunks);
        if (!spinUntil([this] { return working_.load(std::memory_order_acquire) == 0; })) {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [this] { return working_ == 0; });
        }
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

    // A pass for helper `index` other than the one it saw last, or the pool stopping.
    bool hasWork(std::size_t index, std::uint64_t seen) const {
        return stopping_ || (pass_.load(std::memory_order_acquire) != seen && index < active_);
    }

    void serve(std::size_t index) {
        std::uint64_t seen = 0;
        for (;;) {
            if (!spinUntil([&] { return hasWork(index, seen); })) {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return hasWork(index, seen); });
            }
            if (stopping_) return;
            seen = pass_.load(std::memory_order_acquire);
            takeChunks(*work_, chunks_);
            if (working_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                const std::lock_guard lock(mutex_);
                done_.notify_one();
            }
        }
    }

    // One caller at a time; a flag rather than a mutex, so that a pass started from inside
    // another finds the pool busy instead of locking what its own thread holds.
    std::atomic<bool> busy_{false};
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::jthread> threads_;
    // Written under the mutex before the pass number that publishes them.
    const std::function<void(std::size_t)>* work_ = nullptr;
    std::size_t chunks_ = 0;
    std::atomic<std::size_t> next_{0}, working_{0}, active_{0};
    std::atomic<std::uint64_t> pass_{0};
    std::atomic<bool> stopping_{false};
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
