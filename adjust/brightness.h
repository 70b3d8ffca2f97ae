#pragma once

#include <array>
#include <cstdint>

#include "platform/image/image.h"

namespace vd {

struct BrightnessSettings {
    int offset = 0;  // -128..128, added to each enabled channel as an exact integer
    bool red = true, green = true, blue = true;
    // Wrap once around 256 instead of clamping to 0..255.
    bool overdrive = false;
};

// Adds the offset to the enabled channels of every pixel; alpha stays.
void brightness(Image& image, const BrightnessSettings& settings);

// One channel value with the offset added, wrapped or clamped as the settings say.
int brightnessLevel(int value, int offset, bool overdrive);

// A new value for each value of one colour byte.
using ChannelTable = std::array<std::uint8_t, 256>;

// Replaces red, green and blue of every pixel through their own tables; alpha stays. The
// per-channel colour adjustments share this loop.
void mapChannels(Image& image, const ChannelTable& red, const ChannelTable& green,
                 const ChannelTable& blue);

}  // namespace vd
