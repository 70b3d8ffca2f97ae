#include "platform/image/image.h"

#include <algorithm>
#include <stdexcept>

namespace vd {

bool sizeIsAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

Image::Image(int width, int height, int depth, Color fill) {
    if (!sizeIsAllowed(width, height)) throw std::invalid_argument("image size not allowed");
    if (depth != 24 && depth != 32) throw std::invalid_argument("image depth must be 24 or 32");
    width_ = width;
    height_ = height;
    depth_ = depth;
    if (depth == 24) fill |= kAlphaMask;
    pixels_.assign(static_cast<std::size_t>(width) * height, fill);
}

void Image::setDepth(int depth) {
    if (depth != 24 && depth != 32) throw std::invalid_argument("image depth must be 24 or 32");
    depth_ = depth;
    if (depth == 24) {
        for (Color& p : pixels_) p |= kAlphaMask;
    }
}

Image cropImage(const Image& source, int x, int y, int w, int h, Color fill) {
    Image result(w, h, source.depth(), fill);
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, source.width()), y1 = std::min(y + h, source.height());
    for (int sy = y0; sy < y1; ++sy) {
        std::copy(source.row(sy) + x0, source.row(sy) + x1, result.row(sy - y) + (x0 - x));
    }
    return result;
}

}  // namespace vd
