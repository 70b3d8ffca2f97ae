#include "quantize/color_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace vd {
namespace {

constexpr Color rgb(int r, int g, int b) {
    return makeColor(r, g, b);
}

// The distance written out in 64-bit arithmetic.
std::int64_t distance(Color q, Color p) {
    const std::int64_t dr = redOf(q) - redOf(p), dg = greenOf(q) - greenOf(p),
                       db = blueOf(q) - blueOf(p), s = redOf(q) + redOf(p);
    return 2048 * dg * dg + (1024 + s) * dr * dr + (1534 - s) * db * db;
}

// The table as described: sentinels, opaque entries, insertion-sorted (hence stable) by the
// low 16 bits.
std::vector<std::uint32_t> expectedTable(const Palette& palette) {
    std::vector<std::uint32_t> table{0};
    for (Color c : palette) {
        auto at = table.end();
        while (at - 1 != table.begin() && ((*(at - 1)) & 0xFFFF) > (c & 0xFFFF))
            --at;
        table.insert(at, c | 0xFF000000u);
    }
    table.push_back(0);
    return table;
}

// Middle of the run of green g, or the first entry with a larger green.
int expectedStart(const std::vector<std::uint32_t>& table, int g) {
    const int count = static_cast<int>(table.size()) - 2;
    int first = 0, last = 0;
    for (int i = 1; i <= count; ++i) {
        if (greenOf(table[i]) == g) {
            if (first == 0) first = i;
            last = i;
        } else if (greenOf(table[i]) > g && first == 0) {
            return i;
        }
    }
    return first == 0 ? count + 1 : (first + last + 1) / 2;
}

// Every entry by brute force: the smallest distance wins, and among equals the one the walk
// examines first (down, up, down, up ... from the start position).
Color bruteForceNearest(const std::vector<std::uint32_t>& table, int start, Color q) {
    std::int64_t best = -1, bestRank = 0;
    Color result = 0;
    for (int j = 1; j + 1 < static_cast<int>(table.size()); ++j) {
        const std::int64_t d = distance(q, table[j]);
        const std::int64_t rank = j < start ? 2 * (start - 1 - j) : 2 * (j - start) + 1;
        if (best < 0 || d < best || (d == best && rank < bestRank)) {
            best = d;
            bestRank = rank;
            result = table[j];
        }
    }
    return result;
}

TEST(ColorIndex, DefaultPaletteTablesAreSortedByGreenThenRed) {
    const ColorIndex index;
    const std::vector<std::uint32_t> expected = {
        0,
        rgb(0, 0, 0),
        rgb(0, 0, 170),
        rgb(170, 0, 0),
        rgb(170, 0, 170),
        rgb(85, 85, 85),
        rgb(85, 85, 255),
        rgb(170, 85, 0),
        rgb(255, 85, 85),
        rgb(255, 85, 255),
        rgb(0, 170, 0),
        rgb(0, 170, 170),
        rgb(170, 170, 170),
        rgb(85, 255, 85),
        rgb(85, 255, 255),
        rgb(255, 255, 85),
        rgb(255, 255, 255),
        0,
    };
    const auto table = index.sortedPalette();
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint32_t want = (i == 0 || i + 1 == table.size()) ? 0 : expected[i] | kAlphaMask;
        EXPECT_EQ(table[i], want) << "entry " << i;
    }
    // Runs: green 0 at 1-4, 85 at 5-9, 170 at 10-12, 255 at 13-16.
    const auto& start = index.greenIndex();
    EXPECT_EQ(start[0], 3);
    EXPECT_EQ(start[1], 5);
    EXPECT_EQ(start[84], 5);
    EXPECT_EQ(start[85], 7);
    EXPECT_EQ(start[86], 10);
    EXPECT_EQ(start[170], 11);
    EXPECT_EQ(start[200], 13);
    EXPECT_EQ(start[255], 15);
}

