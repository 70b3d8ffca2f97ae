#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

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
//
// Copies share their pixels until one of them is written: every non-const access to the
// pixels first gives the image a buffer of its own. So a copy costs nothing until it is
// changed, and an undo step taken before a command that then fails costs no memory. A pointer
// or span obtained from a non-const access stays valid only until the image is next copied.
class Image {
public:
    Image() = default;
    // Throws std::invalid_argument for a size that is not allowed or a depth other than 24
    // or 32, and std::bad_alloc when memory runs out.
    Image(int width, int height, int depth, Color fill = 0);
    // Pixels left as they come from the allocator: for producers that write every pixel,
    // alpha included, so the buffer is touched once. Throws as the constructor does.
    static Image unfilled(int width, int height, int depth);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    bool hasAlpha() const { return depth_ == 32; }
    bool empty() const { return count_ == 0; }
    std::size_t pixelCount() const { return count_; }

    Color* row(int y) { return ownPixels() + static_cast<std::size_t>(y) * width_; }
    const Color* row(int y) const { return data() + static_cast<std::size_t>(y) * width_; }
    Color& at(int x, int y) { return row(y)[x]; }
    Color at(int x, int y) const { return row(y)[x]; }
    std::span<Color> pixels() { return {ownPixels(), count_}; }
    std::span<const Color> pixels() const { return {data(), count_}; }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // True when both images use the same buffer (neither has been written since one was
    // copied from the other).
    bool sharesPixelsWith(const Image& other) const {
        return buffer_ != nullptr && buffer_ == other.buffer_;
    }

    // Changes the depth; going to 24 bits makes every pixel opaque.
    void setDepth(int depth);

    bool operator==(const Image& other) const;

private:
    struct Uninitialized {};
    Image(int width, int height, int depth, Uninitialized);
    const Color* data() const { return buffer_.get(); }
    // The buffer, after making sure no other image uses it. Throws std::bad_alloc.
    Color* ownPixels();

    int width_ = 0;
    int height_ = 0;
    int depth_ = 24;
    std::size_t count_ = 0;
    std::shared_ptr<Color> buffer_;
};

// Copy of the w x h region at (x, y), clipped to the image; pixels outside stay `fill`.
Image cropImage(const Image& source, int x, int y, int w, int h, Color fill = 0);

}  // namespace vd
