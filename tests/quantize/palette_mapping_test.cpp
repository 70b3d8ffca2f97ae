#include "quantize/palette_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "io/image_codec.h"
#include "quantize/flat_palettes.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color grey(int v) {
    return makeColor(v, v, v);
}

Palette greys(std::initializer_list<int> levels) {
    Palette p;
    for (int v : levels)
        p.push_back(grey(v));
    return p;
}

Image greyImage(int width, int height, const std::vector<int>& values) {
    std::vector<Color> pixels;
    for (int v : values)
        pixels.push_back(grey(v));
    return imageFromPixels(width, height, pixels);
}

Image mapped(const Image& source, const Palette& palette, bool dither) {
    ColorIndex index;
    return mapToPalette(source, palette, dither, index);
}

// The diffusion written out step by step, with the plain search and int arithmetic.
Image referenceDiffusion(const Image& source, const ColorIndex& index) {
    Image result = source;
    const int w = source.width();
    std::vector<int> below(3 * static_cast<std::size_t>(w), 0);
    for (int y = 0; y < source.height(); ++y) {
        int left[3] = {0, 0, 0};
        for (int x = 0; x < w; ++x) {
            const Color c = result.at(x, y) & kRgbMask;
            const int channels[3] = {redOf(c), greenOf(c), blueOf(c)};
            int a[3];
            for (int k = 0; k < 3; ++k) {
                const int sum = below[3 * x + k] + left[k];
                const int e = sum >= 0 ? sum / 2 : -((-sum + 1) / 2);  // floor of sum / 2
                a[k] = std::min(255, std::max(0, channels[k] + e));
            }
            const Color n = index.nearest(makeColor(a[0], a[1], a[2]));
            result.at(x, y) = (result.at(x, y) & kAlphaMask) | (n & kRgbMask);
            const int nc[3] = {redOf(n), greenOf(n), blueOf(n)};
            for (int k = 0; k < 3; ++k) {
                const int diff = a[k] - nc[k];
                const int d = diff >= 0 ? diff / 2 : -((-diff + 1) / 2);
                const int carried = d + left[k];
                below[3 * x + k] = carried >= 0 ? carried / 2 : -((-carried + 1) / 2);
                left[k] = d;
            }
        }
    }
    return result;
}

Image referencePlain(const Image& source, const ColorIndex& index) {
    Image result = source;
    for (Color& p : result.pixels())
        p = (p & kAlphaMask) | (index.nearest(p) & kRgbMask);
    return result;
}

TEST(PaletteMapping, ColoursOfThePaletteStayAndAlphaPassesThrough) {
    const Palette palette = {makeColor(10, 20, 30), makeColor(200, 100, 0), grey(0)};
    const Image source = imageFromPixels(
        3, 2,
        {makeColor(10, 20, 30, 7), makeColor(200, 100, 0, 0), makeColor(0, 0, 0, 255),
         makeColor(0, 0, 0, 1), makeColor(10, 20, 30, 128), makeColor(200, 100, 0, 99)},
        32);
    EXPECT_TRUE(imagesEqual(mapped(source, palette, false), source));
    const Image uniform(5, 4, 32, makeColor(200, 100, 0, 77));
    EXPECT_TRUE(imagesEqual(mapped(uniform, palette, true), uniform));
}

TEST(PaletteMapping, TwoByTwoDitherCarriesTheErrorRightAndDown) {
    const Palette levels = greys({0, 85, 170, 255});
    const Image source = greyImage(2, 2, {60, 130, 45, 205});
    // 60 -> 85 leaves half-error -13: 130 reads as 123 (85), 45 as 41 (0), and 205 gets
    // +11 from the two errors that reach it, reading as 216 (255).
    EXPECT_TRUE(imagesEqual(mapped(source, levels, true), greyImage(2, 2, {85, 85, 0, 255})));
    EXPECT_TRUE(imagesEqual(mapped(source, levels, false), greyImage(2, 2, {85, 170, 85, 170})));
}

TEST(PaletteMapping, MidGreyOnBlackAndWhiteBecomesACheckerboard) {
    const Image result = mapped(Image(9, 6, 24, grey(128)), greys({0, 255}), true);
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            ASSERT_EQ(result.at(x, y) & kRgbMask, grey((x + y) % 2 == 0 ? 255 : 0))
                << x << "," << y;
        }
    }
}

TEST(PaletteMapping, ClampsBeforeTheSearchAndHalvesTheClampedError) {
    // 250 + 21 clamps to 255, so the error passed on is 42, not 50: 62 reads as 83 (0).
    EXPECT_TRUE(imagesEqual(mapped(greyImage(3, 1, {255, 250, 62}), greys({0, 170}), true),
                            greyImage(3, 1, {170, 170, 0})));
    // 5 - 22 clamps to 0, error -43 rather than -51: 194 reads as 172 (255).
    EXPECT_TRUE(imagesEqual(mapped(greyImage(3, 1, {0, 5, 194}), greys({85, 255}), true),
                            greyImage(3, 1, {85, 85, 255})));
}

