#pragma once

#include <vector>

#include "quantize/kmeans/color_points.h"

namespace vd::kmeans {

// A centre in the scaled space of ColorPoints.
struct Centre {
    float x = 0, y = 0, z = 0;
};

// The starting palette: Wu's variance-minimising split of colour space. The box whose colours
// spread most is cut, on the axis and at the place that leaves the two halves with the least
// squared error, until there are `count` boxes or no box can be cut; each box gives the mean
// of its colours. Works on a grid of 32 values a side, so it may return fewer centres than
// asked for when the colours crowd into few grid cells.
std::vector<Centre> splitBoxes(const ColorPoints& points, int count);

}  // namespace vd::kmeans
