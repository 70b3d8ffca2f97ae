#pragma once

// The canvas reduced by 2, 4, 8 and 16, each pixel the rounded mean of the block it stands
// for, kept for showing the canvas below 100 %: a reduced view is then drawn from a level at
// most twice its size instead of from every pixel. Each level is built from the one above it
// and only where the canvas changed since it was last asked for.

#include <array>

#include "platform/image/image.h"

namespace vd::gui {

class ReducedLevels {
  public:
    static constexpr int kDeepest = 4;

    // A part of the canvas changed (canvas pixels, right and bottom exclusive).
    void changed(int left, int top, int right, int bottom);
    // The whole canvas changed, or took another size.
    void changedAll();
    // Level `level` (1 to kDeepest) of `canvas`, brought up to date.
    const Image& level(int level, const Image& canvas);
    // Gives the memory back; the next level() builds afresh.
    void release();

  private:
    struct Area {
        int left = 0, top = 0, right = 0, bottom = 0;
        bool empty() const { return right <= left || bottom <= top; }
    };
    void bringUpToDate(int level, const Image& canvas);

    std::array<Image, kDeepest + 1> levels_;  // [0] unused: level 0 is the canvas itself
    std::array<Area, kDeepest + 1> stale_{};
    std::array<bool, kDeepest + 1> wholeStale_{true, true, true, true, true};
};

// Halves `source` over the block of `target` pixels [left, right) x [top, bottom): each target
// pixel the rounded mean of its 2 x 2 source pixels, the last row and column repeated where the
// source is odd. Exposed for tests.
void halveInto(const Image& source, Image& target, int left, int top, int right, int bottom);

}  // namespace vd::gui
