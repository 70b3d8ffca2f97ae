#include "quantize/count_colors.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "platform/zeroed_array.h"
#include "quantize/color_set.h"

namespace vd {

namespace {

// One bit per 24-bit colour: bit v is bit (v mod 64) of word v div 64.
class ColorBitSet {
  public:
    static constexpr std::size_t kWords = (std::size_t{1} << 24) / 64;

    ColorBitSet() : words_(kWords) {}

    void add(std::uint32_t v) { words_[v >> 6] |= std::uint64_t{1} << (v & 63); }

    int size() const {
        int count = 0;
        for (std::size_t i = 0; i < kWords; ++i)
            count += std::popcount(words_[i]);
        return count;
    }

    // True when `v` was not in the set yet.
    bool insert(std::uint32_t v) {
        std::uint64_t& word = words_[v >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (v & 63);
        const bool fresh = (word & bit) == 0;
        word |= bit;
        return fresh;
    }

  private:
    // Only the pages a picture's colours fall on are touched: a few for a check of a few
    // hundred colours, instead of clearing all two megabytes.
    ZeroedArray<std::uint64_t> words_;
};

// Stops as soon as the count passes `cap`.
template <class Set>
int countDistinctUpTo(const Image& image, int cap, Set& seen) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        // Runs of one colour are common; the previous pixel is a free first test.
        std::uint32_t previous = 0xFFFFFFFFu;
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t v = row[x] & kRgbMask;
            if (v == previous) continue;
            previous = v;
            if (seen.insert(v) && ++count > cap) return count;
        }
    }
    return count;
}

constexpr int kMostInSmallSet = 4096;

}  // namespace

int countColors(const Image& image) {
    // Setting bits without testing them leaves no branch to mispredict; the bits are
    // counted once at the end.
    ColorBitSet seen;
    for (Color c : image.pixels())
        seen.add(c & kRgbMask);
    return seen.size();
}

int countColorsUpTo(const Image& image, int cap) {
    // A count that stops after a few thousand colours needs no bit set of two megabytes,
    // and a photograph's first few hundred colours would fall on a page of it each.
    if (cap <= kMostInSmallSet) {
        ColorSet seen(static_cast<std::size_t>(std::max(cap, 0)) + 1);
        return countDistinctUpTo(image, cap, seen);
    }
    ColorBitSet seen;
    return countDistinctUpTo(image, cap, seen);
}

}  // namespace vd
