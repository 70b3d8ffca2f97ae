#include "quantize/kmeans/kmeans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "quantize/color_index.h"
#include "quantize/kmeans/box_split.h"
#include "quantize/kmeans/color_points.h"
#include "quantize/kmeans/mapping.h"
#include "quantize/kmeans/lloyd.h"
#include "quantize/quantize.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// A 192 x 128 crop of a shared photograph: real colours, quick to reduce.
const Image& photoCrop() {
    static const Image crop = [] {
        auto read = readImageFile((testdataDir() / "photos" / "kodim05.png").string());
        EXPECT_TRUE(read.ok());
        return cropImage(read.value().image, 300, 200, 192, 128);
    }();
    return crop;
}

std::set<Color> colorsOf(const Image& image) {
    std::set<Color> colors;
    for (Color c : image.pixels())
        colors.insert(c & kRgbMask);
    return colors;
}

Image reduced(const Image& source, int limit, bool dither, Palette* palette = nullptr) {
    ColorIndex index;
    Image work = Image::unfilled(source.width(), source.height(), source.depth());
    Palette chosen = quantizeKmeans(source, work, limit, dither, index);
    if (palette) *palette = std::move(chosen);
    return work;
}

TEST(KmeansRefinement, ErrorNeverRisesFromOneStepToTheNext) {
    std::mt19937 rng(7);
    Image noise(64, 64, 24);
    for (Color& c : noise.pixels())
        c = makeColor(rng() % 256, rng() % 256, rng() % 256);
    const struct {
        const char* name;
        const Image& picture;
    } pictures[] = {{"photo", photoCrop()}, {"noise", noise}};
    for (const auto& [name, picture] : pictures) {
        for (int count : {2, 16, 256}) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(count));
            const kmeans::ColorPoints points = kmeans::colorPointsOf(picture);
            kmeans::Lloyd lloyd(points, kmeans::splitBoxes(points, count), count);
            const double start = lloyd.error();
            double last = lloyd.step();
            EXPECT_LE(last, start * (1 + 1e-6));
            for (int step = 1; step < 25; ++step) {
                const double error = lloyd.step();
                // Sums of squares in double: equal errors may differ in the last bits.
                EXPECT_LE(error, last * (1 + 1e-9)) << "step " << step;
                // The new assignment measured point by point, in single precision.
                EXPECT_LE(lloyd.error(), error * (1 + 1e-6)) << "step " << step;
                last = error;
            }
        }
    }
}

// The points are the picture's distinct colours in ascending order, each weighted by its
// pixel count, whatever the alpha; with more colours than kMostExactColors they become cell
// means, fewer than the colours.
TEST(KmeansPoints, AreTheDistinctColoursInOrderWithTheirCounts) {
    std::mt19937 rng(11);
    Image spread(97, 61, 32);  // colours sharing their low bits across the upper bits
    for (Color& c : spread.pixels())
        c = ((rng() % 5) << 24) | ((rng() % 7) << 20) | ((rng() % 3) << 12) | (rng() % 9);
    Image noise(512, 512, 24);  // nearly every pixel a colour of its own
    for (Color& c : noise.pixels())
        c = rng() & kRgbMask;
    const struct {
        const char* name;
        const Image& picture;
        bool exact;
    } pictures[] = {
        {"spread", spread, true}, {"photo", photoCrop(), true}, {"noise", noise, false}};
    for (const auto& [name, picture, exact] : pictures) {
        SCOPED_TRACE(name);
        std::map<Color, std::uint32_t> counts;
        for (Color c : picture.pixels())
            ++counts[c & kRgbMask];
        const kmeans::ColorPoints points = kmeans::colorPointsOf(picture);
        if (!exact) {
            ASSERT_GT(counts.size(), static_cast<std::size_t>(kmeans::kMostExactColors));
            EXPECT_LT(points.size(), counts.size());
            continue;
        }
        ASSERT_EQ(points.size(), counts.size());
        std::size_t i = 0;
        for (const auto& [c, count] : counts) {
            EXPECT_EQ(kmeans::colorOfPoint(points.scale, points.x[i], points.y[i], points.z[i]), c)
                << "point " << i;
            EXPECT_EQ(points.weight[i], kmeans::pointWeight(count)) << "point " << i;
            ++i;
        }
    }
}

