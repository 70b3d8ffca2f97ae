#pragma once

#include <cstddef>
#include <new>

namespace vd {

// Allocates the pixel buffers of images. Large buffers are aligned to 2 MiB and marked for
// transparent huge pages: a fresh 12-megapixel picture then costs two dozen page faults
// instead of twelve thousand, which is most of the time of filling it for the first time.
void* allocatePixels(std::size_t bytes);
void freePixels(void* pointer, std::size_t bytes) noexcept;

template <class T>
struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(allocatePixels(count * sizeof(T)));
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        freePixels(pointer, count * sizeof(T));
    }

    template <class U>
    bool operator==(const PixelAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace vd
