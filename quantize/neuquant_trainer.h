#pragma once

#include <array>
#include <cstdint>

#include "quantize/neuquant.h"

namespace vd::neuquant_internal {

// Offsets k - j at which a neighbour move may read a weight: the move runs over whole
// 8-neuron blocks, so up to 7 neurons past either end of the neighbourhood (|k - j| <= 31)
// are touched, with weight 0.
constexpr int kWeightCentre = 48;
constexpr int kWeightSpan = 2 * kWeightCentre;

struct alignas(32) NeuronColumns {
    std::array<std::int32_t, kNeuQuantNetSize> red;
    std::array<std::int32_t, kNeuQuantNetSize> green;
    std::array<std::int32_t, kNeuQuantNetSize> blue;
};

struct Winners {
    int nearest;  // smallest distance, the neuron that gains frequency
    int biased;   // smallest biased distance, the neuron that moves
};

// The training step on a column copy of the neurons, so the 256-neuron winner search runs
// on whole vectors of one component; freq and bias are used in place in the area.
class NeuQuantTrainer {
  public:
    NeuQuantTrainer(NeuQuantWorkArea& area, NeuQuantSimd simd);

    // Takes radPower[1 .. rad - 1] from the area as the weights of the neighbour moves.
    void setNeighbourWeights(int rad);
    // One step with sample colour c (alpha byte ignored), rad as last given to
    // setNeighbourWeights.
    void train(int alpha, Color c);
    // Writes the trained colours back into the area's neuron records.
    void storeNeurons() const;

  private:
    using WinnerSearch = Winners (*)(NeuronColumns&, std::int32_t* freq, std::int32_t* bias, int cr,
                                     int cg, int cb);
    // weightAtJ[k - j] is the weight of neuron k for winner j.
    using NeighbourMove = void (*)(NeuronColumns&, const std::int32_t* weightAtJ, int j, int kBegin,
                                   int kEnd, int cr, int cg, int cb);

    void moveWinner(int j, int alpha, int cr, int cg, int cb);

    NeuQuantWorkArea& area_;
    NeuronColumns columns_;
    alignas(32) std::array<std::int32_t, kWeightSpan> weights_{};
    int rad_ = 0;
    WinnerSearch winnerSearch_;
    NeighbourMove neighbourMove_;
    bool blockAligned_;  // the move kernel works on whole 8-neuron blocks
};

}  // namespace vd::neuquant_internal