// Tight clusters around k centres, three colours each side of every centre on every
// channel, so each cluster's mean is its centre exactly.
Image clusters(const std::vector<Color>& centres) {
    std::vector<Color> pixels;
    for (Color c : centres) {
        pixels.push_back(c);
        for (int shift : {0, 8, 16}) {
            pixels.push_back(c + (Color{1} << shift));
            pixels.push_back(c - (Color{1} << shift));
        }
    }
    return imageFromPixels(7, static_cast<int>(centres.size()), pixels);
}

std::vector<Color> spreadCentres(int count) {
    std::vector<Color> centres;
    for (int i = 0; i < count; ++i)
        centres.push_back(
            makeColor(10 + 30 * (i % 8), 10 + 30 * ((i / 8) % 8), 10 + 30 * (i / 64)));
    return centres;
}

TEST(Kmeans, TightClustersGiveTheirCentresExactly) {
    for (int k : {2, 5, 16, 64, 256}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        const std::vector<Color> centres = spreadCentres(k);
        const Palette palette = chooseKmeansPalette(clusters(centres), k);
        EXPECT_EQ(std::set<Color>(palette.begin(), palette.end()),
                  std::set<Color>(centres.begin(), centres.end()));
    }
}

TEST(Kmeans, APictureOfAtMostLimitColoursComesBackUnchanged) {
    const std::vector<Color> all = spreadCentres(40);
    for (int colours : {1, 39, 40}) {
        for (bool dither : {false, true}) {
            SCOPED_TRACE(std::to_string(colours) + " colours" + (dither ? ", dithered" : ""));
            std::vector<Color> pixels;
            for (int i = 0; i < 200; ++i)
                pixels.push_back(all[(i * 7) % colours] | (static_cast<Color>(i) << 24));
            const Image picture = imageFromPixels(20, 10, pixels, 32);
            Palette palette;
            EXPECT_TRUE(imagesEqual(reduced(picture, 40, dither, &palette), picture));
            EXPECT_EQ(std::set<Color>(palette.begin(), palette.end()), colorsOf(picture));
        }
    }
}

TEST(Kmeans, ThePaletteHasExactlyLimitColoursWhenThePictureHasMore) {
    // Seventeen colours in one corner of colour space: the box split cannot part them, so
    // the refinement must place the missing centres itself.
    std::vector<Color> crowded;
    for (int i = 0; i < 17; ++i)
        crowded.push_back(makeColor(100 + i % 3, 100 + (i / 3) % 3, 100 + i / 9));
    const Image tight = imageFromPixels(17, 1, crowded);
    const struct {
        const char* name;
        const Image& picture;
        int limit;
    } rows[] = {{"crowded", tight, 16},
                {"photo 256", photoCrop(), 256},
                {"photo 64", photoCrop(), 64},
                {"photo 2", photoCrop(), 2}};
    for (const auto& [name, picture, limit] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(chooseKmeansPalette(picture, limit).size(), static_cast<std::size_t>(limit));
    }
}

TEST(Kmeans, WithoutDitherEveryPixelTakesItsNearestPaletteColour) {
    for (int limit : {16, 64, 256}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        Palette palette;
        const Image work = reduced(photoCrop(), limit, false, &palette);
        ColorIndex index;
        index.build(palette);
        for (std::size_t i = 0; i < work.pixelCount(); ++i) {
            ASSERT_EQ(work.pixels()[i] & kRgbMask,
                      index.nearest(photoCrop().pixels()[i]) & kRgbMask)
                << "pixel " << i;
        }
        EXPECT_EQ(colorsOf(work).size(), static_cast<std::size_t>(limit));
    }
}

TEST(Kmeans, DitherKeepsAnAreaOfAPaletteColourFlat) {
    // A ramp of grays runs into a flat gray block that is a palette colour; the ramp's
    // errors reach the block from the left and from above.
    const Color flat = makeColor(128, 128, 128);
    Image picture(96, 48, 24);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const bool inBlock = x >= 48 && y >= 16;
            const int ramp = 116 + (x * 25 + y * 7) / 96;
            picture.at(x, y) = inBlock ? flat : makeColor(ramp, ramp + 1, ramp - 1);
        }
    }
    const Palette palette{makeColor(120, 120, 120), flat, makeColor(136, 136, 136),
                          makeColor(124, 124, 124), makeColor(132, 132, 132)};
    ColorIndex index;
    index.build(palette);
    for (float typicalError : {1.0f, 4.0f, 20.0f}) {
        SCOPED_TRACE("typical error " + std::to_string(typicalError));
        Image work = Image::unfilled(picture.width(), picture.height(), 24);
        kmeans::ditherOnto(picture, work, index, typicalError, 1);
        for (int y = 16; y < picture.height(); ++y)
            for (int x = 48; x < picture.width(); ++x)
                ASSERT_EQ(work.at(x, y) & kRgbMask, flat) << x << "," << y;
        EXPECT_GT(colorsOf(cropImage(work, 0, 0, 48, 48)).size(), 1u) << "the ramp is dithered";
    }
}