TEST(ColorIndex, FindsExactColoursIncludingBlackAndReturnsThemOpaque) {
    ColorIndex index;
    const Palette palette = {rgb(9, 200, 3), rgb(0, 0, 0), rgb(255, 255, 255), rgb(40, 0, 80)};
    index.build(palette);
    for (Color c : palette)
        EXPECT_EQ(index.nearest(c | 0x5A000000u), c | kAlphaMask);

    index.build(Palette{rgb(1, 2, 3)});
    for (Color q : {rgb(0, 0, 0), rgb(255, 255, 255), rgb(1, 255, 3)}) {
        EXPECT_EQ(index.nearest(q), rgb(1, 2, 3) | kAlphaMask);
    }
}

TEST(ColorIndex, TiesGoToTheCandidateExaminedFirst) {
    ColorIndex index;
    // Both at 2048: the downward candidate is examined first and keeps the result.
    index.build(Palette{rgb(0, 2, 0), rgb(0, 0, 0)});
    EXPECT_EQ(index.nearest(rgb(0, 1, 0)), rgb(0, 0, 0) | kAlphaMask);
    // Equal green and red: palette order is kept, so the earlier entry sits lower and wins.
    index.build(Palette{rgb(0, 0, 10), rgb(0, 0, 0)});
    EXPECT_EQ(index.nearest(rgb(0, 0, 5)), rgb(0, 0, 10) | kAlphaMask);
    index.build(Palette{rgb(0, 0, 0), rgb(0, 0, 10)});
    EXPECT_EQ(index.nearest(rgb(0, 0, 5)), rgb(0, 0, 0) | kAlphaMask);
}

TEST(ColorIndex, RedDifferencesWeighMoreNextToBrightReds) {
    ColorIndex index;
    index.build(Palette{rgb(245, 0, 0), rgb(255, 0, 10)});
    EXPECT_EQ(colorDistance(rgb(255, 0, 0), rgb(245, 0, 0)), 152400u);
    EXPECT_EQ(colorDistance(rgb(255, 0, 0), rgb(255, 0, 10)), 102400u);
    EXPECT_EQ(index.nearest(rgb(255, 0, 0)), rgb(255, 0, 10) | kAlphaMask);
    EXPECT_EQ(colorDistance(rgb(0, 0, 0), rgb(255, 255, 255)), 299505150u);
}

TEST(ColorIndex, PaletteWithOnlyGreenZeroHasValidStarts) {
    ColorIndex index;
    index.build(Palette{rgb(200, 0, 0), rgb(0, 0, 200), rgb(100, 0, 100)});
    for (int g = 0; g < 256; ++g) {
        EXPECT_EQ(index.greenIndex()[g], g == 0 ? 2 : 4) << "green " << g;
    }
    EXPECT_EQ(index.nearest(rgb(190, 255, 10)), rgb(200, 0, 0) | kAlphaMask);
}

TEST(ColorIndex, EmptyPaletteIsRefused) {
    ColorIndex index;
    EXPECT_THROW(index.build(Palette{}), std::invalid_argument);
}

// Random palettes, some with channels from a coarse set so that ties and equal green-red
// keys are common, checked against the brute force on random queries.
TEST(ColorIndex, AgreesWithBruteForceOnRandomPalettes) {
    std::mt19937 rng(1234);
    const int coarse[] = {0, 1, 64, 127, 128, 200, 255};
    ColorIndex index;
    for (int round = 0; round < 300; ++round) {
        const bool coarseChannels = round % 2 == 0;
        auto channel = [&] {
            return coarseChannels ? coarse[rng() % 7] : static_cast<int>(rng() % 256);
        };
        Palette palette(1 + rng() % (round % 3 == 0 ? 300 : 20));
        for (Color& c : palette)
            c = rgb(channel(), channel(), channel()) | (rng() << 24);
        index.build(palette);

        const auto expected = expectedTable(palette);
        const auto table = index.sortedPalette();
        ASSERT_TRUE(std::equal(table.begin(), table.end(), expected.begin(), expected.end()));
        for (int g = 0; g < 256; ++g)
            ASSERT_EQ(index.greenIndex()[g], expectedStart(expected, g));
        for (int q = 0; q < 200; ++q) {
            const Color query = rgb(channel(), channel(), channel());
            ASSERT_EQ(index.nearest(query),
                      bruteForceNearest(expected, expectedStart(expected, greenOf(query)), query))
                << "round " << round << " query " << std::hex << query;
        }
    }
}

}  // namespace
}  // namespace vd
