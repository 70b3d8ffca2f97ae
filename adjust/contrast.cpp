#include "adjust/contrast.h"

#include <algorithm>
#include <cmath>

#include "adjust/brightness.h"

namespace vd {

float contrastFactor(int amount) {
    return static_cast<float>(amount) / 100.0f;
}

int contrastLevel(int value, float factor) {
    const double k = factor;
    // std::nearbyint rounds in the current mode, which the program never changes from
    // round-to-nearest-even: 132.5 gives 132, 86.5 gives 86.
    if (value >= 128) {
        const double spread = value + k * (value - 128);
        return std::min(255, static_cast<int>(std::nearbyint(spread)));
    }
    const double spread = value - k * (127 - value);
    return std::max(0, static_cast<int>(std::nearbyint(spread)));
}

void contrast(Image& image, int amount) {
    // Beyond -100..100 a half could cross the pivot and leave 0..255; the dialog and the
    // command line never go there.
    const float factor = contrastFactor(std::clamp(amount, -100, 100));
    ChannelTable table;
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<std::uint8_t>(contrastLevel(v, factor));
    mapChannels(image, table, table, table);
}

}  // namespace vd
