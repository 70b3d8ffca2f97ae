#include "platform/image/pixel_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace vd {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a buffer is left to the ordinary allocator: rounding it up to whole huge pages
// would waste more than it saves.
constexpr std::size_t kHugeBufferBytes = std::size_t{4} << 20;

std::size_t roundedToHugePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* allocatePixels(std::size_t bytes) {
    if (bytes < kHugeBufferBytes) return ::operator new(bytes);
    const std::size_t rounded = roundedToHugePages(bytes);
    void* pointer = std::aligned_alloc(kHugePage, rounded);
    if (pointer == nullptr) throw std::bad_alloc();
    // Only advice: where the kernel has no huge pages to give, ordinary pages serve.
    ::madvise(pointer, rounded, MADV_HUGEPAGE);
    return pointer;
}

void freePixels(void* pointer, std::size_t bytes) noexcept {
    if (bytes < kHugeBufferBytes) {
        ::operator delete(pointer);
    } else {
        std::free(pointer);
    }
}

}  // namespace vd
