#include "adjust/resize_ops.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "platform/image/resize.h"

namespace vd {

namespace {

// Rounds half to even; a side typed with absurdly many digits saturates instead of
// overflowing the conversion.
long long roundSide(double value) {
    constexpr double kLargest = 1e18;
    if (!(value < kLargest)) return static_cast<long long>(kLargest);
    if (value < 0) return 0;
    return static_cast<long long>(std::nearbyint(value));
}

int clampResizeSide(int side) {
    return std::clamp(side, kSmallestResizeSide, kLargestResizeSide);
}

// Offset of the picture along one axis for the cell's column (or row) 0, 1 or 2. The
// centre half is C++ integer division, truncating toward zero, so a picture one pixel
// wider than the canvas still sits at 0 there.
int placementOffset(int index, int canvas, int picture) {
    switch (index) {
        case 0:
            return 0;
        case 1:
            return (canvas - picture) / 2;
        default:
            return canvas - picture;
    }
}

}  // namespace

float aspectRatio(int width, int height) {
    return static_cast<float>(height) / static_cast<float>(width);
}

long long coupledHeight(long long width, float ratio) {
    return roundSide(static_cast<double>(width) * static_cast<double>(ratio));
}

long long coupledWidth(long long height, float ratio) {
    return roundSide(static_cast<double>(height) / static_cast<double>(ratio));
}

Image resizeImage(const Image& source, int width, int height) {
    if (source.empty()) return Image();
    return resizeSmooth(source, clampResizeSide(width), clampResizeSide(height));
}

CanvasPlacement canvasPlacement(int pictureWidth, int pictureHeight, int width, int height,
                                int cell) {
    // Cells are 1..9 row by row; callers check the number they were given.
    assert(cell >= 1 && cell <= 9);
    CanvasPlacement placement;
    placement.width = std::min(std::max(width, pictureWidth), kLargestResizeSide);
    placement.height = std::min(std::max(height, pictureHeight), kLargestResizeSide);
    const int column = (cell - 1) % 3, row = (cell - 1) / 3;
    placement.x = placementOffset(column, placement.width, pictureWidth);
    placement.y = placementOffset(row, placement.height, pictureHeight);
    return placement;
}

Image resizeCanvas(const Image& source, int width, int height, int cell, Color background) {
    if (source.empty()) return Image();
    const CanvasPlacement at =
        canvasPlacement(source.width(), source.height(), width, height, cell);
    Image canvas(at.width, at.height, 32, background | kAlphaMask);
    // The part of the picture that lands on the canvas, copied with all four bytes (a 24-bit
    // picture brings its opaque alpha along).
    const int x0 = std::max(at.x, 0), x1 = std::min(at.x + source.width(), at.width);
    const int y0 = std::max(at.y, 0), y1 = std::min(at.y + source.height(), at.height);
    for (int y = y0; y < y1; ++y) {
        const Color* from = source.row(y - at.y) + (x0 - at.x);
        std::copy(from, from + (x1 - x0), canvas.row(y) + x0);
    }
    return canvas;
}

}  // namespace vd
