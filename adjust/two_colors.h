#pragma once

#include "platform/image/image.h"

namespace vd {

// How Two Colors decides near the threshold: a plain read, the 4 x 4 ordered offsets, or
// Sierra Lite error diffusion.
enum class TwoColorsDither : int { None = 0, Ordered = 1, SierraLite = 2 };

struct TwoColorsSettings {
    // Pixels whose gray level is below the threshold take color1, the others color2. The
    // dialog's slider shows 256 - threshold.
    int threshold = 128;
    TwoColorsDither dither = TwoColorsDither::None;
    Color color1 = 0x000000;
    Color color2 = 0xFFFFFF;
};

// Every pixel becomes color1 or color2 (colour bytes only; alpha stays), scanning row by
// row from the top-left corner.
void twoColors(Image& image, const TwoColorsSettings& settings);

}  // namespace vd
