#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/image/color.h"
#include "quantize/palette.h"

namespace vd {

// The nearest-colour search table: the palette sorted by green (then red) between two zero
// sentinels, with a start position for every green value. Distances are red-mean weighted:
//   D = 2048 dg^2 + (1024 + s) dr^2 + (1534 - s) db^2,  s = r1 + r2,
// in unsigned 32-bit arithmetic. The search walks down and up from the start position and
// stops each direction once the green term alone can no longer beat the best distance.
class ColorIndex {
  public:
    // Built from the 16-colour default palette, so a search is valid before any mapping.
    ColorIndex();

    // Rebuilds both tables from `palette`; throws std::invalid_argument when it is empty.
    void build(std::span<const Color> palette);

    // The palette colour nearest to `c` (its fourth byte is ignored), returned with 255 in
    // the fourth byte. Of several colours at the same smallest distance the one the walk
    // meets first wins: the downward candidate before the upward one in every round.
    Color nearest(Color c) const;

    // Entries 0 and count + 1 are 0; entries 1..count are the palette colours OR 0xFF000000,
    // stably sorted by their low 16 bits.
    std::span<const std::uint32_t> sortedPalette() const { return sorted_; }
    // Where the upward walk starts for each green value, always within 1..count + 1.
    const std::array<int, 256>& greenIndex() const { return greenIndex_; }
    int colorCount() const { return static_cast<int>(sorted_.size()) - 2; }

    static const Palette& defaultPalette();

  private:
    std::vector<std::uint32_t> sorted_;
    std::array<int, 256> greenIndex_{};
};

// Larger than any distance the formula can give (the largest is 299,505,150).
inline constexpr std::uint32_t kNoDistance = 0x12000000u;

// The weighted distance between a colour and a palette colour (fourth bytes ignored).
inline std::uint32_t colorDistance(Color query, Color entry) {
    const int dr = redOf(query) - redOf(entry);
    const int dg = greenOf(query) - greenOf(entry);
    const int db = blueOf(query) - blueOf(entry);
    const std::uint32_t s = static_cast<std::uint32_t>(redOf(query) + redOf(entry));
    return 2048u * static_cast<std::uint32_t>(dg * dg) +
           (1024u + s) * static_cast<std::uint32_t>(dr * dr) +
           (1534u - s) * static_cast<std::uint32_t>(db * db);
}

}  // namespace vd
