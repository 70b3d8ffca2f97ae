#pragma once

#include "platform/image/image.h"
#include "quantize/color_index.h"
#include "quantize/palette.h"

namespace vd {

// The "Kmeans" method: the `limit` colours that leave the least weighted squared error over
// the picture's colours. Wu's box split gives the start, Lloyd's k-means refines it, and a
// few relocations of the least useful colours to where the error is largest let it leave a
// poor local minimum. A picture of at most `limit` colours gives exactly its own colours.
// The same picture always gives the same palette, on any number of `threads` (0: as many
// as the machine has cores, up to four).
Palette chooseKmeansPalette(const Image& image, int limit, int threads = 0);

// Writes `reference` reduced to `limit` colours into `work` (same size and depth; may be
// unfilled) and returns the palette. Without `dither` every pixel takes its nearest palette
// colour as `index` measures it; with it, the quality error diffusion of kmeans_dither.h.
// Alpha is kept. A picture of at most `limit` colours comes back unchanged.
Palette quantizeKmeans(const Image& reference, Image& work, int limit, bool dither,
                       ColorIndex& index, int threads = 0);

}  // namespace vd
