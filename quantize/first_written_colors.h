#pragma once

#include <array>
#include <utility>

#include "quantize/palette.h"

namespace vd {

// The output colours of a scan in the order it first wrote them, for methods whose colours
// are named by a 12-bit key (at most 4096 colours): a table of flags replaces a hash set.
class FirstWrittenColors {
  public:
    void add(int key, Color color) {
        if (seen_[key]) return;
        seen_[key] = true;
        colors_.push_back(color & kRgbMask);
    }
    Palette take() { return std::move(colors_); }

  private:
    std::array<bool, 4096> seen_{};
    Palette colors_;
};

}  // namespace vd
