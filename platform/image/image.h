#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/image/color.h"
#include "platform/image/pixel_buffer.h"

namespace vd {

// Largest picture the program creates or decodes: 100 megapixels and 32768 pixels a side.
// A 100 MP image takes 400 MB, and the program holds several copies of it.
constexpr std::int64_t kMaxImagePixels = 100'000'000;
constexpr int kMaxImageSide = 32768;

// True when a picture of this size may be created.
bool sizeIsAllowed(std::int64_t width, std::int64_t height);

// A picture of 24 or 32 bits: a contiguous row-major buffer of Color. A 24-bit image keeps
// its alpha bytes at 255.
class Image {
public:
    Image() = default;
    // Throws std::invalid_argument for a size that is not allowed or a depth other than 24
    // or 32, and std::bad_alloc when memory runs out.
    Image(int width, int height, int depth, Color fill = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    bool hasAlpha() const { return depth_ == 32; }
    bool empty() const { return pixels_.empty(); }
    std::size_t pixelCount() const { return pixels_.size(); }

    Color* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const Color* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    Color& at(int x, int y) { return row(y)[x]; }
    Color at(int x, int y) const { return row(y)[x]; }
    std::span<Color> pixels() { return pixels_; }
    std::span<const Color> pixels() const { return pixels_; }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Changes the depth; going to 24 bits makes every pixel opaque.
    void setDepth(int depth);

    bool operator==(const Image& other) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    int depth_ = 24;
    std::vector<Color, PixelAllocator<Color>> pixels_;
};

// Copy of the w x h region at (x, y), clipped to the image; pixels outside stay `fill`.
Image cropImage(const Image& source, int x, int y, int w, int h, Color fill = 0);

}  // namespace vd
