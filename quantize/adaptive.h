#pragma once

#include <cstdint>
#include <span>

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

// The Adaptive palette of exactly `limit` entries (limit >= 1, else std::invalid_argument):
// the colours of all pixels, sorted ascending by their 24-bit value, sampled at even steps;
// a sample that would repeat the colour just taken skips that colour's run and spreads the
// remaining samples evenly over the rest of the list. Entries repeat when the image has
// fewer colours than `limit`. An image without pixels gives an empty palette.
// This form allocates the sample list (4 bytes a pixel; std::bad_alloc when it cannot).
Palette chooseAdaptivePalette(const Image& reference, int limit);

// The same, keeping the sample list in `scratch` (at least one entry per pixel; its contents
// are lost). The work image, which is about to be overwritten by the mapping anyway, serves.
Palette chooseAdaptivePalette(const Image& reference, int limit, std::span<std::uint32_t> scratch);

// The colour values (fourth byte 0) of all pixels in ascending order, written to the first
// pixelCount() entries of `samples`: a radix sort, by blue first, then green and red.
void sortedColorValues(const Image& reference, std::span<std::uint32_t> samples);

// The sampling walk over an ascending list of colour values (not empty).
Palette sampleSortedColors(std::span<const std::uint32_t> sorted, int limit);

}  // namespace vd
