#pragma once

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

// The Popularity palette of at most `limit` colours (limit >= 1, else std::invalid_argument):
// the image is coarsened to 2, 3 or 4 bits per channel (the coarsest grid that still leaves
// at least ten more distinct colours than needed; 2 bits only below 48 colours), its colours
// are split into four brightness groups by 2r + 4g + b, and the groups give their most
// frequent colours in turn: bright, dark, upper-middle, lower-middle. Within a group equal
// counts keep the order in which the scan first met them. Every palette channel ends in
// 0x0F. An image without pixels gives an empty palette. The caller maps the image onto it.
Palette choosePopularityPalette(const Image& reference, int limit);

}  // namespace vd