TEST(Kmeans, EveryPixelIsAPaletteColourWithAndWithoutDither) {
    // Black and white patches: colours that the search table also uses as its end marks.
    Image picture = photoCrop();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            picture.at(x, y) = makeColor(0, 0, 0);
            picture.at(x + 40, y) = makeColor(255, 255, 255);
        }
    for (int limit : {2, 16, 256}) {
        for (bool dither : {false, true}) {
            SCOPED_TRACE("limit " + std::to_string(limit) + (dither ? ", dithered" : ""));
            Palette palette;
            const Image work = reduced(picture, limit, dither, &palette);
            const std::set<Color> allowed(palette.begin(), palette.end());
            for (Color c : colorsOf(work))
                EXPECT_TRUE(allowed.contains(c)) << std::hex << c;
        }
    }
}

TEST(Kmeans, AlphaPassesThroughWithAndWithoutDither) {
    Image picture = photoCrop();
    picture.setDepth(32);
    for (std::size_t i = 0; i < picture.pixelCount(); ++i)
        picture.pixels()[i] = keepAlpha(static_cast<Color>(i % 251) << 24, picture.pixels()[i]);
    for (bool dither : {false, true}) {
        SCOPED_TRACE(dither ? "dithered" : "plain");
        const Image work = reduced(picture, 32, dither);
        for (std::size_t i = 0; i < work.pixelCount(); ++i)
            ASSERT_EQ(alphaOf(work.pixels()[i]), static_cast<int>(i % 251)) << "pixel " << i;
    }
}

TEST(Kmeans, SamePictureSameBytesWhateverTheScanMeetsFirst) {
    // Points are taken in colour order: a mirrored picture has the same colours and must
    // get the same palette, and a second run the same bytes.
    Image mirrored = photoCrop();
    for (int y = 0; y < mirrored.height(); ++y)
        std::reverse(mirrored.row(y), mirrored.row(y) + mirrored.width());
    for (int limit : {16, 256}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        EXPECT_EQ(chooseKmeansPalette(photoCrop(), limit), chooseKmeansPalette(mirrored, limit));
        EXPECT_TRUE(
            imagesEqual(reduced(photoCrop(), limit, true), reduced(photoCrop(), limit, true)));
    }
}

TEST(Kmeans, OneThreadAndTwoGiveTheSameBytes) {
    // A picture with more colours than become points of their own, so the refinement works
    // on cell means in chunks that two threads share out.
    std::mt19937 rng(11);
    Image noisy(400, 400, 24);
    for (Color& c : noisy.pixels())
        c = makeColor(rng() % 256, rng() % 256, rng() % 256);
    for (int limit : {16, 256}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        EXPECT_EQ(chooseKmeansPalette(noisy, limit, 1), chooseKmeansPalette(noisy, limit, 2));
        EXPECT_EQ(chooseKmeansPalette(photoCrop(), limit, 1),
                  chooseKmeansPalette(photoCrop(), limit, 2));
        for (bool dither : {false, true}) {
            ColorIndex one, two;
            Image byOne = Image::unfilled(400, 400, 24), byTwo = Image::unfilled(400, 400, 24);
            quantizeKmeans(noisy, byOne, limit, dither, one, 1);
            quantizeKmeans(noisy, byTwo, limit, dither, two, 2);
            EXPECT_TRUE(imagesEqual(byOne, byTwo, dither ? "dithered" : "plain"));
        }
    }
}

TEST(Kmeans, IsTheLastMethodWithARememberedPaletteSize) {
    const QuantizeMethod last = static_cast<QuantizeMethod>(kMethodCount - 1);
    EXPECT_EQ(last, QuantizeMethod::Kmeans);
    EXPECT_EQ(methodInfo(last).label, "Kmeans");
    EXPECT_EQ(methodInfo(last).limitKind, LimitKind::PaletteSize);
    EXPECT_EQ(methodInfo(last).startLimit, 256);
    EXPECT_EQ(methodFromLabel("KMEANS"), QuantizeMethod::Kmeans);
}

}  // namespace
}  // namespace vd::test
