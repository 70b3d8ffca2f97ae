#pragma once

// How far a reduced picture is from the one it came from: PSNR over the colour bytes and the
// CIEDE2000 colour difference (Sharma, Wu and Dalal's formulation) of every pixel pair.

#include <cstdint>

#include "platform/image/image.h"

namespace vd {

// CIE L*a*b* under D65.
struct Lab {
    double L = 0, a = 0, b = 0;
};

// The colour bytes of `c` read as sRGB.
Lab labOf(Color c);
double ciede2000(const Lab& first, const Lab& second);

// Over the red, green and blue bytes of every pixel, 10 log10(255^2 / MSE) dB; infinity for
// equal pictures. The pictures must have the same size.
double psnr(const Image& first, const Image& second);

// PSNR of the two pictures after a Gaussian blur of `sigma` pixels (edges repeated): how far
// apart they look from a distance at which a dither pattern merges into its mean colour.
double blurredPsnr(const Image& first, const Image& second, double sigma = 1.0);

struct Quality {
    double psnr = 0;
    double meanDeltaE = 0;
    double maxDeltaE = 0;
    double blurredPsnr = 0;  // after a blur of 1 pixel
    std::int64_t differingPixels = 0;  // pixels whose colour bytes differ
};

// All figures at once; the pictures must have the same size.
Quality compareQuality(const Image& first, const Image& second);

}  // namespace vd
