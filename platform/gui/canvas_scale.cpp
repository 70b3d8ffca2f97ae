#include "platform/gui/canvas_scale.h"

#include <algorithm>
#include <cmath>

namespace vd::gui {

namespace {
// Scales such as 1/3 are not exact in binary: a product that should be whole may land a hair
// below it. Pictures are at most 32768 pixels a side, far above this slack's reach.
constexpr double kSlack = 1e-7;

int floorOf(double value) {
    return static_cast<int>(std::floor(value + kSlack));
}
int ceilOf(double value) {
    return static_cast<int>(std::ceil(value - kSlack));
}
}  // namespace

int displayedLength(int pixels, double scale) {
    return std::max(1, ceilOf(pixels * scale));
}

int pixelAt(int at, int pixels, int length, double scale) {
    if (scale >= 1.0) return floorOf(at / scale);
    if (at < 0) return floorOf(at / scale);
    if (at >= length) return pixels + floorOf((at - length) / scale);
    if (at == 0) return 0;
    if (at == length - 1) return pixels - 1;
    return std::min(pixels - 1, floorOf((at + 0.5) / scale));
}

int displayedStart(int pixel, double scale) {
    return floorOf(pixel * scale);
}

int displayedEnd(int pixel, double scale) {
    return std::max(displayedStart(pixel, scale) + 1, ceilOf((pixel + 1) * scale));
}

int displayedCentre(int pixel, double scale) {
    return floorOf((pixel + 0.5) * scale);
}

}  // namespace vd::gui
