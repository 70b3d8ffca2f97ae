#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "quantize/neuquant.h"

namespace vd::neuquant_internal {

// The search by green index: walks up and down from netIndex[g], ending each direction at
// the first neuron whose green difference alone reaches the best distance so far.
int walkSearch(const NeuQuantWorkArea& area, Color c);

// Finds what walkSearch finds, for many colours. With AVX2 it measures all 256 neurons at
// once and takes, among the nearest, the one the walk would have examined first: the walk
// visits neurons in order of rank (2k for the k-th one up, 2k + 1 for the k-th one down),
// and because green differences only grow along each direction it reaches every nearest
// neuron it does not pass over after a better one. Answers are kept in a small
// direct-mapped table keyed by the exact colour, since pixels repeat their colours.
class NearestNeuronFinder {
  public:
    NearestNeuronFinder(const NeuQuantWorkArea& area, NeuQuantSimd simd);

    int find(Color rgb) {
        const std::uint32_t slot = (rgb * 0x9E3779B1u) >> (32 - kCacheBits);
        if (keys_[slot] == rgb) return tags_[slot];
        const int tag = search(rgb);
        keys_[slot] = rgb;
        tags_[slot] = static_cast<std::uint8_t>(tag);
        return tag;
    }

    // The walk's answer for a 24-bit colour, without the table.
    int search(Color rgb) const;

    struct alignas(32) Columns {
        std::array<std::int16_t, kNeuQuantNetSize> red;
        std::array<std::int16_t, kNeuQuantNetSize> green;
        std::array<std::int16_t, kNeuQuantNetSize> blue;
        std::array<std::uint8_t, kNeuQuantNetSize> tag;
        std::array<std::int16_t, kNeuQuantNetSize> upStart;  // first upward neuron by green
    };

  private:
    static constexpr int kCacheBits = 18;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // never a 24-bit colour

    const NeuQuantWorkArea& area_;
    bool vector_;
    Columns columns_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint8_t> tags_;
};

}  // namespace vd::neuquant_internal
