#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/image/image.h"

namespace vd::kmeans {

// How much an error in each channel counts. Green carries most of the lightness the eye
// sees, so it counts most; the figures follow the engine's red-mean distance at mid red
// (1280 : 2048 : 1280), which is also what the final mapping measures.
struct ChannelWeights {
    float red = 1.25f, green = 2.0f, blue = 1.25f;
};

// The picture's colours as weighted points in a space where the plain squared distance is
// the weighted colour error: each channel is scaled by the square root of its weight.
// Stored channel by channel, so distance loops vectorise.
struct ColorPoints {
    std::vector<float> x, y, z;           // scaled red, green, blue
    std::vector<float> weight;            // see pointWeight()
    std::array<float, 3> scale{1, 1, 1};  // sqrt of the channel weights

    std::size_t size() const { return weight.size(); }
};

// The colours of `image` (alpha ignored), weighted by their pixel counts. Up to
// kMostExactColors distinct colours every colour is a point of its own; a picture with more
// (a big photograph has a million) gives one point per occupied cell of 4 x 4 x 4 values,
// at the mean of its pixels, which keeps the work in proportion to the cells and not to the
// colours; of a picture over 3 MP, the cells then see a regular sample of its pixels.
// Points come in the order of their colour, so the result does not depend on how the
// picture was scanned.
inline constexpr int kMostExactColors = 1 << 17;
ColorPoints colorPointsOf(const Image& image, ChannelWeights weights = {});

// A point's weight is its pixel count raised to a power a little over one. Squared error
// alone spreads colours towards rare outliers; the mean colour difference a viewer sees is
// lowered more by serving the colours that many pixels share, and this exponent trades a
// few hundredths of a dB of PSNR for that.
float pointWeight(std::uint32_t pixels);

// A scaled point back to a colour, each channel rounded to the nearest value in 0..255.
Color colorOfPoint(const std::array<float, 3>& scale, float x, float y, float z);

}  // namespace vd::kmeans
