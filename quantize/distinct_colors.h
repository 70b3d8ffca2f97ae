#pragma once

#include <cstddef>
#include <limits>

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

// The distinct colours of an image (alpha ignored) in the order a row-by-row scan first meets
// them. The scan ends as soon as `stopAt` colours have been found.
Palette distinctColors(const Image& image,
                       std::size_t stopAt = std::numeric_limits<std::size_t>::max());

}  // namespace vd
