#pragma once

// A deliberately plain NeuQuant written straight from the rules, one neuron and one
// component at a time, with no vectors, no column copy and no cache. The tests hold the
// fast code to it bit for bit.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#include "platform/image/image.h"
#include "quantize/ordered_dither.h"

namespace vd::test::reference {

struct Network {
    int neuron[256][4];  // red, green, blue, then the pre-sort position after finishing
    int freq[256];
    int bias[256];
    int netIndex[256];
    int radPower[32];
};

inline void initNetwork(Network& net) {
    for (int i = 0; i < 256; i++) {
        net.neuron[i][0] = 16 * i;
        net.neuron[i][1] = 16 * i;
        net.neuron[i][2] = 16 * i;
        net.neuron[i][3] = 0;
        net.freq[i] = 256;
        net.bias[i] = 0;
    }
}

inline void computeRadPower(Network& net, int alpha, int rad) {
    for (int m = 0; m < rad; m++) {
        net.radPower[m] = (alpha * (rad * rad - m * m) * 256) / (rad * rad);
    }
}

// (prod + s) >> shift with s = 1 for a negative product; >> on a negative int is
// arithmetic in C++20.
inline int roundedShift(int prod, int shift) {
    int s = 0;
    if (prod < 0) s = 1;
    return (prod + s) >> shift;
}

inline void trainSample(Network& net, int alpha, int rad, Color c) {
    const int sample[3] = {16 * redOf(c), 16 * greenOf(c), 16 * blueOf(c)};
    int bestd = INT_MAX;
    int bestbiasd = INT_MAX;
    int bestpos = -1;
    int bestbiaspos = -1;
    for (int i = 0; i < 256; i++) {
        int dist = 0;
        for (int k = 0; k < 3; k++)
            dist += std::abs(net.neuron[i][k] - sample[k]);
        if (dist < bestd) {
            bestd = dist;
            bestpos = i;
        }
        const int biasdist = dist - (net.bias[i] >> 12);
        if (biasdist < bestbiasd) {
            bestbiasd = biasdist;
            bestbiaspos = i;
        }
        const int betafreq = net.freq[i] >> 10;
        net.freq[i] -= betafreq;
        net.bias[i] += betafreq << 10;
    }
    net.freq[bestpos] += 64;
    net.bias[bestpos] -= 65536;

    const int j = bestbiaspos;
    for (int k = 0; k < 3; k++) {
        net.neuron[j][k] -= roundedShift(alpha * (net.neuron[j][k] - sample[k]), 10);
    }
    if (rad > 0) {
        const int hi = std::min(j + rad, 256);
        const int lo = std::max(j - rad, -1);
        for (int n = j + 1; n < hi; n++) {
            const int a = net.radPower[n - j];
            for (int k = 0; k < 3; k++) {
                net.neuron[n][k] -= roundedShift(a * (net.neuron[n][k] - sample[k]), 18);
            }
        }
        for (int n = j - 1; n > lo; n--) {
            const int a = net.radPower[j - n];
            for (int k = 0; k < 3; k++) {
                net.neuron[n][k] -= roundedShift(a * (net.neuron[n][k] - sample[k]), 18);
            }
        }
    }
}

inline void learnNetwork(Network& net, const Image& image) {
    const int w = image.width();
    const int n = image.width() * image.height();
    int alpha = 1024;
    int radius = 2048;
    int rad = radius >> 6;
    if (rad <= 1) rad = 0;
    computeRadPower(net, alpha, rad);
    int samples = n / 10;
    int delta = samples / 100;
    int stride;
    if (n % 499 != 0) {
        if (n > 499) {
            stride = 499;
        } else {
            samples = n;
            delta = n / 100;
            if (n > 7) {
                stride = 7;
            } else {
                stride = 1;
            }
        }
    } else if (n % 491 != 0) {
        stride = 491;
    } else if (n % 487 != 0) {
        stride = 487;
    } else {
        stride = 503;
    }
    int p = 0;
    int i = 0;
    for (int step = 0; step < samples; step++) {
        const Color c = image.at(p % w, p / w) & 0x00FFFFFFu;
        trainSample(net, alpha, rad, c);
        p = (p + stride) % n;
        i = i + 1;
        if (i == delta) {
            i = 0;
            alpha = alpha - alpha / 33;
            radius = radius - radius / 15;
            rad = radius >> 6;
            if (rad <= 1) rad = 0;
            computeRadPower(net, alpha, rad);
        }
    }
}

inline void finishNetwork(Network& net, Color palette[256]) {
    for (int i = 0; i < 256; i++) {
        for (int k = 0; k < 3; k++)
            net.neuron[i][k] = std::min(255, (net.neuron[i][k] + 8) >> 4);
        net.neuron[i][3] = i;
        palette[i] = static_cast<Color>(net.neuron[i][0] + net.neuron[i][1] * 256 +
                                        net.neuron[i][2] * 65536) |
                     0xFF000000u;
    }
}

inline void buildNetIndex(Network& net) {
    int previous = 0;
    int start = 0;
    for (int i = 0; i < 256; i++) {
        int s = i;
        for (int k = i + 1; k < 256; k++) {
            if (net.neuron[k][1] < net.neuron[s][1]) s = k;
        }
        if (s != i) {
            for (int k = 0; k < 4; k++)
                std::swap(net.neuron[i][k], net.neuron[s][k]);
        }
        const int v = net.neuron[i][1];
        if (v != previous) {
            net.netIndex[previous] = (start + i) / 2;
            for (int g = previous + 1; g < v; g++)
                net.netIndex[g] = i;
            previous = v;
            start = i;
        }
    }
    net.netIndex[previous] = (start + 255) / 2;
    for (int g = previous + 1; g <= 255; g++)
        net.netIndex[g] = 255;
}

inline int searchNetwork(const Network& net, Color c) {
    const int r = redOf(c), g = greenOf(c), b = blueOf(c);
    int up = net.netIndex[g];
    if (up == 0) up = 1;
    int down = up - 1;
    int bestd = 768;
    int result = -1;
    bool upGoing = up <= 255;
    bool downGoing = down >= 0;
    while (upGoing || downGoing) {
        if (upGoing) {
            const int* n = net.neuron[up];
            const int before = bestd;
            const int dist = std::abs(n[0] - r) + std::abs(n[1] - g) + std::abs(n[2] - b);
            if (dist < bestd) {
                bestd = dist;
                result = n[3];
            }
            if (std::abs(n[1] - g) >= before) {
                upGoing = false;
            } else {
                up = up + 1;
                if (up > 255) upGoing = false;
            }
        }
        if (downGoing) {
            const int* n = net.neuron[down];
            const int before = bestd;
            const int dist = std::abs(n[0] - r) + std::abs(n[1] - g) + std::abs(n[2] - b);
            if (dist < bestd) {
                bestd = dist;
                result = n[3];
            }
            if (std::abs(n[1] - g) >= before) {
                downGoing = false;
            } else {
                down = down - 1;
                if (down < 0) downGoing = false;
            }
        }
    }
    return result;
}

// The whole method on a copy of `reference`, alpha bytes passed through.
inline Image quantize(const Image& reference, bool dither, Network& net) {
    Image work = reference;
    initNetwork(net);
    learnNetwork(net, work);
    Color palette[256];
    finishNetwork(net, palette);
    buildNetIndex(net);
    for (int y = 0; y < work.height(); y++) {
        for (int x = 0; x < work.width(); x++) {
            Color c = reference.at(x, y) & 0x00FFFFFFu;
            if (dither) c = orderedDitherRead(reference, x, y);
            const Color chosen = palette[searchNetwork(net, c)];
            work.at(x, y) = (reference.at(x, y) & 0xFF000000u) | (chosen & 0x00FFFFFFu);
        }
    }
    return work;
}

}  // namespace vd::test::reference
