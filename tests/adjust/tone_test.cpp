#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "adjust/brightness.h"
#include "adjust/contrast.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

struct PixelChange {
    Color before, after;
};

struct BrightnessCase {
    std::string name;
    BrightnessSettings settings;
    std::vector<PixelChange> pixels;
};

BrightnessSettings offsetBy(int offset, bool overdrive, const char* channels = "rgb") {
    const std::string c = channels;
    return {offset, c.find('r') != std::string::npos, c.find('g') != std::string::npos,
            c.find('b') != std::string::npos, overdrive};
}

TEST(Brightness, ClampsOrWrapsEachEnabledChannel) {
    const std::vector<BrightnessCase> cases = {
        {"+128 clamps from 127 up",
         offsetBy(128, false),
         {{makeColor(127, 126, 200), makeColor(255, 254, 255)}, {0, makeColor(128, 128, 128)}}},
        {"-128 clamps from 128 down",
         offsetBy(-128, false),
         {{makeColor(128, 129, 100), makeColor(0, 1, 0)}, {0xFFFFFF, makeColor(127, 127, 127)}}},
        {"+128 overdrive wraps once",
         offsetBy(128, true),
         {{makeColor(200, 100, 127), makeColor(72, 228, 255)},
          {makeColor(128, 0, 255), makeColor(0, 128, 127)}}},
        {"-128 overdrive wraps once",
         offsetBy(-128, true),
         {{makeColor(100, 127, 128), makeColor(228, 255, 0)},
          {makeColor(0, 255, 200), makeColor(128, 127, 72)}}},
        {"+3 overdrive: 253, 254, 255 go on as 0, 1, 2",
         offsetBy(3, true),
         {{makeColor(253, 254, 255), makeColor(0, 1, 2)}}},
        {"only green changes",
         offsetBy(50, false, "g"),
         {{makeColor(10, 20, 30), makeColor(10, 70, 30)},
          {makeColor(250, 250, 250), makeColor(250, 255, 250)}}},
        {"red and blue only, wrapping",
         offsetBy(-20, true, "rb"),
         {{makeColor(10, 10, 30), makeColor(246, 10, 10)}}},
        {"no channel: unchanged",
         offsetBy(77, true, ""),
         {{makeColor(1, 2, 3), makeColor(1, 2, 3)}}},
    };
    for (const BrightnessCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Each pixel on a 32-bit image with its own alpha, which must stay.
        std::vector<Color> before, after;
        for (std::size_t i = 0; i < c.pixels.size(); ++i) {
            const Color alpha = static_cast<Color>(0x37 * (i + 1)) << 24;
            before.push_back(alpha | c.pixels[i].before);
            after.push_back(alpha | c.pixels[i].after);
        }
        const int n = static_cast<int>(before.size());
        Image image = imageFromPixels(n, 1, before, 32);
        brightness(image, c.settings);
        EXPECT_TRUE(imagesEqual(image, imageFromPixels(n, 1, after, 32), "brightness"));
    }
}

// The contrast rule written out on its own: the factor in single precision, the product in
// double, half to even, one clamp per half.
int contrastByRule(int v, int amount) {
    const float k = static_cast<float>(amount) / 100.0f;
    const double product = static_cast<double>(k) * (v >= 128 ? v - 128 : 127 - v);
    if (v >= 128) return std::min(255, static_cast<int>(std::nearbyint(v + product)));
    return std::max(0, static_cast<int>(std::nearbyint(v - product)));
}

TEST(Contrast, EveryAmountAndValueFollowsTheRule) {
    // Each channel holds a different value so that a table used for the wrong channel shows.
    std::vector<Color> pixels;
    for (int v = 0; v < 256; ++v)
        pixels.push_back(makeColor(v, 255 - v, (v * 97) & 0xFF, v));
    const Image input = imageFromPixels(256, 1, pixels, 32);
    for (int amount = -100; amount <= 100; ++amount) {
        Image image = input;
        contrast(image, amount);
        for (int x = 0; x < 256; ++x) {
            const Color in = input.at(x, 0);
            const Color expected =
                makeColor(contrastByRule(redOf(in), amount), contrastByRule(greenOf(in), amount),
                          contrastByRule(blueOf(in), amount), alphaOf(in));
            ASSERT_EQ(image.at(x, 0), expected) << "amount " << amount << " value " << x;
        }
    }
}

struct ContrastCase {
    std::string name;
    int amount, value, expected;
};

TEST(Contrast, WorkedValues) {
    const std::vector<ContrastCase> cases = {
        {"k=1 keeps black", 100, 0, 0},
        {"k=1 below 128 is 2v-127", 100, 100, 73},
        {"k=1 keeps 127", 100, 127, 127},
        {"k=1 keeps 128", 100, 128, 128},
        {"k=1 clamps at 255", 100, 200, 255},
        {"k=0.5 129.5 to even 130", 50, 129, 130},
        {"k=0.5 132.5 to even 132", 50, 131, 132},
        {"k=0.5 86.5 to even 86", 50, 100, 86},
        {"k=0.5 keeps black", 50, 0, 0},
        {"k=-1 below 128 goes to 127", -100, 0, 127},
        {"k=-1 100 goes to 127", -100, 100, 127},
        {"k=-1 128 stays", -100, 128, 128},
        {"k=-1 white goes to 128", -100, 255, 128},
        // 0.1f is a little above 0.1: 143 + 15 k = 144.50000002 rounds up, where an exact
        // 0.1 (or the sum in float) would make the tie 144.5 and give 144.
        {"0.1f above 0.1 upper half", 10, 143, 145},
        {"0.1f above 0.1 lower half", 10, 102, 99},
    };
    for (const ContrastCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(contrastLevel(c.value, contrastFactor(c.amount)), c.expected);
        Image image = imageFromPixels(1, 1, {makeColor(c.value, c.value, c.value)});
        contrast(image, c.amount);
        EXPECT_EQ(image.at(0, 0), makeColor(c.expected, c.expected, c.expected, 0xFF));
    }
}

}  // namespace
}  // namespace vd::test
