// PSNR and CIEDE2000 against figures computed independently: pictures with a known mean
// squared error, and the published test pairs of Sharma, Wu and Dalal (2005).

#include "quantize/quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace vd {
namespace {

struct LabPair {
    Lab first, second;
    double deltaE;
};

// Table 1 of "The CIEDE2000 color-difference formula: implementation notes, supplementary
// test data, and mathematical observations", Color Research and Application 30 (2005).
const LabPair kPublishedPairs[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

TEST(Ciede2000, GivesThePublishedDifferencesInEitherOrder) {
    int row = 0;
    for (const LabPair& pair : kPublishedPairs) {
        SCOPED_TRACE("pair " + std::to_string(++row));
        // The table gives four decimals.
        EXPECT_NEAR(ciede2000(pair.first, pair.second), pair.deltaE, 0.5e-4);
        EXPECT_NEAR(ciede2000(pair.second, pair.first), pair.deltaE, 0.5e-4);
    }
}

TEST(LabOf, ReadsTheBytesAsSrgbUnderD65) {
    struct Row {
        const char* name;
        Color color;
        Lab expected;
    };
    // Reference values from the sRGB and CIELAB definitions, to two decimals.
    const Row rows[] = {
        {"black", makeColor(0, 0, 0), {0, 0, 0}},
        {"white", makeColor(255, 255, 255), {100, 0, 0}},
        {"red", makeColor(255, 0, 0), {53.24, 80.09, 67.20}},
        {"green", makeColor(0, 255, 0), {87.73, -86.18, 83.18}},
        {"blue", makeColor(0, 0, 255), {32.30, 79.19, -107.86}},
        {"mid gray", makeColor(128, 128, 128), {53.59, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Lab lab = labOf(row.color);
        EXPECT_NEAR(lab.L, row.expected.L, 0.01);
        EXPECT_NEAR(lab.a, row.expected.a, 0.01);
        EXPECT_NEAR(lab.b, row.expected.b, 0.01);
    }
}

TEST(Psnr, FollowsTheMeanSquaredErrorOverTheColourBytes) {
    const Image gray(40, 25, 24, makeColor(100, 100, 100));
    EXPECT_EQ(psnr(gray, gray), std::numeric_limits<double>::infinity());

    // Red 10 higher everywhere: MSE over three channels is 100 / 3.
    const Image redder(40, 25, 24, makeColor(110, 100, 100));
    EXPECT_NEAR(psnr(gray, redder), 10 * std::log10(255.0 * 255.0 * 3 / 100), 1e-9);
    EXPECT_NEAR(psnr(gray, redder), 32.9020, 1e-4);

    // Alpha is no colour byte: a 32-bit copy with other alphas is equal.
    Image translucent(40, 25, 32, makeColor(100, 100, 100) | 0x40000000u);
    EXPECT_EQ(psnr(gray, translucent), std::numeric_limits<double>::infinity());
}

TEST(CompareQuality, CountsDifferingPixelsAndAveragesOverAllOfThem) {
    const Color from = makeColor(200, 40, 40), to = makeColor(190, 60, 40);
    const Image before(10, 10, 24, from);
    Image after = before;
    for (int x = 0; x < 10; ++x) after.at(x, 3) = to | kAlphaMask;

    const Quality q = compareQuality(before, after);
    const double pair = ciede2000(labOf(from), labOf(to));
    EXPECT_EQ(q.differingPixels, 10);
    EXPECT_NEAR(q.maxDeltaE, pair, 1e-12);
    EXPECT_NEAR(q.meanDeltaE, pair / 10, 1e-12);
    EXPECT_NEAR(q.psnr, psnr(before, after), 1e-12);

    const Quality same = compareQuality(before, before);
    EXPECT_EQ(same.differingPixels, 0);
    EXPECT_EQ(same.maxDeltaE, 0);
}

TEST(BlurredPsnr, SeesADitherPatternAsItsMeanAndAnOffsetAsItIs) {
    const Image gray(40, 30, 24, makeColor(128, 128, 128));
    Image checkers = gray, offset = gray, dot = gray;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const int v = (x + y) % 2 ? 120 : 136;
            checkers.at(x, y) = makeColor(v, v, v);
            offset.at(x, y) = makeColor(138, 128, 128);
        }
    dot.at(20, 15) = makeColor(128, 228, 128);

    EXPECT_EQ(blurredPsnr(gray, gray), std::numeric_limits<double>::infinity());
    EXPECT_NEAR(blurredPsnr(gray, offset), psnr(gray, offset), 1e-4) << "float kernel";
    EXPECT_GT(blurredPsnr(gray, checkers), psnr(gray, checkers) + 20) << "the pattern averages out";
    // One pixel away from the edges spreads into the kernel: its squared error shrinks by the
    // sum of the squared 2-D kernel weights.
    double sum = 0, squares = 0;
    for (int k = -3; k <= 3; ++k) sum += std::exp(-k * k / 2.0);
    for (int k = -3; k <= 3; ++k) squares += std::pow(std::exp(-k * k / 2.0) / sum, 2);
    EXPECT_NEAR(blurredPsnr(gray, dot), psnr(gray, dot) - 10 * std::log10(squares * squares), 1e-4);
    EXPECT_NEAR(compareQuality(gray, dot).blurredPsnr, blurredPsnr(gray, dot), 1e-12);
}

}  // namespace
}  // namespace vd
