#pragma once

#include "platform/image/image.h"

namespace vd {

// Every pixel whose colour bytes equal those of `from` takes the colour bytes of `to`; alpha
// stays as it was.
void replaceColor(Image& image, Color from, Color to);

}  // namespace vd
