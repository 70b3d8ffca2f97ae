#include "quantize/nearest_grid.h"

#include <algorithm>
#include <cstdlib>

namespace vd {

namespace {

// Smallest and largest squared |v - p| for v in [lo, hi], without branches: the screens
// run over many entries whose side of the box is anyone's guess.
struct Spread {
    std::int32_t nearSq;
    std::int32_t farSq;
};

Spread spread(int p, int lo, int hi) {
    const int near = std::max({lo - p, p - hi, 0});
    const int far = std::max(p - lo, hi - p);
    return {near * near, far * far};
}

}  // namespace

NearestGrid::NearestGrid(const ColorIndex& index)
    : index_(index),
      sorted_(index.sortedPalette()),
      start_(index.greenIndex()),
      levels_{Level{4, {}, {}}, Level{2, {}, {}}} {
    for (Level& level : levels_) {
        const int perChannel = kCellsPerChannel / level.cells;
        level.lists.assign(static_cast<std::size_t>(perChannel) * perChannel * perChannel,
                           Range{0, 0});
    }
    const int count = index.colorCount();
    cells_.assign(std::size_t{1} << (3 * kIndexBits), count > kMaxGridColors ? kWalk : kUnbuilt);
    if (count > kMaxGridColors) return;
    for (int i = 1; i <= count; ++i)
        all_.push_back(static_cast<std::uint16_t>(i));
    std::vector<std::uint32_t> colors(sorted_.begin() + 1, sorted_.end() - 1);
    std::sort(colors.begin(), colors.end());
    hasDuplicates_ = std::adjacent_find(colors.begin(), colors.end()) != colors.end();
}

// Keeps the entries of `from` that may be nearest somewhere in the box, in the same order.
void NearestGrid::screen(std::span<const std::uint16_t> from, Box box,
                         std::vector<std::uint16_t>& kept) {
    const int r1 = box.r0 + box.side - 1, g1 = box.g0 + box.side - 1, b1 = box.b0 + box.side - 1;
    // Every bound fits in 32 bits: none exceeds 2048 x 255^2 + 2 x 1534 x 255^2.
    std::int32_t bestUpper = INT32_MAX;
    lower_.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        const Color e = sorted_[from[i]];
        const int pr = redOf(e);
        const Spread dr = spread(pr, box.r0, r1), dg = spread(greenOf(e), box.g0, g1),
                     db = spread(blueOf(e), box.b0, b1);
        // The red and blue weights depend on the query's red, somewhere in [r0, r1].
        lower_[i] =
            2048 * dg.nearSq + (1024 + box.r0 + pr) * dr.nearSq + (1534 - r1 - pr) * db.nearSq;
        const std::int32_t upper =
            2048 * dg.farSq + (1024 + r1 + pr) * dr.farSq + (1534 - box.r0 - pr) * db.farSq;
        bestUpper = std::min(bestUpper, upper);
    }
    kept.clear();
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (lower_[i] <= bestUpper) kept.push_back(from[i]);
    }
    if (hasDuplicates_) dropHiddenDuplicates(kept, box);
}

// Entries of one colour give the same answer, so of each such group only the ones the walk
// can examine first matter: for every start position the box's greens use, the nearest one
// below the start and the nearest one at or above it.
void NearestGrid::dropHiddenDuplicates(std::vector<std::uint16_t>& kept, Box box) {
    std::vector<int> starts;
    for (int g = box.g0; g < box.g0 + box.side; ++g) {
        if (starts.empty() || starts.back() != start_[g]) starts.push_back(start_[g]);
    }
    std::vector<std::uint16_t> byColor = kept;
    std::stable_sort(byColor.begin(), byColor.end(),
                     [this](std::uint16_t a, std::uint16_t b) { return sorted_[a] < sorted_[b]; });
    kept.clear();
    for (auto first = byColor.begin(); first != byColor.end();) {
        auto last = std::find_if(first, byColor.end(),
                                 [&](std::uint16_t p) { return sorted_[p] != sorted_[*first]; });
        // Positions within the group ascend, as the stable sort kept them.
        for (auto p = first; p != last; ++p) {
            const bool firstMet = std::any_of(starts.begin(), starts.end(), [&](int s) {
                const bool below = *p < s;
                const auto next = p + 1;
                const auto prev = p == first ? last : p - 1;
                return below ? (next == last || *next >= s) : (prev == last || *prev < s);
            });
            if (firstMet) kept.push_back(*p);
        }
        first = last;
    }
}

