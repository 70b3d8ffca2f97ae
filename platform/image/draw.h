#pragma once

#include "platform/image/image.h"

namespace vd {

// How a drawing target writes and reads pixels.
enum class DrawMode {
    Default,      // read gives the colour with 0 in the top byte; write keeps the pixel's alpha
    AllChannels,  // read and write all four bytes
    Xor,          // each drawn pixel is XORed with the colour (colour bytes only)
    AlphaBlend,   // a drawn colour with alpha a is mixed over the pixel with weight a/255
};

// A drawing target opened on an image. Everything drawn is clipped to the image.
class DrawTarget {
public:
    explicit DrawTarget(Image& image, DrawMode mode = DrawMode::Default)
        : image_(image), mode_(mode) {}

    void setMode(DrawMode mode) { mode_ = mode; }
    DrawMode mode() const { return mode_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    // 0 outside the image.
    Color readPixel(int x, int y) const;
    void writePixel(int x, int y, Color c);
    void line(int x1, int y1, int x2, int y2, Color c);
    void filledBox(int x, int y, int w, int h, Color c);
    void filledCircle(int cx, int cy, int radius, Color c);
    // Fills the 4-connected area around (x, y) bounded by `outline`, with `fill`.
    void floodFill(int x, int y, Color outline, Color fill);
    // Plain copy of `source` with its top-left corner at (x, y), alpha included.
    void drawImage(const Image& source, int x, int y);
    // `source` mixed over the target by its own alpha at opacity 255.
    void drawImageBlended(const Image& source, int x, int y);

private:
    Image& image_;
    DrawMode mode_;
};

}  // namespace vd
