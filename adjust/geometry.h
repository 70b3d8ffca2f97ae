#pragma once

#include "platform/image/image.h"

namespace vd {

// Top and bottom exchanged; alpha moves with its pixel.
void flip(Image& image);
// Left and right exchanged; alpha moves with its pixel.
void mirror(Image& image);
// Half turn of the colours only: on a 32-bit image the alpha channel stays where it is,
// because the command exchanges pixels through default-mode reads and writes.
void rotate180(Image& image);

// Turns a square image a quarter in place by cycles of four pixels, all four bytes moving:
// clockwise new(x, y) = old(y, S - 1 - x), counter-clockwise new(x, y) = old(S - 1 - y, x).
void turnSquare(Image& square, bool clockwise);

// A quarter turn of `source` (H x W from W x H), clockwise or counter-clockwise, made by
// turning a max(W, H) square that holds the picture at its top-left corner and cutting the
// result out of it. Keeps the depth; alpha turns with the colours.
Image rotateQuarter(const Image& source, bool clockwise);

// The part of `source` from (left, top) to (right, bottom), both corners included, clipped
// to the image. An empty image when nothing of the rectangle lies on the picture.
Image cropToSelection(const Image& source, int left, int top, int right, int bottom);

}  // namespace vd
