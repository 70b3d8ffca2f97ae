#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/image/color.h"

namespace vd {

// A set of 24-bit colours by open addressing, in a table at least twice the number it is made
// for: a few kilobytes for a palette or for a count that stops after a few thousand colours,
// where a bit per colour takes two megabytes. Colours are given without their alpha byte.
class ColorSet {
  public:
    explicit ColorSet(std::size_t most)
        : slots_(std::bit_ceil(2 * most + 2), kEmpty),
          shift_(32 - std::countr_zero(slots_.size())) {}

    // True when `c` was not in the set yet. The set takes at most the number it was made for.
    bool insert(Color c) {
        std::size_t at = slotOf(c);
        for (; slots_[at] != c; at = next(at)) {
            if (slots_[at] == kEmpty) {
                slots_[at] = c;
                return true;
            }
        }
        return false;
    }

    bool contains(Color c) const {
        for (std::size_t at = slotOf(c);; at = next(at)) {
            if (slots_[at] == c) return true;
            if (slots_[at] == kEmpty) return false;
        }
    }

  private:
    static constexpr Color kEmpty = 0xFFFFFFFFu;  // never a colour without alpha
    std::size_t slotOf(Color c) const { return (c * 2654435761u) >> shift_; }
    std::size_t next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }

    std::vector<Color> slots_;
    int shift_;
};

}  // namespace vd
