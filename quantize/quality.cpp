#include "quantize/quality.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace vd {

namespace {

constexpr double kPi = std::numbers::pi;

double radians(double degrees) { return degrees * kPi / 180.0; }
double degrees(double radians) { return radians * 180.0 / kPi; }

// sRGB byte to linear light, once for all 256 values.
const std::array<double, 256>& linearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            t[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

double labF(double t) {
    constexpr double kEpsilon = 216.0 / 24389.0;
    constexpr double kKappa = 24389.0 / 27.0;
    return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}

// The hue angle in degrees, 0..360; 0 where a and b are both 0.
double hueAngle(double b, double a) {
    if (a == 0 && b == 0) return 0;
    const double h = degrees(std::atan2(b, a));
    return h < 0 ? h + 360.0 : h;
}

double squaredColourDifference(Color x, Color y) {
    double sum = 0;
    for (int d : {redOf(x) - redOf(y), greenOf(x) - greenOf(y), blueOf(x) - blueOf(y)})
        sum += static_cast<double>(d) * d;
    return sum;
}

double psnrOf(double squaredSum, std::size_t pixels) {
    if (squaredSum == 0) return std::numeric_limits<double>::infinity();
    const double mse = squaredSum / (3.0 * static_cast<double>(pixels));
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// One colour channel of a picture as floats, blurred by a separable Gaussian kernel.
std::vector<float> blurredChannel(const Image& image, int shift, const std::vector<float>& kernel) {
    const int w = image.width(), h = image.height();
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<float> across(static_cast<std::size_t>(w) * h), result(across.size());
    for (int y = 0; y < h; ++y) {
        const Color* row = image.row(y);
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int at = std::clamp(x + k, 0, w - 1);
                sum += kernel[k + radius] * static_cast<float>((row[at] >> shift) & 0xFF);
            }
            across[static_cast<std::size_t>(y) * w + x] = sum;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int at = std::clamp(y + k, 0, h - 1);
                sum += kernel[k + radius] * across[static_cast<std::size_t>(at) * w + x];
            }
            result[static_cast<std::size_t>(y) * w + x] = sum;
        }
    }
    return result;
}

// Three sigmas each side, normalised to a sum of one.
std::vector<float> gaussianKernel(double sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
    std::vector<float> kernel(2 * radius + 1);
    double total = 0;
    for (int k = -radius; k <= radius; ++k) total += std::exp(-k * k / (2 * sigma * sigma));
    for (int k = -radius; k <= radius; ++k)
        kernel[k + radius] = static_cast<float>(std::exp(-k * k / (2 * sigma * sigma)) / total);
    return kernel;
}

}  // namespace

Lab labOf(Color c) {
    const auto& linear = linearTable();
    const double r = linear[redOf(c)], g = linear[greenOf(c)], b = linear[blueOf(c)];
    // sRGB primaries to XYZ, relative to the D65 white point.
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labF(x), fy = labF(y), fz = labF(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double ciede2000(const Lab& first, const Lab& second) {
    const double c1 = std::hypot(first.a, first.b), c2 = std::hypot(second.a, second.b);
    const double meanC7 = std::pow((c1 + c2) / 2.0, 7.0);
    const double g = 0.5 * (1.0 - std::sqrt(meanC7 / (meanC7 + std::pow(25.0, 7.0))));
    const double a1 = (1.0 + g) * first.a, a2 = (1.0 + g) * second.a;
    const double cp1 = std::hypot(a1, first.b), cp2 = std::hypot(a2, second.b);
    const double hp1 = hueAngle(first.b, a1), hp2 = hueAngle(second.b, a2);

    const double dL = second.L - first.L;
    const double dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = hp2 - hp1;
        if (dh > 180) dh -= 360;
        if (dh < -180) dh += 360;
    }
    const double dH = 2.0 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2.0));

    const double meanL = (first.L + second.L) / 2.0;
    const double meanCp = (cp1 + cp2) / 2.0;
    double meanH = hp1 + hp2;
    if (cp1 * cp2 != 0) {
        if (std::abs(hp1 - hp2) <= 180) {
            meanH /= 2.0;
        } else {
            meanH = meanH < 360 ? (meanH + 360) / 2.0 : (meanH - 360) / 2.0;
        }
    }
    const double t = 1.0 - 0.17 * std::cos(radians(meanH - 30)) +
                     0.24 * std::cos(radians(2 * meanH)) +
                     0.32 * std::cos(radians(3 * meanH + 6)) -
                     0.20 * std::cos(radians(4 * meanH - 63));
    const double dTheta = 30.0 * std::exp(-std::pow((meanH - 275.0) / 25.0, 2.0));
    const double meanCp7 = std::pow(meanCp, 7.0);
    const double rc = 2.0 * std::sqrt(meanCp7 / (meanCp7 + std::pow(25.0, 7.0)));
    const double lOffset = (meanL - 50.0) * (meanL - 50.0);
    const double sl = 1.0 + 0.015 * lOffset / std::sqrt(20.0 + lOffset);
    const double sc = 1.0 + 0.045 * meanCp;
    const double sh = 1.0 + 0.015 * meanCp * t;
    const double rt = -std::sin(radians(2.0 * dTheta)) * rc;
    const double l = dL / sl, c = dC / sc, h = dH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

double psnr(const Image& first, const Image& second) {
    double sum = 0;
    const auto a = first.pixels(), b = second.pixels();
    for (std::size_t i = 0; i < a.size(); ++i) sum += squaredColourDifference(a[i], b[i]);
    return psnrOf(sum, a.size());
}

double blurredPsnr(const Image& first, const Image& second, double sigma) {
    const std::vector<float> kernel = gaussianKernel(sigma);
    double sum = 0;
    for (int shift : {0, 8, 16}) {
        const std::vector<float> a = blurredChannel(first, shift, kernel);
        const std::vector<float> b = blurredChannel(second, shift, kernel);
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double d = static_cast<double>(a[i]) - b[i];
            sum += d * d;
        }
    }
    return psnrOf(sum, first.pixelCount());
}

Quality compareQuality(const Image& first, const Image& second) {
    Quality q;
    const auto a = first.pixels(), b = second.pixels();
    // Neighbouring pixels often repeat a pair of colours: a small direct-mapped table keeps
    // the last difference computed for each slot.
    struct Known {
        std::uint64_t key = ~std::uint64_t{0};
        double deltaE = 0;
    };
    std::vector<Known> known(std::size_t{1} << 16);
    double squaredSum = 0, deltaSum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Color x = a[i] & kRgbMask, y = b[i] & kRgbMask;
        if (x == y) continue;
        ++q.differingPixels;
        squaredSum += squaredColourDifference(x, y);
        const std::uint64_t key = (std::uint64_t{x} << 32) | y;
        Known& slot = known[(key * 0x9E3779B97F4A7C15ull) >> 48];
        if (slot.key != key) slot = {key, ciede2000(labOf(x), labOf(y))};
        deltaSum += slot.deltaE;
        q.maxDeltaE = std::max(q.maxDeltaE, slot.deltaE);
    }
    q.psnr = psnrOf(squaredSum, a.size());
    q.meanDeltaE = a.empty() ? 0 : deltaSum / static_cast<double>(a.size());
    q.blurredPsnr = q.differingPixels == 0 ? psnrOf(0, a.size()) : blurredPsnr(first, second);
    return q;
}

}  // namespace vd
