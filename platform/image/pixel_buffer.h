#pragma once

#include <cstddef>

namespace vd {

// Allocates the pixel buffers of images. Large buffers are aligned to 2 MiB and marked for
// transparent huge pages: a fresh 12-megapixel picture then costs two dozen page faults
// instead of twelve thousand. The pixels are not initialised.
//
// Fresh memory is still slow the first time it is touched, so the last large buffer freed is
// kept as a spare and handed to the next allocation of the same size: a command that drops
// one picture and makes another of its size (an undo step replaced, then the image written)
// reuses warm memory. Any other large allocation, or releaseSparePixels(), gives the spare
// back first, so it never adds to the peak memory of a run.
void* allocatePixels(std::size_t bytes);
void freePixels(void* pointer, std::size_t bytes) noexcept;
// Returns the spare buffer to the system; the editor calls it when a command has ended.
void releaseSparePixels() noexcept;

}  // namespace vd
