#include "adjust/brightness.h"

#include <algorithm>

namespace vd {

int brightnessLevel(int value, int offset, bool overdrive) {
    const int v = value + offset;
    if (!overdrive) return std::clamp(v, 0, 255);
    // One wrap is enough: the offset is at most 128 either way.
    if (v < 0) return v + 256;
    if (v > 255) return v - 256;
    return v;
}

void mapChannels(Image& image, const ChannelTable& red, const ChannelTable& green,
                 const ChannelTable& blue) {
    // Tables of whole pixel words, already shifted into place, so a pixel costs three
    // lookups and two ORs.
    Color r[256], g[256], b[256];
    for (int v = 0; v < 256; ++v) {
        r[v] = red[v];
        g[v] = static_cast<Color>(green[v]) << 8;
        b[v] = static_cast<Color>(blue[v]) << 16;
    }
    for (Color& p : image.pixels())
        p = (p & kAlphaMask) | r[p & 0xFF] | g[(p >> 8) & 0xFF] | b[(p >> 16) & 0xFF];
}

namespace {

ChannelTable offsetTable(int offset, bool overdrive) {
    ChannelTable table;
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<std::uint8_t>(brightnessLevel(v, offset, overdrive));
    return table;
}

}  // namespace

void brightness(Image& image, const BrightnessSettings& s) {
    // The dialog and the command line stay within -128..128; holding other offsets there
    // keeps a single wrap inside 0..255.
    const int offset = std::clamp(s.offset, -128, 128);
    const ChannelTable unchanged = offsetTable(0, false);
    const ChannelTable shifted = offsetTable(offset, s.overdrive);
    mapChannels(image, s.red ? shifted : unchanged, s.green ? shifted : unchanged,
                s.blue ? shifted : unchanged);
}

}  // namespace vd
