#include "app/commands.h"

namespace vd {

// The palette and histogram windows come later; until then these leave everything as it is.

void refreshPalette(AppState& /*s*/) {}

void showPalette(AppState& /*s*/, const Palette& /*palette*/) {}

void showHistogram(AppState& /*s*/, int /*n*/) {}

void refreshHistogram(AppState& /*s*/) {}

}  // namespace vd
