#pragma once

#include "platform/image/image.h"

namespace vd {

// The sides the resize and New image dialogs accept.
constexpr int kSmallestResizeSide = 16;
constexpr int kLargestResizeSide = 4096;

// The aspect coupling of the resize dialogs: q = height / width in single precision; the
// other side is the product (or quotient) in double from that float, rounded half to even.
float aspectRatio(int width, int height);
long long coupledHeight(long long width, float ratio);
long long coupledWidth(long long height, float ratio);

// Resize image: the typed sides clamped to 16..4096, then a smooth resample. Keeps depth.
Image resizeImage(const Image& source, int width, int height);

// Where resize canvas puts the old picture: the new canvas size (never below the picture,
// at most 4096 a side) and the picture's top-left corner for cell 1..9 (row by row from the
// top-left); the halves truncate toward zero, so the offset may be negative. The caller
// checks the cell: another number is a programming error (asserted in debug builds).
struct CanvasPlacement {
    int width = 0, height = 0;
    int x = 0, y = 0;
};
CanvasPlacement canvasPlacement(int pictureWidth, int pictureHeight, int width, int height,
                                int cell);

// Resize canvas: a new opaque 32-bit image of the placement's size filled with the
// background, with `source` copied unchanged (alpha included) at the placement's offset.
Image resizeCanvas(const Image& source, int width, int height, int cell, Color background);

}  // namespace vd
