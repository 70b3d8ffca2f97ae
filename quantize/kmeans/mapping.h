#pragma once

#include "platform/image/image.h"
#include "quantize/color_index.h"

namespace vd::kmeans {

// Both mappings give every pixel a colour of `index`'s palette as the engine's exact
// nearest-colour search finds it, write into `target` (same size and depth as `source`;
// may be unfilled) and keep each pixel's alpha. The picture is cut into the same two bands
// of rows whatever the number of `threads` (the dither halves each again), each band mapped
// on its own, so two cores can share the work and the bytes do not depend on how many there
// are.

// Every pixel takes its nearest palette colour.
void mapOnto(const Image& source, Image& target, const ColorIndex& index, int threads);

// Error diffusion made for a good palette: serpentine Floyd-Steinberg at two thirds to
// three quarters strength (more for a coarser palette) whose carried error is limited,
// weakened where the picture is already busy (texture hides banding and would only gain
// noise), and dropped on a pixel whose colour is in the palette, so an area of a palette
// colour stays flat. `typicalError` is the root mean square error per channel the palette
// leaves without dither; the limits scale with it, so a small palette may carry the larger
// errors it makes.
void ditherOnto(const Image& source, Image& target, const ColorIndex& index, float typicalError,
                int threads);

}  // namespace vd::kmeans
