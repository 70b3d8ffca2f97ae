#include "adjust/two_colors.h"

#include <vector>

#include "adjust/color_ops.h"
#include "quantize/ordered_dither.h"

namespace vd {

namespace {

// The two choices as colour bytes only: a write keeps the pixel's own alpha, whatever the
// top byte of the chosen colour holds.
struct TwoColorChoice {
    int threshold;
    Color below, rest;

    Color write(Color pixel, bool isBelow) const {
        return (pixel & kAlphaMask) | (isBelow ? below : rest);
    }
};

void thresholdPlain(Image& image, const TwoColorChoice& choice) {
    for (Color& p : image.pixels())
        p = choice.write(p, grayLevel(p) < choice.threshold);
}

void thresholdOrdered(Image& image, const TwoColorChoice& choice) {
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        Color* row = image.row(y);
        for (int x = 0; x < w; ++x) {
            const int v = grayLevel(ditherColor(row[x] & kRgbMask, x, y));
            row[x] = choice.write(row[x], v < choice.threshold);
        }
    }
}

// Error diffusion with one row of errors for the whole image: errors[x + 1] holds what the
// row above passes down to column x. A quarter of a pixel's error goes right, an eighth
// below and an eighth below-left; an error past black or white is dropped.
void thresholdSierraLite(Image& image, const TwoColorChoice& choice) {
    const int w = image.width();
    std::vector<int> errors(static_cast<std::size_t>(w) + 1, 0);
    std::vector<int> levels(static_cast<std::size_t>(w));
    for (int y = 0; y < image.height(); ++y) {
        Color* row = image.row(y);
        // The gray levels first, in a loop the compiler can vectorise; the diffusion below
        // is a chain from pixel to pixel.
        for (int x = 0; x < w; ++x)
            levels[x] = grayLevel(row[x]);
        int carry = 0;
        for (int x = 0; x < w; ++x) {
            carry += errors[x + 1];
            const int v = levels[x] + carry;
            const bool isBelow = v < choice.threshold;
            int error;
            if (isBelow) {
                error = v < 0 ? 0 : v;
            } else {
                error = v > 255 ? 0 : v - 255;
            }
            carry = error >> 2;  // arithmetic: rounds toward minus infinity
            errors[x + 1] = carry >> 1;
            errors[x] += errors[x + 1];
            row[x] = choice.write(row[x], isBelow);
        }
    }
}

}  // namespace

void twoColors(Image& image, const TwoColorsSettings& settings) {
    const TwoColorChoice choice{settings.threshold, settings.color1 & kRgbMask,
                                settings.color2 & kRgbMask};
    switch (settings.dither) {
        case TwoColorsDither::None:
            thresholdPlain(image, choice);
            break;
        case TwoColorsDither::Ordered:
            thresholdOrdered(image, choice);
            break;
        case TwoColorsDither::SierraLite:
            thresholdSierraLite(image, choice);
            break;
    }
}

}  // namespace vd
