#include "quantize/uniform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "quantize/first_written_colors.h"
#include "quantize/ordered_dither.h"

namespace vd {

UniformStep uniformStep(int levels) {
    const double n = levels;
    // std::round rounds halves away from zero.
    return UniformStep{static_cast<int>(std::round(255.0 / (n - 0.5))),
                       static_cast<int>(255.0 / (n - 1.0))};
}

namespace {

// Level k of a channel value v read through dither offset t: floor(clamp(v + t) / divisor).
// The table is indexed [t + 7][v], so one lookup replaces the clamp and the division; the
// plain read uses offset 0.
using LevelTable = std::array<std::array<std::uint8_t, 256>, 16>;

LevelTable makeLevelTable(int divisor) {
    LevelTable table{};
    for (int t = -7; t <= 8; ++t) {
        for (int v = 0; v < 256; ++v) {
            table[t + 7][v] = static_cast<std::uint8_t>(std::clamp(v + t, 0, 255) / divisor);
        }
    }
    return table;
}

}  // namespace

Palette quantizeUniform(Image& work, int levels, bool dither) {
    if (levels < 2 || levels > 16) throw std::invalid_argument("levels must be 2..16");
    const UniformStep step = uniformStep(levels);
    const LevelTable table = makeLevelTable(step.divisor);
    FirstWrittenColors written;
    for (int y = 0; y < work.height(); ++y) {
        // The four level tables of this row's dither cells (all the plain table without dither).
        const std::uint8_t* cellLevels[4];
        for (int cell = 0; cell < 4; ++cell) {
            const int offset = dither ? kOrderedDitherOffsets[y & 3][cell] : 0;
            cellLevels[cell] = table[offset + 7].data();
        }
        Color* row = work.row(y);
        for (int x = 0; x < work.width(); ++x) {
            const std::uint8_t* level = cellLevels[x & 3];
            const Color c = row[x];
            const int kr = level[c & 0xFF];
            const int kg = level[(c >> 8) & 0xFF];
            const int kb = level[(c >> 16) & 0xFF];
            const Color out =
                makeColor(kr * step.multiplier, kg * step.multiplier, kb * step.multiplier);
            row[x] = keepAlpha(c, out);
            // Three level numbers of at most 16 each name the colour.
            written.add(kr | (kg << 4) | (kb << 8), out);
        }
    }
    return written.take();
}

}  // namespace vd
