#pragma once

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

struct UniformStep {
    int divisor;
    int multiplier;
};

// Divisor 255 / (n - 0.5) rounded half away from zero; multiplier 255 / (n - 1) truncated.
UniformStep uniformStep(int levels);

// Reduces every channel to `levels` levels (2..16) in place, reading through the ordered
// dither when `dither` is set. Returns the distinct output colours in the order the scan
// first wrote them. The alpha bytes stay as they were.
Palette quantizeUniform(Image& work, int levels, bool dither);

}  // namespace vd
