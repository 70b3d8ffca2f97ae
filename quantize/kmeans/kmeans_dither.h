#pragma once

#include "platform/image/image.h"
#include "quantize/color_index.h"

namespace vd::kmeans {

// Error diffusion made for a good palette: serpentine Floyd-Steinberg at three quarters
// strength whose carried error is limited, weakened where the picture is already busy
// (texture hides banding and would only gain noise), and dropped on a pixel whose colour is
// in the palette, so an area of a palette colour stays flat. `typicalError` is the root mean
// square error per channel the palette leaves without dither; the limits scale with it, so
// a small palette may carry the larger errors it makes. Writes `source` mapped onto
// `index`'s palette into `target` (same size and depth; may be unfilled), keeping each
// pixel's alpha. The top and bottom halves are diffused each on its own, on up to `threads`
// threads; the bytes do not depend on how many.
void ditherOnto(const Image& source, Image& target, const ColorIndex& index, float typicalError,
                int threads);

}  // namespace vd::kmeans
