#pragma once

// Small rules of the file commands, kept free of windows so they can be checked directly.

#include <string>
#include <string_view>

#include "io/image_codec.h"

namespace vd {

// The filters of the save requester, in the order the index reports them.
enum SaveFilter : int { SAVE_FILTER_PNG = 0, SAVE_FILTER_JPEG = 1, SAVE_FILTER_BMP = 2 };

// Where the file name part of a path starts: after the last '/' or '\\'.
std::size_t fileNameStart(std::string_view path);

// The file name without its folder and without its last extension ("flower" for
// "/pics/flower.png"); the start of the name Save offers.
std::string fileTitle(std::string_view path);

// ".png", ".jpg" or ".bmp" for a save filter index; an index the requester should never
// report is treated as PNG, the first filter.
const char* filterExtension(int filterIndex);
ImageFormat filterFormat(int filterIndex);

// The path a save writes to: whatever extension the user typed is cut off (at the last '.' of
// the file name part, never inside a folder name) and the chosen filter's extension follows.
std::string withFilterExtension(std::string_view path, int filterIndex);

}  // namespace vd
