#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/image/color.h"
#include "platform/zeroed_array.h"
#include "quantize/color_index.h"

namespace vd {

// The answers of ColorIndex::nearest, bit for bit, found faster for whole images.
//
// Colour space is cut into cells of 4 x 4 x 4 values. A cell keeps only the palette entries
// that could be nearest to some colour inside it: an entry whose smallest possible distance
// to the cell exceeds another entry's largest possible distance never wins there. A query
// keeps the smallest (distance, examination rank) among its cell's candidates, where the
// rank is the slot in which the walk of ColorIndex would examine the entry (down, up, down,
// up ... from the start position of the query's green). That is exactly the walk's choice:
// the walk only skips entries whose green difference alone already reaches the best
// distance, and those are examined later than the winner anyway.
//
// That choice is made when a cell is built, not when it is asked: a cell with one candidate
// names it, and a cell with more holds a block of 64 answers, one per value inside it. A
// query is then a few loads and no branch that depends on the colour, which matters in a
// dithered scan, where every search waits for the one before and a misprediction or a
// distance computation lands on that chain. To keep building cheap, a block's cell is first
// screened again for each of its eight 2 x 2 x 2 sub-cells, most of which keep a single
// candidate. Cells are built when first asked for; cells whose block would not fit keep a
// list of candidates instead, and cells with very many use the walk itself. Palettes of more
// than 256 colours always use the walk. The walk's answers go through a cache of recent
// queries, since a photograph asks for the same colours again and again. The index must
// outlive the grid, unchanged.
class NearestGrid {
  public:
    // `queries` is about how many colours will be asked for; it sizes the walk's cache, so
    // that a small picture does not fault in the megabytes a large one puts to use.
    explicit NearestGrid(const ColorIndex& index, std::size_t queries = kManyQueries);
    static constexpr std::size_t kManyQueries = std::size_t{1} << 22;

    [[gnu::always_inline]] Color nearest(Color c) {
        const std::uint32_t word = cells_[cellOf(c)] ^ kUnbuilt;
        if (word & kMarker) [[unlikely]] return nearestElsewhere(c, word);
        return answerOf(c, word);
    }

  private:
    // A built cell's word holds where its answers start in answers_ (upper 24 bits) and, in
    // the low byte, 63 when it has one answer per value or 0 when one answer serves all of
    // them. Each answer is a table position minus one. The first 256 answers are 0 .. 255,
    // so a cell with a single candidate points at its own position there. A low byte with
    // the top bit set marks the other kinds of cell; the upper bits then hold a list number.
    static constexpr std::uint32_t kMarker = 0x80;
    static constexpr std::uint32_t kUnbuilt = 0x80, kCrowded = 0x81, kWalk = 0x82;
    static constexpr std::uint32_t kPerValue = 63;

    // The value's place in its cell's block: red, green and blue's two low bits.
    static std::uint32_t valueOf(Color c) {
        return (c & 3) | ((c >> 6) & 0xC) | ((c >> 12) & 0x30);
    }
    [[gnu::always_inline]] Color answerOf(Color c, std::uint32_t word) const {
        return sorted_[1 + answers_[(word >> 8) + (valueOf(c) & word)]];
    }

    static constexpr int kMaxListCandidates = 40;
    static constexpr int kMaxBlockCandidates = 160;
    static constexpr int kMaxGridColors = 256;
    static constexpr std::size_t kMaxAnswers = std::size_t{1} << 24;

    static constexpr int kCellBits = 2;  // a cell spans 4 values per channel
    static constexpr int kIndexBits = 8 - kCellBits;
    static constexpr int kCellsPerChannel = 256 >> kCellBits;
    static constexpr std::size_t kCellCount = std::size_t{1} << (3 * kIndexBits);
    // The lists of a level whose blocks are `cells` cells a side.
    static constexpr std::size_t listsAt(int cells) {
        const auto perChannel = static_cast<std::size_t>(kCellsPerChannel / cells);
        return perChannel * perChannel * perChannel;
    }

