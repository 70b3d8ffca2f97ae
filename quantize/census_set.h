#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

// The distinct colours of a picture, each held once, for the palette window. Colours are
// placed in 1024 slots by a hash of their decimal text, and read back slot by slot, so the
// order is fixed for a given set of colours but neither sorted nor the order they were met.
class CensusSet {
  public:
    static constexpr int kSlotCount = 1024;

    CensusSet();

    // Adds the colour bytes of `c` (alpha ignored) unless they are already held.
    void insert(Color c);
    bool contains(Color c) const;
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The colours slot by slot.
    Palette colors() const;
    void clear();

  private:
    struct Slot {
        Color color = 0;
        bool used = false;
    };

    static int slotOfText(Color c);
    bool seen(Color c) const;
    void markSeen(Color c, bool on);

    std::vector<Slot> slots_;
    // One bit per 24-bit colour: tells at once whether a colour is held, so a pixel of a
    // colour already counted costs no text and no probing.
    std::vector<std::uint64_t> seen_;
    int size_ = 0;
};

// Most distinct colours the palette window shows; the census stops one colour beyond it so
// the window can tell that there were more.
constexpr int kPaletteShownColors = 288;

// Scans `image` row by row into `set` (which should be empty) until it holds more than
// kPaletteShownColors colours or the image ends.
void takeCensus(const Image& image, CensusSet& set);

}  // namespace vd
