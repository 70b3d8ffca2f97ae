#include "quantize/neuquant.h"

#include <algorithm>
#include <cstdlib>

#include "quantize/neuquant_search.h"
#include "quantize/neuquant_trainer.h"
#include "quantize/ordered_dither.h"

namespace vd {

namespace {

constexpr int kInitialAlpha = 1024;
constexpr int kAlphaDecrease = 33;
constexpr int kInitialRadius = 2048;  // 32 neurons in 1/64 units
constexpr int kRadiusDecrease = 15;
constexpr int kRadiusShift = 6;
constexpr int kSamplingFactor = 10;
constexpr int kTrainingCycles = 100;

// A radius of one neuron or less moves no neighbours at all.
int radFromRadius(int radius) {
    const int rad = radius >> kRadiusShift;
    return rad <= 1 ? 0 : rad;
}

}  // namespace

NeuQuantSamplingPlan neuQuantSamplingPlan(std::int64_t pixelCount) {
    NeuQuantSamplingPlan plan;
    if (pixelCount <= 0) return plan;
    const std::int64_t n = pixelCount;
    plan.samples = static_cast<int>(n / kSamplingFactor);
    plan.delta = plan.samples / kTrainingCycles;
    if (n % 499 != 0) {
        if (n > 499) {
            plan.stride = 499;
        } else {
            // Small images train on every pixel once; 7 keeps the order from being a plain
            // scan, but is used even when it divides the pixel count.
            plan.samples = static_cast<int>(n);
            plan.delta = plan.samples / kTrainingCycles;
            plan.stride = n > 7 ? 7 : 1;
        }
    } else if (n % 491 != 0) {
        plan.stride = 491;
    } else if (n % 487 != 0) {
        plan.stride = 487;
    } else {
        plan.stride = 503;
    }
    return plan;
}

void initNetwork(NeuQuantWorkArea& area) {
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        area.neurons[i] = NeuQuantNeuron{i << 4, i << 4, i << 4, 0};
        area.freq[i] = 256;
        area.bias[i] = 0;
    }
}

void setRadPower(NeuQuantWorkArea& area, int alpha, int rad) {
    rad = std::clamp(rad, 0, kNeuQuantMaxRad);
    const std::int64_t rad2 = static_cast<std::int64_t>(rad) * rad;
    for (int m = 0; m < rad; ++m) {
        area.radPower[m] = static_cast<std::int32_t>(alpha * (rad2 - m * m) * 256 / rad2);
    }
}

void learnNetwork(NeuQuantWorkArea& area, const Image& image, NeuQuantSimd simd) {
    const std::int64_t n = static_cast<std::int64_t>(image.pixelCount());
    const NeuQuantSamplingPlan plan = neuQuantSamplingPlan(n);
    if (plan.samples == 0) return;

    neuquant_internal::NeuQuantTrainer trainer(area, simd);
    int alpha = kInitialAlpha;
    int radius = kInitialRadius;
    int rad = radFromRadius(radius);
    setRadPower(area, alpha, rad);
    trainer.setNeighbourWeights(rad);

    const Color* pixels = image.pixels().data();
    std::int64_t p = 0;
    int sinceUpdate = 0;
    for (int s = 0; s < plan.samples; ++s) {
        trainer.train(alpha, pixels[p]);
        p += plan.stride;  // the stride never exceeds the pixel count
        if (p >= n) p -= n;
        if (++sinceUpdate == plan.delta) {
            sinceUpdate = 0;
            alpha -= alpha / kAlphaDecrease;
            radius -= radius / kRadiusDecrease;
            rad = radFromRadius(radius);
            setRadPower(area, alpha, rad);
            trainer.setNeighbourWeights(rad);
        }
    }
    trainer.storeNeurons();
}

void trainSample(NeuQuantWorkArea& area, int alpha, int rad, Color c, NeuQuantSimd simd) {
    neuquant_internal::NeuQuantTrainer trainer(area, simd);
    trainer.setNeighbourWeights(rad);
    trainer.train(alpha, c);
    trainer.storeNeurons();
}

void finishNetwork(NeuQuantWorkArea& area, std::array<Color, kNeuQuantNetSize>& palette) {
    auto toLevel = [](std::int32_t v) { return std::min(255, (v + 8) >> 4); };
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        NeuQuantNeuron& n = area.neurons[i];
        n = NeuQuantNeuron{toLevel(n.red), toLevel(n.green), toLevel(n.blue), i};
        palette[i] = makeColor(n.red, n.green, n.blue, 255);
    }
}

namespace {

int positionOfSmallestGreen(const NeuQuantWorkArea& area, int from) {
    int best = from;
    for (int k = from + 1; k < kNeuQuantNetSize; ++k) {
        if (area.neurons[k].green < area.neurons[best].green) best = k;
    }
    return best;
}

}  // namespace

void buildNetIndex(NeuQuantWorkArea& area) {
    int previous = 0;
    int start = 0;
    for (int i = 0; i < kNeuQuantNetSize; ++i) {
        const int s = positionOfSmallestGreen(area, i);
        if (s != i) std::swap(area.neurons[i], area.neurons[s]);
        const int v = area.neurons[i].green;
        if (v != previous) {
            area.netIndex[previous] = (start + i) / 2;
            for (int g = previous + 1; g < v; ++g)
                area.netIndex[g] = i;
            previous = v;
            start = i;
        }
    }
    area.netIndex[previous] = (start + kNeuQuantNetSize - 1) / 2;
    for (int g = previous + 1; g < kNeuQuantNetSize; ++g)
        area.netIndex[g] = kNeuQuantNetSize - 1;
}

int searchNetwork(const NeuQuantWorkArea& area, Color c) {
    return neuquant_internal::walkSearch(area, c);
}

void mapToNetwork(Image& work, bool dither, const NeuQuantWorkArea& area,
                  const std::array<Color, kNeuQuantNetSize>& palette, NeuQuantSimd simd) {
    neuquant_internal::NearestNeuronFinder finder(area, simd);
    for (int y = 0; y < work.height(); ++y) {
        Color* row = work.row(y);
        for (int x = 0; x < work.width(); ++x) {
            const Color plain = row[x] & kRgbMask;
            const Color c = dither ? ditherColor(plain, x, y) : plain;
            row[x] = keepAlpha(row[x], palette[finder.find(c)]);
        }
    }
}

void quantizeNeuQuant(Image& work, bool dither, NeuQuantWorkArea& area) {
    if (work.empty()) return;
    initNetwork(area);
    learnNetwork(area, work);
    std::array<Color, kNeuQuantNetSize> palette;
    finishNetwork(area, palette);
    buildNetIndex(area);
    mapToNetwork(work, dither, area, palette);
}

}  // namespace vd
