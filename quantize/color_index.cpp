#include "quantize/color_index.h"

#include <algorithm>
#include <stdexcept>

namespace vd {

const Palette& ColorIndex::defaultPalette() {
    static const Palette palette = {
        makeColor(0, 0, 0),       makeColor(0, 0, 170),     makeColor(0, 170, 0),
        makeColor(0, 170, 170),   makeColor(170, 0, 0),     makeColor(170, 0, 170),
        makeColor(170, 85, 0),    makeColor(170, 170, 170), makeColor(85, 85, 85),
        makeColor(85, 85, 255),   makeColor(85, 255, 85),   makeColor(85, 255, 255),
        makeColor(255, 85, 85),   makeColor(255, 85, 255),  makeColor(255, 255, 85),
        makeColor(255, 255, 255),
    };
    return palette;
}

ColorIndex::ColorIndex() {
    build(defaultPalette());
}

void ColorIndex::build(std::span<const Color> palette) {
    if (palette.empty()) throw std::invalid_argument("a colour index needs at least one colour");
    const int count = static_cast<int>(palette.size());
    sorted_.assign(palette.size() + 2, 0);
    // The opaque fourth byte keeps every entry, black included, apart from the 0 sentinels.
    for (int i = 0; i < count; ++i)
        sorted_[i + 1] = palette[i] | kAlphaMask;
    // Stable, so entries with equal green and red keep their palette order and exact ties
    // between them always go the same way.
    std::stable_sort(sorted_.begin() + 1, sorted_.begin() + 1 + count,
                     [](std::uint32_t a, std::uint32_t b) { return (a & 0xFFFF) < (b & 0xFFFF); });

    int k = 1;
    for (int g = 0; g < 256; ++g) {
        const int start = k;
        // The bound stops the run of green 0 from running on into the end sentinel.
        while (k <= count && greenOf(sorted_[k]) == g)
            ++k;
        greenIndex_[g] = (start + k) / 2;
    }
}

Color ColorIndex::nearest(Color c) const {
    const int r = redOf(c);
    const int g = greenOf(c);
    const int b = blueOf(c);
    const std::uint32_t* table = sorted_.data();
    int up = greenIndex_[g];
    int down = up - 1;
    std::uint32_t hi = table[up];
    std::uint32_t lo = table[down];
    std::uint32_t best = kNoDistance;
    std::uint32_t result = 0;

    // One candidate: drops the direction (returns false) when the green term alone reaches
    // the best distance, since every entry further along differs at least as much in green.
    auto examine = [&](std::uint32_t entry) {
        const int dg = g - greenOf(entry);
        const std::uint32_t greenTerm = 2048u * static_cast<std::uint32_t>(dg * dg);
        if (greenTerm >= best) return false;
        const int dr = r - redOf(entry);
        const int db = b - blueOf(entry);
        const std::uint32_t s = static_cast<std::uint32_t>(r + redOf(entry));
        const std::uint32_t d = greenTerm + (1024u + s) * static_cast<std::uint32_t>(dr * dr) +
                                (1534u - s) * static_cast<std::uint32_t>(db * db);
        if (d < best) {
            best = d;
            result = entry;
        }
        return true;
    };

    while (lo != 0 || hi != 0) {
        if (lo != 0) lo = examine(lo) ? table[--down] : 0;
        if (hi != 0) hi = examine(hi) ? table[++up] : 0;
    }
    return result;
}

}  // namespace vd
