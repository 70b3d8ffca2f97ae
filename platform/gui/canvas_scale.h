#pragma once

// How a canvas of some pixels is shown at a scale. Above 1 a pixel is a square of `scale`
// screen pixels (the scales there are whole numbers); below 1 one screen pixel shows a block
// of canvas pixels. The mapping works one axis at a time and also answers for positions off
// the canvas, so a drag that leaves it still reads as outside.

namespace vd::gui {

// The screen length of `pixels` canvas pixels: every canvas pixel shows on at least part of a
// screen pixel.
int displayedLength(int pixels, double scale);

// The canvas pixel under screen position `at` of a canvas `pixels` long shown `length` long.
// Below 1 it is the middle of the block, except that the first and last screen pixels give
// the first and last canvas pixels, so a drag from edge to edge takes in the whole canvas.
int pixelAt(int at, int pixels, int length, double scale);

// The first screen position showing canvas pixel `pixel`, and one past the last.
int displayedStart(int pixel, double scale);
int displayedEnd(int pixel, double scale);

// The screen position at the middle of canvas pixel `pixel`.
int displayedCentre(int pixel, double scale);

}  // namespace vd::gui
