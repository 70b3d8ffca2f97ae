#pragma once

#include "platform/image/image.h"

namespace vd {

// Every colour byte becomes 255 minus its value; alpha stays as it was.
void negative(Image& image);

// The gray level of a colour: (2 red + 4 green + blue) / 7, truncated. Two Colors compares
// the same level with its threshold.
constexpr int grayLevel(Color c) {
    return (2 * redOf(c) + 4 * greenOf(c) + blueOf(c)) / 7;
}

// Every pixel becomes the gray of its gray level; alpha stays as it was.
void grayScale(Image& image);

}  // namespace vd
