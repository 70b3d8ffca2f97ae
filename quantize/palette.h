#pragma once

#include <vector>

#include "platform/image/color.h"

namespace vd {

// An ordered list of colours; the fourth byte of an entry plays no part.
using Palette = std::vector<Color>;

}  // namespace vd
