#include "app/commands.h"

namespace vd {

std::optional<Color> computeHistogram(AppState& /*s*/, ImageNumber /*n*/) {
    return std::nullopt;
}

void showHistogram(AppState& /*s*/, int /*n*/) {}

void refreshHistogram(AppState& /*s*/) {}

}  // namespace vd
