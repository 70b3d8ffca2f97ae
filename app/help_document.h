#pragma once

#include <string_view>

namespace vd {

// The help document (app/help/vd_help.txt), compiled into the program: plain 8-bit text with
// lines separated by CR LF. A NUL follows the last character, outside the view.
std::string_view helpDocument();

}  // namespace vd
