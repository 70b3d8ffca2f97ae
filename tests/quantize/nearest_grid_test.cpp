#include "quantize/nearest_grid.h"

#include <gtest/gtest.h>

#include <random>

#include "quantize/flat_palettes.h"

namespace vd {
namespace {

// The grid must give the walk's answer for every query, ties included.
void expectSameAsWalk(const Palette& palette, std::mt19937& rng, int queries) {
    ColorIndex index;
    index.build(palette);
    NearestGrid grid(index);
    for (int q = 0; q < queries; ++q) {
        const Color query = static_cast<Color>(rng());
        ASSERT_EQ(grid.nearest(query), index.nearest(query))
            << std::hex << "query " << query << " palette size " << std::dec << palette.size();
    }
}

TEST(NearestGrid, AgreesWithTheWalkOnSpreadPalettes) {
    std::mt19937 rng(11);
    for (int round = 0; round < 12; ++round) {
        Palette palette(1 + rng() % 300);
        for (Color& c : palette)
            c = static_cast<Color>(rng()) & kRgbMask;
        expectSameAsWalk(palette, rng, 40000);
    }
}

// Channels from a coarse set make exact ties between different colours common; the
// examination order must decide them as the walk does.
TEST(NearestGrid, AgreesWithTheWalkOnTies) {
    std::mt19937 rng(12);
    const int levels[] = {0, 2, 4, 8, 128, 130, 252, 254};
    for (int round = 0; round < 16; ++round) {
        Palette palette(2 + rng() % 40);
        for (Color& c : palette)
            c = makeColor(levels[rng() % 8], levels[rng() % 8], levels[rng() % 8]);
        ColorIndex index;
        index.build(palette);
        NearestGrid grid(index);
        for (int r = 0; r < 256; r += 2) {
            for (int g = 0; g < 256; g += 3) {
                for (int b = 0; b < 256; b += 5) {
                    const Color q = makeColor(r, g, b);
                    ASSERT_EQ(grid.nearest(q), index.nearest(q)) << std::hex << q;
                }
            }
        }
    }
}

// Repeated colours (an Adaptive palette of a plain image) and tight clusters (which leave
// many candidates in distant cells, so those cells fall back to the walk).
TEST(NearestGrid, AgreesWithTheWalkOnRepeatsAndClusters) {
    std::mt19937 rng(13);
    for (int round = 0; round < 12; ++round) {
        Palette palette(2 + rng() % 256);
        const Color base = static_cast<Color>(rng()) & 0x7F7F7F;
        const int spread = round % 3 == 0 ? 1 : (round % 3 == 1 ? 4 : 40);
        for (Color& c : palette) {
            c = base + makeColor(rng() % spread, rng() % spread, rng() % spread);
        }
        expectSameAsWalk(palette, rng, 40000);
    }
    expectSameAsWalk(Palette(256, makeColor(9, 9, 9)), rng, 20000);
}

// Cells with a few candidates are split into eight cells of 2 x 2 x 2 values; every value
// of a region, in each of those sub-cells, must still get the walk's answer.
TEST(NearestGrid, AgreesWithTheWalkOnEveryValueOfARegion) {
    std::mt19937 rng(14);
    Palette spread(24);
    for (Color& c : spread)
        c = static_cast<Color>(rng()) & kRgbMask;
    Palette coarse(20);  // coarse channels: exact ties on sub-cell boundaries
    for (Color& c : coarse)
        c = makeColor(96 + 16 * (rng() % 5), 64 + 16 * (rng() % 5), 48 + 16 * (rng() % 5));
    for (const Palette& palette : {fixedPalette(QuantizeMethod::Fixed32), spread, coarse}) {
        ColorIndex index;
        index.build(palette);
        NearestGrid grid(index);
        for (int r = 96; r < 160; ++r) {
            for (int g = 64; g < 128; ++g) {
                for (int b = 48; b < 112; ++b) {
                    const Color q = makeColor(r, g, b);
                    ASSERT_EQ(grid.nearest(q), index.nearest(q)) << std::hex << q;
                }
            }
        }
    }
}

// Cells that walk keep recent answers; a pool of queries asked again and again, larger than
// that store (at its largest and at its smallest), must keep getting the walk's answers,
// whatever the fourth byte.
TEST(NearestGrid, RepeatedQueriesOfCellsThatWalk) {
    std::mt19937 rng(15);
    Palette many(300);  // more than the grid takes: every cell walks
    for (Color& c : many)
        c = static_cast<Color>(rng()) & kRgbMask;
    Palette cluster(200);  // one tight cluster: distant cells keep too many candidates
    for (Color& c : cluster)
        c = makeColor(100 + rng() % 3, 100 + rng() % 3, 100 + rng() % 3);
    for (const Palette& palette : {many, cluster}) {
        for (const std::size_t queries : {NearestGrid::kManyQueries, std::size_t{1}}) {
            SCOPED_TRACE(testing::Message() << palette.size() << " colours, cache for " << queries);
            ColorIndex index;
            index.build(palette);
            NearestGrid grid(index, queries);
            std::vector<Color> pool(300000);
            for (Color& q : pool)
                q = static_cast<Color>(rng());
            for (int pass = 0; pass < 2; ++pass) {
                for (int i = 0; i < 200000; ++i) {
                    const Color q = pool[rng() % pool.size()] ^ (static_cast<Color>(pass) << 24);
                    ASSERT_EQ(grid.nearest(q), index.nearest(q)) << std::hex << q;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vd
