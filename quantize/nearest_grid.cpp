#include "quantize/nearest_grid.h"

#include "platform/image/image.h"

#include <algorithm>
#include <bit>
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

NearestGrid::NearestGrid(const ColorIndex& index, std::size_t queries)
    : index_(index),
      sorted_(index.sortedPalette()),
      start_(index.greenIndex()),
      cells_(kCellCount),
      levels_{Level{4, ZeroedArray<Range>(listsAt(4)), {}},
              Level{2, ZeroedArray<Range>(listsAt(2)), {}}},
      walkSlotBits_(std::clamp(static_cast<int>(std::bit_width(queries)) - 2,
                               kFewestWalkSlotBits, kMostWalkSlotBits)) {
    const int count = index.colorCount();
    // Palettes of more colours than the grid takes walk for every colour, so their cache is
    // made here; for the others it is made when a cell first walks, which most never do.
    if (count > kMaxGridColors) {
        for (std::size_t cell = 0; cell < kCellCount; ++cell)
            cells_[cell] = kWalk ^ kUnbuilt;
        makeWalkCache();
        return;
    }
    // Room for the answers of every cell at once, so that the blocks never move: only the
    // pages the blocks fill are ever touched.
    answers_.reserve(kMaxAnswers);
    answers_.resize(256);
    for (int i = 0; i < 256; ++i)
        answers_[i] = static_cast<std::uint8_t>(i);
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
    if (word == kUnbuilt) {
        word = buildCell(c);
        cells_[cellOf(c)] = word ^ kUnbuilt;
        if (!(word & kMarker)) return answerOf(c, word);
    }
    if (word == kWalk) return nearestByWalk(c);
    const Range list = lists_[word >> 8];
    return sorted_[nearestPosition(
        c, std::span<const std::uint16_t>(listPositions_).subspan(list.begin, list.count))];
}

void NearestGrid::makeWalkCache() {
    walkSlots_.assign(std::size_t{1} << walkSlotBits_, WalkSlot{kNoQuery, 0});
}

Color NearestGrid::nearestByWalk(Color c) {
    if (walkSlots_.empty()) makeWalkCache();
    const std::uint32_t query = c & kRgbMask;
    WalkSlot& slot = walkSlots_[(query * 0x9E3779B1u) >> (32 - walkSlotBits_)];
    if (slot.query != query) slot = WalkSlot{query, index_.nearest(query)};
    return slot.answer;
}

int NearestGrid::nearestPosition(Color c, std::span<const std::uint16_t> candidates) const {
    const int start = start_[greenOf(c)];
    std::uint64_t best = ~std::uint64_t{0};
    for (const std::uint16_t position : candidates)
        best = std::min(best, keyOf(c, position, start));
    return positionOfKey(best, start);
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

    if (kept_.size() == 1) return static_cast<std::uint32_t>(kept_[0] - 1) << 8;
    if (static_cast<int>(kept_.size()) > kMaxListCandidates) return kWalk;
    if (answers_.size() + 64 <= kMaxAnswers) {
        return answerBlock(Box{cr * side, cg * side, cb * side, side});
    }
    if (lists_.size() >= (std::size_t{1} << 24)) return kWalk;
    lists_.push_back(Range{static_cast<std::uint32_t>(listPositions_.size()),
                           static_cast<std::uint32_t>(kept_.size())});
    listPositions_.insert(listPositions_.end(), kept_.begin(), kept_.end());
    return kCrowded | static_cast<std::uint32_t>(lists_.size() - 1) << 8;
}

// The answers for every value of the cell whose candidates are in kept_, each sub-cell of
// 2 x 2 x 2 values screened again first: most keep one candidate, and their eight answers
// need no distances.
std::uint32_t NearestGrid::answerBlock(Box cell) {
    // Where the values of a sub-cell sit in the block, from the place of its first value.
    static constexpr std::array<std::uint32_t, 8> kInSubcell = {0, 1, 4, 5, 16, 17, 20, 21};
    const auto base = static_cast<std::uint32_t>(answers_.size());
    answers_.resize(answers_.size() + 64);
    cellKept_ = kept_;
    for (int sub = 0; sub < 8; ++sub) {
        const int r0 = cell.r0 + (sub & 1) * 2, g0 = cell.g0 + (sub >> 1 & 1) * 2,
                  b0 = cell.b0 + (sub >> 2) * 2;
        screen(cellKept_, Box{r0, g0, b0, 2}, kept_);
        std::uint8_t* out = answers_.data() + base + valueOf(makeColor(r0, g0, b0));
        for (int i = 0; i < 8; ++i) {
            const int position =
                kept_.size() == 1
                    ? kept_[0]
                    : nearestPosition(makeColor(r0 + (i & 1), g0 + (i >> 1 & 1), b0 + (i >> 2)),
                                      kept_);
            out[kInSubcell[i]] = static_cast<std::uint8_t>(position - 1);
        }
    }
    return base << 8 | kPerValue;
}

void mapRowsToNearest(const Image& source, Image& target, NearestGrid& grid, int first, int end) {
    for (int y = first; y < end; ++y) {
        const Color* in = source.row(y);
        Color* out = target.row(y);
        Color lastIn = kAlphaMask;  // alpha bits set: never equal to a masked read
        Color lastOut = 0;
        for (int x = 0; x < source.width(); ++x) {
            const Color c = in[x] & kRgbMask;
            if (c != lastIn) {
                lastIn = c;
                lastOut = grid.nearest(c);
            }
            out[x] = keepAlpha(in[x], lastOut);
        }
    }
}

}  // namespace vd
