#include "app/commands.h"

namespace vd {

void editPaletteColor(AppState& /*s*/, const gui::Event& /*event*/) {}

}  // namespace vd
