#pragma once

#include "platform/image/image.h"

namespace vd {

// A copy of `source` scaled to width x height with smoothing: each destination pixel
// averages the source pixels it covers (area averaging when shrinking, bilinear
// interpolation of neighbouring pixels when enlarging). Alpha is averaged like a colour.
// The result keeps the source's depth.
Image resizeSmooth(const Image& source, int width, int height);

}  // namespace vd
