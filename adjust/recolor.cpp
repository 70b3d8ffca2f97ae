#include "adjust/recolor.h"

namespace vd {

void replaceColor(Image& image, Color from, Color to) {
    from &= kRgbMask;
    to &= kRgbMask;
    // One pass without branches, so the compiler can vectorise it over a large picture.
    for (Color& pixel : image.pixels())
        pixel = (pixel & kRgbMask) == from ? (pixel & kAlphaMask) | to : pixel;
}

}  // namespace vd
