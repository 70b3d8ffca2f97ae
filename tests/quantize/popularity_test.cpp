#include "quantize/popularity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color rgb(int r, int g, int b) {
    return makeColor(r, g, b);
}

Image imageOfCounts(const std::vector<std::pair<Color, int>>& counts) {
    std::vector<Color> pixels;
    for (auto [c, n] : counts)
        pixels.insert(pixels.end(), n, c);
    return imageFromPixels(static_cast<int>(pixels.size()), 1, pixels);
}

// The method written out literally: coarsened copies, a set for each count, a list of
// (colour, count) in the order first met, stable sorts and the turns.
Palette referencePopularity(const Image& reference, int limit) {
    auto distinct = [](const Image& image) {
        std::set<Color> colors;
        for (Color p : image.pixels())
            colors.insert(p & kRgbMask);
        return static_cast<int>(colors.size());
    };
    auto coarsened = [&](int mask) {
        Image work = reference;
        for (Color& p : work.pixels()) {
            p = makeColor((redOf(p) & mask) | 15, (greenOf(p) & mask) | 15,
                          (blueOf(p) & mask) | 15);
        }
        return work;
    };
    int u = distinct(reference);
    if (u <= limit) limit = u;
    Image work = reference;
    u = 0;
    if (limit < 48) {
        work = coarsened(0xC0);
        u = distinct(work);
    }
    if (u < limit + 10) {
        work = coarsened(0xE0);
        if (distinct(work) < limit + 10) work = coarsened(0xF0);
    }
    std::vector<std::pair<Color, int>> counted;
    std::map<Color, std::size_t> where;
    for (Color p : work.pixels()) {
        auto [it, fresh] = where.emplace(p, counted.size());
        if (fresh) counted.push_back({p, 0});
        ++counted[it->second].second;
    }
    limit = std::min<int>(limit, counted.size());
    std::vector<std::pair<Color, int>> groups[4];  // bright, dark, upper-middle, lower-middle
    for (auto entry : counted) {
        const int score = 2 * redOf(entry.first) + 4 * greenOf(entry.first) + blueOf(entry.first);
        groups[score > 1338 ? 0 : score > 892 ? 2 : score > 446 ? 3 : 1].push_back(entry);
    }
    for (auto& g : groups) {
        std::stable_sort(g.begin(), g.end(), [](auto& a, auto& b) { return a.second > b.second; });
    }
    Palette palette;
    for (std::size_t turn = 0; static_cast<int>(palette.size()) < limit; ++turn) {
        for (auto& g : groups) {
            if (turn < g.size() && static_cast<int>(palette.size()) < limit) {
                palette.push_back(g[turn].first);
            }
        }
    }
    return palette;
}

TEST(Popularity, FiveColoursFallBackToTheFinestGrid) {
    // Coarser grids give at most 4 colours, fewer than 5 + 10, so the 4-bit grid is counted.
    const Image image = imageOfCounts({{rgb(0, 0, 0), 3},
                                       {rgb(100, 150, 200), 4},
                                       {rgb(16, 0, 0), 2},
                                       {rgb(255, 255, 255), 1},
                                       {rgb(32, 64, 96), 1}});
    // Turns: bright (white), dark (15,15,15: 3 > 2), upper-middle, lower-middle, dark again.
    const Palette expected = {rgb(255, 255, 255), rgb(15, 15, 15), rgb(111, 159, 207),
                              rgb(47, 79, 111), rgb(31, 15, 15)};
    EXPECT_EQ(choosePopularityPalette(image, 32), expected);
}

TEST(Popularity, LimitTwoTakesTheTopBrightThenTheTopDark) {
    const Image image = imageOfCounts({{rgb(20, 20, 20), 2},
                                       {rgb(240, 240, 240), 1},
                                       {rgb(100, 100, 100), 9},
                                       {rgb(150, 150, 150), 9},
                                       {rgb(0, 40, 0), 3},
                                       {rgb(250, 250, 250), 2}});
    EXPECT_EQ(choosePopularityPalette(image, 2), (Palette{rgb(255, 255, 255), rgb(15, 47, 15)}));
}

TEST(Popularity, OneGroupGivesItsColoursByCountWithTiesInScanOrder) {
    const Image image = imageOfCounts({{rgb(0, 0, 80), 2},
                                       {rgb(0, 0, 48), 5},
                                       {rgb(0, 0, 16), 2},
                                       {rgb(0, 0, 112), 2},
                                       {rgb(0, 16, 0), 1}});
    EXPECT_EQ(choosePopularityPalette(image, 3),
              (Palette{rgb(15, 15, 63), rgb(15, 15, 95), rgb(15, 15, 31)}));
}

TEST(Popularity, UniformImageGivesOneColour) {
    for (int limit : {2, 47, 256}) {
        EXPECT_EQ(choosePopularityPalette(Image(7, 3, 24, rgb(0, 0, 0)), limit),
                  Palette{rgb(15, 15, 15)});
    }
}

// Every 3-bit colour once: the 2-bit grid has 64 colours, enough for limit 47 (>= 57) but
// never tried at 48, where the 3-bit grid (512 colours) is used instead.
TEST(Popularity, TwoBitGridOnlyBelowFortyEight) {
    Image image(512, 1, 24);
    for (int i = 0; i < 512; ++i) {
        image.at(i, 0) = makeColor((i & 7) * 32, (i >> 3 & 7) * 32, (i >> 6) * 32, 255);
    }
    auto channels = [](const Palette& p) {
        std::set<int> levels;
        for (Color c : p)
            levels.insert({redOf(c), greenOf(c), blueOf(c)});
        return levels;
    };
    const std::set<int> twoBitLevels = {15, 79, 143, 207};
    const std::set<int> at47 = channels(choosePopularityPalette(image, 47));
    EXPECT_TRUE(std::includes(twoBitLevels.begin(), twoBitLevels.end(), at47.begin(), at47.end()));
    EXPECT_TRUE(channels(choosePopularityPalette(image, 48)).count(47));
    EXPECT_EQ(choosePopularityPalette(image, 47), referencePopularity(image, 47));
    EXPECT_EQ(choosePopularityPalette(image, 48), referencePopularity(image, 48));
}

TEST(Popularity, MatchesTheLiteralMethodOnRandomImages) {
    std::mt19937 rng(5);
    for (int round = 0; round < 150; ++round) {
        // Few source colours in some rounds, many in others, so every grid gets chosen.
        std::vector<Color> sources(1 + rng() % (round % 3 == 0 ? 8 : 600));
        for (Color& c : sources)
            c = rng() & kRgbMask;
        Image image(1 + rng() % 40, 1 + rng() % 40, 24);
        for (Color& p : image.pixels())
            p = sources[rng() % sources.size()] | kAlphaMask;
        const int limit = 2 + static_cast<int>(rng() % 255);
        ASSERT_EQ(choosePopularityPalette(image, limit), referencePopularity(image, limit))
            << "round " << round << " limit " << limit;
    }
}

}  // namespace
}  // namespace vd::test
