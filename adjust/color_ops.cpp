#include "adjust/color_ops.h"

namespace vd {

void negative(Image& image) {
    for (Color& p : image.pixels())
        p ^= kRgbMask;
}

void grayScale(Image& image) {
    for (Color& p : image.pixels()) {
        const auto v = static_cast<Color>(grayLevel(p));
        p = keepAlpha(p, v * 0x010101u);
    }
}

}  // namespace vd
