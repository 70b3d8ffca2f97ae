#include "platform/image/pixel_buffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace vd {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a buffer is left to the ordinary allocator: rounding it up to whole huge pages
// would waste more than it saves.
constexpr std::size_t kHugeBufferBytes = std::size_t{4} << 20;

std::size_t roundedToHugePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// The one large buffer kept for reuse. Guarded, since command line batches decode on several
// threads.
class Spare {
  public:
    // The spare when it has exactly `rounded` bytes; otherwise the spare is released.
    void* take(std::size_t rounded) {
        std::lock_guard lock(mutex_);
        void* pointer = nullptr;
        if (pointer_ != nullptr && bytes_ == rounded) std::swap(pointer, pointer_);
        releaseLocked();
        return pointer;
    }

    void keep(void* pointer, std::size_t rounded) {
        std::lock_guard lock(mutex_);
        releaseLocked();
        pointer_ = pointer;
        bytes_ = rounded;
    }

    void release() {
        std::lock_guard lock(mutex_);
        releaseLocked();
    }

  private:
    void releaseLocked() {
        std::free(pointer_);
        pointer_ = nullptr;
    }

    std::mutex mutex_;
    void* pointer_ = nullptr;
    std::size_t bytes_ = 0;
};

// Never destroyed: images in static storage may still be freed during exit.
// Fresh memory is zeroed by the kernel on first touch, slowly on a virtual machine (some 2 ms
// a megabyte). So a fresh large buffer is faulted in by a second thread, front to back, while
// its owner starts writing it from the front. MADV_POPULATE_WRITE changes no byte, so the two
// never disagree; where the kernel lacks it the thread simply stops.
class Prefaulter {
  public:
    void start(void* pointer, std::size_t bytes) {
        std::lock_guard lock(mutex_);
        joinFinishedLocked();
        auto job = std::make_unique<Job>();
        job->pointer = pointer;
        Job& running = *job;
        job->thread = std::thread([&running, pointer, bytes] {
            auto* at = static_cast<char*>(pointer);
            for (std::size_t done = 0; done < bytes && !running.cancel; done += kHugePage) {
                const std::size_t length = std::min(kHugePage, bytes - done);
                if (::madvise(at + done, length, MADV_POPULATE_WRITE) != 0) break;
            }
            running.finished = true;
        });
        jobs_.push_back(std::move(job));
    }

    // Called before `pointer` is freed: its thread, if any, stops and is joined.
    void finish(void* pointer) {
        std::unique_ptr<Job> job;
        {
            std::lock_guard lock(mutex_);
            auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                   [pointer](const auto& j) { return j->pointer == pointer; });
            if (it == jobs_.end()) return;
            job = std::move(*it);
            jobs_.erase(it);
        }
        job->cancel = true;
        job->thread.join();
    }

  private:
    struct Job {
        void* pointer = nullptr;
        std::atomic<bool> cancel{false};
        std::atomic<bool> finished{false};
        std::thread thread;
    };

    void joinFinishedLocked() {
        std::erase_if(jobs_, [](std::unique_ptr<Job>& job) {
            if (!job->finished) return false;
            job->thread.join();
            return true;
        });
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<Job>> jobs_;
};

// Never destroyed, like the spare below.
Prefaulter& prefaulter() {
    static Prefaulter* instance = new Prefaulter;
    return *instance;
}

Spare& spare() {
    static Spare* instance = new Spare;
    return *instance;
}

}  // namespace

void* allocatePixels(std::size_t bytes) {
    if (bytes < kHugeBufferBytes) return ::operator new(bytes);
    const std::size_t rounded = roundedToHugePages(bytes);
    if (void* reused = spare().take(rounded)) return reused;
    void* pointer = std::aligned_alloc(kHugePage, rounded);
    if (pointer == nullptr) throw std::bad_alloc();
    // Only advice: where the kernel has no huge pages to give, ordinary pages serve.
    ::madvise(pointer, rounded, MADV_HUGEPAGE);
    prefaulter().start(pointer, rounded);
    return pointer;
}

void freePixels(void* pointer, std::size_t bytes) noexcept {
    if (bytes < kHugeBufferBytes) {
        ::operator delete(pointer);
    } else {
        prefaulter().finish(pointer);
        spare().keep(pointer, roundedToHugePages(bytes));
    }
}

void releaseSparePixels() noexcept { spare().release(); }

}  // namespace vd