    // Cells are laid out in Z order (the bits of the three cell coordinates interleaved), so
    // that neighbouring colours, which a dithered scan asks for in turn, share cache lines.
    static constexpr std::array<std::uint32_t, 256> kSpread = [] {
        std::array<std::uint32_t, 256> spread{};
        for (int v = 0; v < 256; ++v) {
            for (int bit = 0; bit < kIndexBits; ++bit) {
                spread[v] |= static_cast<std::uint32_t>((v >> (kCellBits + bit)) & 1) << (3 * bit);
            }
        }
        return spread;
    }();
    static std::uint32_t cellOf(Color c) {
        return kSpread[c & 0xFF] | (kSpread[(c >> 8) & 0xFF] << 1) |
               (kSpread[(c >> 16) & 0xFF] << 2);
    }

    // Distance in the high half, examination rank in the low half: the smallest key is the
    // walk's answer. The walk examines start - 1, start, start - 2, start + 1, ...
    std::uint64_t keyOf(Color c, int position, int start) const {
        // 2d + 1 for an entry d places above the start, -2d - 2 below it; without a branch.
        const int d = position - start;
        const auto rank = static_cast<std::uint32_t>((2 * d + 1) ^ (d >> 31));
        return (static_cast<std::uint64_t>(colorDistance(c, sorted_[position])) << 32) | rank;
    }
    static int positionOfKey(std::uint64_t key, int start) {
        const auto rank = static_cast<int>(key & 0xFFFFFFFFu);
        return (rank & 1) ? start + (rank >> 1) : start - 1 - (rank >> 1);
    }
    // The walk's answer for `c` among the candidates, as a table position.
    int nearestPosition(Color c, std::span<const std::uint16_t> candidates) const;
    Color nearestByWalk(Color c);

    struct Box {
        int r0, g0, b0, side;
    };
    struct Range {
        std::uint32_t begin, count;
    };

    Color nearestElsewhere(Color c, std::uint32_t word);
    std::uint32_t buildCell(Color c);
    std::uint32_t answerBlock(Box cell);
    std::span<const std::uint16_t> candidatesAround(int level, int cr, int cg, int cb);
    void screen(std::span<const std::uint16_t> from, Box box, std::vector<std::uint16_t>& kept);
    void dropHiddenDuplicates(std::vector<std::uint16_t>& kept, Box box);

    const ColorIndex& index_;
    std::span<const std::uint32_t> sorted_;
    const std::array<int, 256>& start_;
    bool hasDuplicates_ = false;
    // Each cell's word XOR kUnbuilt, so that the zeroed table reads as cells not built yet
    // and a mapping touches only the pages of the cells it asks for.
    ZeroedArray<std::uint32_t> cells_;
    // Cells take their candidates from a block around them, screened in turn from a larger
    // block: blocks of 4 x 4 x 4 cells (from the whole palette), then of 2 x 2 x 2.
    struct Level {
        int cells;                 // per side
        ZeroedArray<Range> lists;  // count 0: not built yet
        std::vector<std::uint16_t> positions;
    };
    std::array<Level, 2> levels_;
    std::vector<std::uint8_t> answers_;
    std::vector<std::uint16_t> cellKept_;
    std::vector<Range> lists_;  // of cells without a block, into listPositions_
    std::vector<std::uint16_t> listPositions_;
    std::vector<std::uint16_t> all_, kept_;
    std::vector<std::int32_t> lower_;

    // A direct-mapped table of walk queries (colours without their fourth byte) and their
    // answers: a slot for every four queries, from 2^12 to 2^18 slots.
    static constexpr int kFewestWalkSlotBits = 12, kMostWalkSlotBits = 18;
    int walkSlotBits_;
    static constexpr std::uint32_t kNoQuery = 0xFFFFFFFFu;  // never a 24-bit colour
    struct WalkSlot {
        std::uint32_t query;
        Color answer;
    };
    std::vector<WalkSlot> walkSlots_;
    void makeWalkCache();
};

class Image;

// Rows [first, end) of `source` mapped onto their nearest colours into `target` (same size),
// each keeping its alpha. Neighbours often share a colour, so the last answer serves again.
void mapRowsToNearest(const Image& source, Image& target, NearestGrid& grid, int first, int end);

}  // namespace vd
