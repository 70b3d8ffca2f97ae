#include "app/commands.h"

namespace vd {

void refreshPalette(AppState& /*s*/) {}

void showPalette(AppState& /*s*/, const Palette& /*palette*/) {}

}  // namespace vd
