#include "quantize/popularity.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "quantize/count_colors.h"

namespace vd {

namespace {

// A coarsened colour keeps at most the top four bits of each channel and sets the low four,
// so three nibbles name it: red in bits 0-3, green in 4-7, blue in 8-11.
constexpr int kGridColors = 4096;
constexpr std::uint32_t kNotSeen = std::numeric_limits<std::uint32_t>::max();

int fineKey(Color c) {
    return static_cast<int>(((c >> 4) & 0xF) | ((c >> 8) & 0xF0) | ((c >> 12) & 0xF00));
}

Color colorOfKey(int key) {
    auto channel = [key](int shift) { return (((key >> shift) & 0xF) << 4) | 0x0F; };
    return makeColor(channel(0), channel(4), channel(8));
}

// Pixel counts per coarsened colour, with the scan position where each was first met.
struct GridCensus {
    std::array<std::uint32_t, kGridColors> count{};
    std::array<std::uint32_t, kGridColors> firstSeen{};

    int distinct() const {
        return static_cast<int>(
            std::count_if(count.begin(), count.end(), [](std::uint32_t n) { return n != 0; }));
    }
};

// The census of the 4-bit grid, in one scan (y outer, x inner).
GridCensus fineCensus(const Image& image) {
    GridCensus census;
    census.firstSeen.fill(kNotSeen);
    std::uint32_t position = 0;
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        for (int x = 0; x < image.width(); ++x, ++position) {
            const int key = fineKey(row[x]);
            if (census.count[key]++ == 0) census.firstSeen[key] = position;
        }
    }
    return census;
}

// A coarser grid keeps `bits` (2..4) of every channel. Its census follows from the fine one:
// a coarse colour's count is the sum over the fine colours it covers, and the scan first met
// it where it first met any of them.
GridCensus coarsen(const GridCensus& fine, int bits) {
    const int nibble = (0xF << (4 - bits)) & 0xF;
    const int keyMask = nibble | (nibble << 4) | (nibble << 8);
    GridCensus coarse;
    coarse.firstSeen.fill(kNotSeen);
    for (int key = 0; key < kGridColors; ++key) {
        if (fine.count[key] == 0) continue;
        const int target = key & keyMask;
        coarse.count[target] += fine.count[key];
        coarse.firstSeen[target] = std::min(coarse.firstSeen[target], fine.firstSeen[key]);
    }
    return coarse;
}

// The coarsest grid that leaves at least ten spare colours: 2 bits only below 48 colours,
// then 3 bits, else 4 bits.
GridCensus chooseGrid(const GridCensus& fine, int limit) {
    if (limit < 48) {
        GridCensus twoBits = coarsen(fine, 2);
        if (twoBits.distinct() >= limit + 10) return twoBits;
    }
    GridCensus threeBits = coarsen(fine, 3);
    if (threeBits.distinct() >= limit + 10) return threeBits;
    return fine;
}

struct CountedColor {
    Color color;
    std::uint32_t count;
};

enum Group { kBright, kDark, kUpperMiddle, kLowerMiddle, kGroupCount };

Group groupOf(Color c) {
    const int score = 2 * redOf(c) + 4 * greenOf(c) + blueOf(c);
    if (score > 1338) return kBright;
    if (score > 892) return kUpperMiddle;
    if (score > 446) return kLowerMiddle;
    return kDark;
}

// Each group's colours, most frequent first; equal counts in the order the scan met them.
std::array<std::vector<CountedColor>, kGroupCount> sortedGroups(const GridCensus& census) {
    std::vector<int> metOrder;
    for (int key = 0; key < kGridColors; ++key) {
        if (census.count[key] != 0) metOrder.push_back(key);
    }
    std::sort(metOrder.begin(), metOrder.end(),
              [&](int a, int b) { return census.firstSeen[a] < census.firstSeen[b]; });

    std::array<std::vector<CountedColor>, kGroupCount> groups;
    for (int key : metOrder) {
        const Color color = colorOfKey(key);
        groups[groupOf(color)].push_back({color, census.count[key]});
    }
    for (auto& group : groups) {
        std::stable_sort(group.begin(), group.end(),
                         [](const auto& a, const auto& b) { return a.count > b.count; });
    }
    return groups;
}

// Turns in the order bright, dark, upper-middle, lower-middle until `limit` are taken.
Palette takeInTurns(const std::array<std::vector<CountedColor>, kGroupCount>& groups, int limit) {
    Palette palette;
    std::array<std::size_t, kGroupCount> next{};
    while (static_cast<int>(palette.size()) < limit) {
        bool gaveAny = false;
        for (int g = 0; g < kGroupCount && static_cast<int>(palette.size()) < limit; ++g) {
            if (next[g] == groups[g].size()) continue;
            palette.push_back(groups[g][next[g]++].color);
            gaveAny = true;
        }
        if (!gaveAny) break;
    }
    return palette;
}

}  // namespace

Palette choosePopularityPalette(const Image& reference, int limit) {
    if (limit < 1) throw std::invalid_argument("a palette needs at least one colour");
    // Only whether the image has fewer colours than the limit matters here.
    limit = std::min(limit, countColorsUpTo(reference, limit));
    if (limit == 0) return {};

    const GridCensus census = chooseGrid(fineCensus(reference), limit);
    limit = std::min(limit, census.distinct());
    return takeInTurns(sortedGroups(census), limit);
}

}  // namespace vd
