#include "quantize/flat_palettes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <stdexcept>

#include "quantize/ordered_dither.h"
#include "quantize/palette_mapping.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

using M = QuantizeMethod;

Color reducedOne(Color c, M method, bool dither = false, int x = 0, int y = 0) {
    Image image(x + 1, y + 1, 24, c | kAlphaMask);
    quantizeFlat(image, method, dither);
    return image.at(x, y) & kRgbMask;
}

// Levels kept per channel (r, g, b) as the method table gives them.
struct FlatRow {
    M method;
    int levels[3];
};
constexpr FlatRow kRows[] = {
    {M::Flat8, {2, 2, 2}},       {M::Flat64, {4, 4, 4}},   {M::Flat512, {8, 8, 8}},
    {M::Flat4096, {16, 16, 16}}, {M::Lemon128, {8, 8, 2}}, {M::Berry128, {8, 2, 8}},
    {M::Ocean128, {2, 8, 8}},
};

TEST(FlatPalettes, HandWorkedColours) {
    EXPECT_EQ(reducedOne(makeColor(0, 127, 128), M::Flat8), makeColor(15, 15, 143));
    EXPECT_EQ(reducedOne(makeColor(255, 255, 255), M::Flat4096), makeColor(255, 255, 255));
    EXPECT_EQ(reducedOne(makeColor(0, 0, 0), M::Flat4096), makeColor(15, 15, 15));
    EXPECT_EQ(reducedOne(makeColor(200, 100, 200), M::Lemon128), makeColor(207, 111, 143));
    EXPECT_EQ(reducedOne(makeColor(200, 100, 200), M::Berry128), makeColor(207, 15, 207));
    EXPECT_EQ(reducedOne(makeColor(200, 100, 200), M::Ocean128), makeColor(143, 111, 207));
}

// Each channel value v lands on the level of its band: with L levels the bands are 256 / L
// wide and the output is the band's start plus 15.
TEST(FlatPalettes, EveryChannelValueLandsOnItsBand) {
    for (const FlatRow& row : kRows) {
        Image ramp(256, 1, 24);
        for (int v = 0; v < 256; ++v)
            ramp.at(v, 0) = makeColor(v, 255 - v, (v * 37) & 255, 255);
        quantizeFlat(ramp, row.method, false);
        for (int v = 0; v < 256; ++v) {
            const int in[3] = {v, 255 - v, (v * 37) & 255};
            const Color c = ramp.at(v, 0);
            const int out[3] = {redOf(c), greenOf(c), blueOf(c)};
            for (int k = 0; k < 3; ++k) {
                const int width = 256 / row.levels[k];
                ASSERT_EQ(out[k], in[k] / width * width + 15)
                    << methodInfo(row.method).label << " channel " << k << " value " << in[k];
            }
        }
    }
}

// Sixteen values per channel reach every output colour; the palette lists each once, in the
// order the scan first wrote them.
TEST(FlatPalettes, PaletteIsTheDistinctOutputInFirstWrittenOrder) {
    for (const FlatRow& row : kRows) {
        Image image(64, 64, 24);
        for (int i = 0; i < 4096; ++i) {
            const int j = (i * 2897) % 4096;  // a shuffled visiting order
            image.pixels()[i] =
                makeColor((j & 15) * 16 + 3, (j >> 4 & 15) * 16 + 9, (j >> 8) * 16, 255);
        }
        const Palette palette = quantizeFlat(image, row.method, false);
        Palette firstSeen;
        for (Color p : image.pixels()) {
            if (std::find(firstSeen.begin(), firstSeen.end(), p & kRgbMask) == firstSeen.end()) {
                firstSeen.push_back(p & kRgbMask);
            }
        }
        EXPECT_EQ(palette, firstSeen) << methodInfo(row.method).label;
        EXPECT_EQ(static_cast<int>(palette.size()), row.levels[0] * row.levels[1] * row.levels[2]);
    }
}

TEST(FlatPalettes, DitherAddsTheCellOffsetAndClamps) {
    // Uniform 124 through flat_8 reaches 128 only where the offset is 4 or more.
    Image image(8, 8, 24, makeColor(124, 124, 124, 255));
    EXPECT_EQ(quantizeFlat(image, M::Flat8, true).size(), 2u);
    const std::set<std::pair<int, int>> highCells = {{0, 1}, {2, 1}, {1, 2}, {0, 3}, {2, 3}};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int level = highCells.count({x % 4, y % 4}) ? 143 : 15;
            EXPECT_EQ(image.at(x, y) & kRgbMask, makeColor(level, level, level)) << x << "," << y;
        }
    }
    // 250 + 8 clamps to 255 rather than wrapping to a low level; 3 - 7 clamps to 0.
    EXPECT_EQ(reducedOne(makeColor(250, 250, 250), M::Flat4096, true, 0, 3),
              makeColor(255, 255, 255));
    EXPECT_EQ(reducedOne(makeColor(3, 3, 3), M::Flat4096, true, 4, 4), makeColor(15, 15, 15));
}

