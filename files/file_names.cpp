#include "files/file_names.h"

#include <iterator>

namespace vd {

namespace {

// The path without the last extension of its file name part; folders keep their dots.
std::string_view withoutExtension(std::string_view path) {
    const std::size_t nameStart = fileNameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return path;
    return path.substr(0, dot);
}

struct SaveFilterInfo {
    const char* extension;
    ImageFormat format;
};

// In the order of the save requester's filters; an index it should never report is PNG.
const SaveFilterInfo& saveFilterOf(int filterIndex) {
    static constexpr SaveFilterInfo kFilters[] = {
        {".png", ImageFormat::Png}, {".jpg", ImageFormat::Jpeg}, {".bmp", ImageFormat::Bmp}};
    const bool known = filterIndex >= 0 && filterIndex < static_cast<int>(std::size(kFilters));
    return kFilters[known ? filterIndex : SAVE_FILTER_PNG];
}

}  // namespace

std::size_t fileNameStart(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

std::string fileTitle(std::string_view path) {
    return std::string(withoutExtension(path.substr(fileNameStart(path))));
}

const char* filterExtension(int filterIndex) {
    return saveFilterOf(filterIndex).extension;
}

ImageFormat filterFormat(int filterIndex) {
    return saveFilterOf(filterIndex).format;
}

std::string withFilterExtension(std::string_view path, int filterIndex) {
    std::string result(withoutExtension(path));
    result += filterExtension(filterIndex);
    return result;
}

}  // namespace vd
