#pragma once

#include "platform/image/image.h"
#include "quantize/palette.h"
#include "quantize/quantize.h"

namespace vd {

// True for the seven rows that keep the top bits of each channel (flat_8 .. Ocean_128).
bool isFlatMethod(QuantizeMethod method);
// True for Fixed_16, Fixed_24 and Fixed_32.
bool isFixedMethod(QuantizeMethod method);

// The bits each channel keeps, as one value: red mask + green mask x 256 + blue mask x 65536.
// Throws std::invalid_argument for a method that is not a flat palette.
Color flatMask(QuantizeMethod method);

// Every channel v becomes (v AND mask) OR 0x0F, in place, reading through the ordered dither
// when `dither` is set. Returns the distinct output colours in the order the scan first
// wrote them. The alpha bytes stay as they were. Throws std::invalid_argument for a method
// that is not a flat palette.
Palette quantizeFlat(Image& work, QuantizeMethod method, bool dither);

// The first 16, 24 or 32 entries of the fixed table: the sixteen standard colours, then a
// ramp of skin tones from light to dark. Throws std::invalid_argument for other methods.
Palette fixedPalette(QuantizeMethod method);

}  // namespace vd
