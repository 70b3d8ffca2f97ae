#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/image/color.h"
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
// Most cells have at most four candidates; their table positions sit in the cell's own word
// and are all evaluated without a branch, which keeps a dithered scan (where every search
// waits for the one before) free of mispredictions. Crowded cells keep a list elsewhere or,
// beyond that, use the walk itself. Cells are built when first asked for. Palettes of more
// than 256 colours always use the walk. The index must outlive the grid, unchanged.
class NearestGrid {
  public:
    explicit NearestGrid(const ColorIndex& index);

    [[gnu::always_inline]] Color nearest(Color c) {
        const std::uint32_t word = cells_[cellOf(c)];
        if ((word & 0xFFFF) == kSplit) return nearestAmong(c, subcells_[subcellOf(c, word)]);
        if (isMarker(word)) return nearestElsewhere(c, word);
        return nearestAmong(c, word);
    }

  private:
    // A cell word holds four bytes, each a table position minus one, in ascending order
    // (fewer candidates repeat the last). A word whose low byte is 1 to 4 while the next
    // byte is 0 cannot be ascending, so those mark the other kinds of cell; the upper half
    // then holds a list or block number.
    static constexpr std::uint32_t kUnbuilt = 1, kCrowded = 2, kWalk = 3, kSplit = 4;
    static bool isMarker(std::uint32_t word) { return (word & 0xFFFF) - 1 < 4; }

    // The answer among the candidates of a word that is no marker.
    [[gnu::always_inline]] Color nearestAmong(Color c, std::uint32_t word) const {
        if ((word >> 24) == (word & 0xFF)) return sorted_[(word & 0xFF) + 1];  // one candidate
        const int start = start_[greenOf(c)];
        std::uint64_t best = keyOf(c, (word & 0xFF) + 1, start);
        best = std::min(best, keyOf(c, ((word >> 8) & 0xFF) + 1, start));
        best = std::min(best, keyOf(c, ((word >> 16) & 0xFF) + 1, start));
        best = std::min(best, keyOf(c, (word >> 24) + 1, start));
        return entryOfKey(best, start);
    }

    // A cell with a few candidates is split into eight cells of 2 x 2 x 2 values, most of
    // which keep a single one: colours near a boundary between palette colours then mostly
    // find their answer without computing distances. The block of eight words sits apart.
    static std::uint32_t subcellOf(Color c, std::uint32_t word) {
        return (word >> 16) * 8 + ((c >> 1) & 1) + ((c >> 8) & 2) + ((c >> 15) & 4);
    }
    static constexpr int kSlots = 4;
    static constexpr int kMaxListCandidates = 40;
    static constexpr int kMaxBlockCandidates = 160;
    static constexpr int kMaxGridColors = 256;

    static constexpr int kCellBits = 2;  // a cell spans 4 values per channel
    static constexpr int kIndexBits = 8 - kCellBits;
    static constexpr int kCellsPerChannel = 256 >> kCellBits;

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
    Color entryOfKey(std::uint64_t key, int start) const {
        const auto rank = static_cast<int>(key & 0xFFFFFFFFu);
        return sorted_[(rank & 1) ? start + (rank >> 1) : start - 1 - (rank >> 1)];
    }

    struct Box {
        int r0, g0, b0, side;
    };
    struct Range {
        std::uint32_t begin, count;
    };

    Color nearestElsewhere(Color c, std::uint32_t word);
    std::uint32_t buildCell(Color c);
    std::uint32_t candidateWord() const;
    std::uint32_t splitCell(Box cell);
    std::span<const std::uint16_t> candidatesAround(int level, int cr, int cg, int cb);
    void screen(std::span<const std::uint16_t> from, Box box, std::vector<std::uint16_t>& kept);
    void dropHiddenDuplicates(std::vector<std::uint16_t>& kept, Box box);

    const ColorIndex& index_;
    std::span<const std::uint32_t> sorted_;
    const std::array<int, 256>& start_;
    bool hasDuplicates_ = false;
    std::vector<std::uint32_t> cells_;
    // Cells take their candidates from a block around them, screened in turn from a larger
    // block: blocks of 4 x 4 x 4 cells (from the whole palette), then of 2 x 2 x 2.
    struct Level {
        int cells;                 // per side
        std::vector<Range> lists;  // count 0: not built yet
        std::vector<std::uint16_t> positions;
    };
    std::array<Level, 2> levels_;
    std::vector<std::uint32_t> subcells_;  // blocks of eight words of split cells
    std::vector<std::uint16_t> cellKept_;
    std::vector<Range> lists_;  // of crowded cells, into listPositions_
    std::vector<std::uint16_t> listPositions_;
    std::vector<std::uint16_t> all_, kept_;
    std::vector<std::int32_t> lower_;
};

}  // namespace vd