// The reduction written out pixel by pixel: the clamped dithered read, the mask and the low
// bits per channel, and a list search for the first-written order.
Palette referenceFlat(Image& image, M method, bool dither) {
    const Color mask = flatMask(method);
    Palette written;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Color read = dither ? ditherColor(image.at(x, y), x, y) : image.at(x, y);
            const Color out = (read & (mask | kAlphaMask)) | 0x0F0F0F;
            image.at(x, y) = out;
            if (std::find(written.begin(), written.end(), out & kRgbMask) == written.end()) {
                written.push_back(out & kRgbMask);
            }
        }
    }
    return written;
}

// Widths that leave pixels after the last group of four, channels at the clamps, and groups
// of four that repeat (which the first-written tracking skips) broken by one pixel or by a
// change of alpha alone, after a first group that is all black.
TEST(FlatPalettes, MatchesThePixelByPixelRule) {
    std::mt19937 rng(31);
    const int edges[] = {0, 1, 6, 7, 8, 9, 120, 127, 128, 135, 240, 247, 248, 249, 254, 255};
    for (int width : {1, 3, 4, 5, 11, 37}) {
        Image noise(width, 7, 32), edge(width, 8, 24), runs(width, 8, 32);
        for (Color& p : noise.pixels())
            p = rng();
        for (Color& p : edge.pixels())
            p = makeColor(edges[rng() % 16], edges[rng() % 16], edges[rng() % 16], 255);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < width; ++x)
                runs.at(x, y) = makeColor(x % 4 * 80, 127 + x % 4, 250 - x % 4, 255);
            runs.at(static_cast<int>(rng() % width), y) &= y % 2 ? rng() : kRgbMask;
        }
        for (int x = 0; x < std::min(width, 4); ++x)
            runs.at(x, 0) = makeColor(0, 0, 0, 255);  // the darkest output opens the scan
        for (const auto& [name, input] : {std::pair{"noise", noise}, std::pair{"edges", edge},
                                          std::pair{"repeats", runs}}) {
            for (const FlatRow& row : kRows) {
                for (bool dither : {false, true}) {
                    SCOPED_TRACE(std::string(methodInfo(row.method).label) + ", " + name +
                                 ", width " + std::to_string(width) + (dither ? ", dither" : ""));
                    Image fast = input, plain = input;
                    EXPECT_EQ(quantizeFlat(fast, row.method, dither),
                              referenceFlat(plain, row.method, dither));
                    EXPECT_TRUE(imagesEqual(fast, plain));
                }
            }
        }
    }
}

TEST(FlatPalettes, AlphaStays) {
    Image image = imageFromPixels(2, 1, {makeColor(1, 2, 3, 9), makeColor(200, 200, 200, 0)}, 32);
    quantizeFlat(image, M::Flat64, true);
    EXPECT_EQ(alphaOf(image.at(0, 0)), 9);
    EXPECT_EQ(alphaOf(image.at(1, 0)), 0);
}

TEST(FixedPalettes, SizesAndEntries) {
    const Palette p16 = fixedPalette(M::Fixed16), p24 = fixedPalette(M::Fixed24),
                  p32 = fixedPalette(M::Fixed32);
    ASSERT_EQ(p16.size(), 16u);
    ASSERT_EQ(p24.size(), 24u);
    ASSERT_EQ(p32.size(), 32u);
    EXPECT_TRUE(std::equal(p16.begin(), p16.end(), p32.begin()));
    EXPECT_TRUE(std::equal(p24.begin(), p24.end(), p32.begin()));
    EXPECT_EQ(p32[7], makeColor(192, 192, 192));
    EXPECT_EQ(p32[16], makeColor(255, 182, 162));
    EXPECT_EQ(p32[23], makeColor(143, 102, 91));
    EXPECT_EQ(p32[31], makeColor(15, 11, 10));
    EXPECT_THROW(fixedPalette(M::Flat8), std::invalid_argument);
    Image image(1, 1, 24);
    EXPECT_THROW(quantizeFlat(image, M::Fixed16, false), std::invalid_argument);
}

TEST(FixedPalettes, MappingKeepsTheirOwnColours) {
    const Palette all = fixedPalette(M::Fixed32);
    Image image(32, 1, 24);
    for (int i = 0; i < 32; ++i)
        image.at(i, 0) = all[i] | kAlphaMask;
    ColorIndex index;
    const Image by16 = mapToPalette(image, fixedPalette(M::Fixed16), false, index);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(by16.at(i, 0), image.at(i, 0));

    // Fixed_24 reproduces the eight light skin tones; the darker eight become other entries.
    const Image by24 = mapToPalette(image, fixedPalette(M::Fixed24), false, index);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(by24.at(i, 0), image.at(i, 0));
    for (int i = 24; i < 32; ++i) {
        const Color out = by24.at(i, 0) & kRgbMask;
        EXPECT_NE(std::find(all.begin(), all.begin() + 24, out), all.begin() + 24) << i;
    }
}

}  // namespace
}  // namespace vd::test