TEST(PaletteMapping, OneColumnReceivesHalfOfTheCarriedErrorFromAbove) {
    // 60 -> 85 carries -7 down, read as -4: 45 -> 0; that carries 10, read as 5: 35 -> 0.
    EXPECT_TRUE(imagesEqual(mapped(greyImage(1, 3, {60, 45, 35}), greys({0, 85, 170, 255}), true),
                            greyImage(1, 3, {85, 0, 0})));
}

TEST(PaletteMapping, EmptyPaletteLeavesAPlainCopy) {
    const Image source = patternImage(4, 3);
    EXPECT_TRUE(imagesEqual(mapped(source, Palette{}, true), source));
    ColorIndex index;
    Image work = patternImage(4, 3, 32);
    mapToPaletteInto(source, work, Palette{}, false, index);
    EXPECT_TRUE(imagesEqual(work, source));
}

// Mapping into an existing work image overwrites whatever it held, alpha included.
TEST(PaletteMapping, IntoAWorkImageMatchesANewImage) {
    const Image reference = patternImage(23, 11, 32);
    const Palette palette = {makeColor(250, 10, 10), makeColor(10, 250, 10), grey(128), grey(3)};
    ColorIndex index;
    for (bool dither : {false, true}) {
        Image scrambled = patternImage(23, 11, 24);
        for (Color& p : scrambled.pixels())
            p = ~p;
        mapToPaletteInto(reference, scrambled, palette, dither, index);
        EXPECT_TRUE(imagesEqual(scrambled, mapped(reference, palette, dither)));
        Image wrongSize(2, 2, 24);
        mapToPaletteInto(reference, wrongSize, palette, dither, index);
        EXPECT_TRUE(imagesEqual(wrongSize, mapped(reference, palette, dither)));
    }
}

TEST(PaletteMapping, MatchesTheStepByStepDiffusionOnRandomImages) {
    std::mt19937 rng(77);
    ColorIndex index;
    for (int round = 0; round < 200; ++round) {
        Palette palette(1 + rng() % 40);
        for (Color& c : palette)
            c = rng() & kRgbMask;
        index.build(palette);
        Image source(1 + rng() % 17, 1 + rng() % 9, round % 2 ? 32 : 24);
        for (Color& p : source.pixels())
            p = round % 2 ? rng() : (rng() | kAlphaMask);
        for (bool dither : {false, true}) {
            auto result = reduceToPalette(source, dither, index);
            ASSERT_TRUE(result);
            ASSERT_TRUE(imagesEqual(*result, dither ? referenceDiffusion(source, index)
                                                    : referencePlain(source, index)));
        }
    }
}

// A photograph has far more colours than the search cache has room for, so cached answers
// are evicted and replaced all the time; the result must not change.
TEST(PaletteMapping, PhotographMatchesTheUncachedSearch) {
    auto photo = readImageFile((testdataDir() / "photos/kodim05.png").string());
    ASSERT_TRUE(photo);
    const Image source = cropImage(photo.value().image, 100, 100, 320, 240);
    Palette palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(source.pixels()[i * 293] & kRgbMask);
    ColorIndex index;
    index.build(palette);
    EXPECT_TRUE(imagesEqual(*reduceToPalette(source, false, index), referencePlain(source, index)));
    EXPECT_TRUE(
        imagesEqual(*reduceToPalette(source, true, index), referenceDiffusion(source, index)));
}

// The Fixed rows on a photograph framed by saturated and near-clamp colours.
TEST(PaletteMapping, FixedPalettesMatchTheStepByStepMapping) {
    auto photo = readImageFile((testdataDir() / "photos/kodim05.png").string());
    ASSERT_TRUE(photo);
    std::mt19937 rng(78);
    const int edges[] = {0, 1, 2, 127, 128, 253, 254, 255};
    Image source = cropImage(photo.value().image, 200, 150, 61, 15);
    for (int x = 0; x < source.width(); ++x) {
        source.at(x, 0) = makeColor(edges[rng() % 8], edges[rng() % 8], edges[rng() % 8]);
        source.at(x, 14) = makeColor(edges[rng() % 8], 255, edges[rng() % 8]);
    }
    for (const auto method :
         {QuantizeMethod::Fixed16, QuantizeMethod::Fixed24, QuantizeMethod::Fixed32}) {
        ColorIndex index;
        index.build(fixedPalette(method));
        SCOPED_TRACE(methodInfo(method).label);
        EXPECT_TRUE(
            imagesEqual(*reduceToPalette(source, true, index), referenceDiffusion(source, index)));
        EXPECT_TRUE(
            imagesEqual(*reduceToPalette(source, false, index), referencePlain(source, index)));
    }
}

}  // namespace
}  // namespace vd::test
