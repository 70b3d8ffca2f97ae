#pragma once

#include <string>

#include "platform/image/image.h"

namespace vd::bench {

// The 12 MP benchmark photo (4096 x 3072), loaded once.
const Image& twelveMegapixelPhoto();
// One of the shared photographs (768 x 512), loaded once.
const Image& singlePhoto();
std::string sharedPath(const std::string& relative);

}  // namespace vd::bench