Color NearestGrid::nearestElsewhere(Color c, std::uint32_t word) {
    if ((word & 0xFFFF) == kUnbuilt) {
        word = cells_[cellOf(c)] = buildCell(c);
        if ((word & 0xFFFF) == kSplit) return nearestAmong(c, subcells_[subcellOf(c, word)]);
        if (!isMarker(word)) return nearestAmong(c, word);
    }
    if ((word & 0xFFFF) == kWalk) return index_.nearest(c);
    const Range list = lists_[word >> 16];
    const int start = start_[greenOf(c)];
    std::uint64_t best = ~std::uint64_t{0};
    for (std::uint32_t i = list.begin; i < list.begin + list.count; ++i) {
        best = std::min(best, keyOf(c, listPositions_[i], start));
    }
    return entryOfKey(best, start);
}

// The candidates of the block at `level` that holds cell (cr, cg, cb).
std::span<const std::uint16_t> NearestGrid::candidatesAround(int level, int cr, int cg, int cb) {
    Level& at = levels_[level];
    const int perChannel = kCellsPerChannel / at.cells;
    const int br = cr / at.cells, bg = cg / at.cells, bb = cb / at.cells;
    Range& list = at.lists[br + perChannel * (bg + perChannel * bb)];
    if (list.count == 0) {
        const std::span<const std::uint16_t> from = level == 0
                                                        ? std::span<const std::uint16_t>(all_)
                                                        : candidatesAround(level - 1, cr, cg, cb);
        const int side = at.cells << kCellBits;
        screen(from, Box{br * side, bg * side, bb * side, side}, kept_);
        list = Range{static_cast<std::uint32_t>(at.positions.size()),
                     static_cast<std::uint32_t>(kept_.size())};
        at.positions.insert(at.positions.end(), kept_.begin(), kept_.end());
    }
    return std::span<const std::uint16_t>(at.positions).subspan(list.begin, list.count);
}

// The word for the cell of colour `c`.
std::uint32_t NearestGrid::buildCell(Color c) {
    const int cr = redOf(c) >> kCellBits, cg = greenOf(c) >> kCellBits, cb = blueOf(c) >> kCellBits;
    const std::span<const std::uint16_t> from = candidatesAround(1, cr, cg, cb);
    if (static_cast<int>(from.size()) > kMaxBlockCandidates) return kWalk;
    const int side = 1 << kCellBits;
    screen(from, Box{cr * side, cg * side, cb * side, side}, kept_);

    if (kept_.size() == 1) return candidateWord();
    if (static_cast<int>(kept_.size()) <= kSlots) {
        return subcells_.size() / 8 <= 0xFFFF
                   ? splitCell(Box{cr * side, cg * side, cb * side, side})
                   : candidateWord();
    }
    if (static_cast<int>(kept_.size()) > kMaxListCandidates || lists_.size() > 0xFFFF) return kWalk;
    lists_.push_back(Range{static_cast<std::uint32_t>(listPositions_.size()),
                           static_cast<std::uint32_t>(kept_.size())});
    listPositions_.insert(listPositions_.end(), kept_.begin(), kept_.end());
    return kCrowded | static_cast<std::uint32_t>(lists_.size() - 1) << 16;
}

// The word for the candidates in kept_ (one to four of them).
std::uint32_t NearestGrid::candidateWord() const {
    std::uint32_t word = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        const int position = kept_[std::min<std::size_t>(slot, kept_.size() - 1)];
        word |= static_cast<std::uint32_t>(position - 1) << (8 * slot);
    }
    return word;
}

// Screens the cell's candidates (in kept_) again for each of its eight sub-cells.
std::uint32_t NearestGrid::splitCell(Box cell) {
    const auto block = static_cast<std::uint32_t>(subcells_.size() / 8);
    cellKept_ = kept_;
    const int side = cell.side / 2;
    for (int sub = 0; sub < 8; ++sub) {
        const Box box{cell.r0 + (sub & 1) * side, cell.g0 + (sub >> 1 & 1) * side,
                      cell.b0 + (sub >> 2) * side, side};
        screen(cellKept_, box, kept_);
        subcells_.push_back(candidateWord());
    }
    return kSplit | block << 16;
}

}  // namespace vd
