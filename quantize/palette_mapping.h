#pragma once

#include <optional>

#include "platform/image/image.h"
#include "quantize/color_index.h"
#include "quantize/palette.h"

namespace vd {

// A copy of `source` with every pixel replaced by its nearest colour in `index`. With
// `dither`, each pixel's error is diffused in halved 8-bit form: about a quarter to the
// right-hand neighbour and an eighth each to the pixels below and below-right, scanning
// every row left to right. Alpha passes through untouched. No image when the copy cannot be
// made; the unmapped copy when the mapping's own tables cannot be had.
std::optional<Image> reduceToPalette(const Image& source, bool dither, const ColorIndex& index);

// The same mapping of `source` written into `target`, which has the same size and depth
// (and may be `source` itself). Each pixel is read from `source` before `target` gets its
// result, and keeps the alpha of the source pixel. Throws std::bad_alloc, before anything is
// written, when the mapping's tables cannot be had.
void reduceInto(const Image& source, Image& target, bool dither, const ColorIndex& index);

// Builds `index` from `palette` and maps `reference` onto it. When the mapping yields no
// image (or the palette is empty) the result is a plain copy of `reference`.
Image mapToPalette(const Image& reference, const Palette& palette, bool dither, ColorIndex& index);

// The same result written into `work` without a second copy of the picture: `work` ends as
// the mapped reference, or as a plain copy of it when the palette is empty or the tables
// cannot be had. Whatever `work` held before is overwritten; an image of the reference's
// size and depth (the copy the quantize action makes, or scratch) is reused as it is.
void mapToPaletteInto(const Image& reference, Image& work, const Palette& palette, bool dither,
                      ColorIndex& index);

}  // namespace vd
