#include "app/commands.h"

namespace vd {

void loadImageFile(AppState& /*s*/) {}

void saveImageFile(AppState& /*s*/) {}

void newImageDialog(AppState& /*s*/) {}

void revertImage(AppState& /*s*/) {}

}  // namespace vd
