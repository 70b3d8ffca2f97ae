#pragma once

#include "platform/image/image.h"

namespace vd {

// The number of distinct colours of the image, alpha ignored; exact for any image, using one
// bit for every 24-bit colour (2 MiB). Throws std::bad_alloc when that set cannot be had.
int countColors(const Image& image);

// The same count, but the scan stops as soon as it passes `cap`: the result is exact when it
// is at most `cap`, and `cap + 1` otherwise.
int countColorsUpTo(const Image& image, int cap);

}  // namespace vd
