#include "platform/image/image.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace vd {

bool sizeIsAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

namespace {

std::shared_ptr<Color> allocateColors(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(Color)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(Color);
    return {static_cast<Color*>(allocatePixels(bytes)),
            [bytes](Color* pointer) { freePixels(pointer, bytes); }};
}

void checkDepth(int depth) {
    if (depth != 24 && depth != 32) throw std::invalid_argument("image depth must be 24 or 32");
}

}  // namespace

Image::Image(int width, int height, int depth, Uninitialized) {
    if (!sizeIsAllowed(width, height)) throw std::invalid_argument("image size not allowed");
    checkDepth(depth);
    count_ = static_cast<std::size_t>(width) * height;
    buffer_ = allocateColors(count_);
    width_ = width;
    height_ = height;
    depth_ = depth;
}

Image::Image(int width, int height, int depth, Color fill)
    : Image(width, height, depth, Uninitialized{}) {
    if (depth == 24) fill |= kAlphaMask;
    std::fill_n(buffer_.get(), count_, fill);
}

Image Image::unfilled(int width, int height, int depth) {
    return Image(width, height, depth, Uninitialized{});
}

Color* Image::ownPixels() {
    if (buffer_ && buffer_.use_count() > 1) {
        std::shared_ptr<Color> own = allocateColors(count_);
        std::copy_n(buffer_.get(), count_, own.get());
        buffer_ = std::move(own);
    }
    return buffer_.get();
}

void Image::setDepth(int depth) {
    checkDepth(depth);
    if (depth == 24) {
        for (Color& p : pixels()) p |= kAlphaMask;
    }
    depth_ = depth;
}

bool Image::operator==(const Image& other) const {
    if (width_ != other.width_ || height_ != other.height_ || depth_ != other.depth_) return false;
    return sharesPixelsWith(other) || std::equal(data(), data() + count_, other.data());
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
