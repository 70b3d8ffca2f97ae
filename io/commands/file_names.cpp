#include "io/commands/file_names.h"

#include <climits>

namespace vd {

namespace {

// The path without the last extension of its file name part; folders keep their dots.
std::string_view withoutExtension(std::string_view path) {
    const std::size_t nameStart = fileNameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return path;
    return path.substr(0, dot);
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
    switch (filterIndex) {
        case SAVE_FILTER_JPEG:
            return ".jpg";
        case SAVE_FILTER_BMP:
            return ".bmp";
        default:
            return ".png";
    }
}

ImageFormat filterFormat(int filterIndex) {
    switch (filterIndex) {
        case SAVE_FILTER_JPEG:
            return ImageFormat::Jpeg;
        case SAVE_FILTER_BMP:
            return ImageFormat::Bmp;
        default:
            return ImageFormat::Png;
    }
}

std::string withFilterExtension(std::string_view path, int filterIndex) {
    std::string result(withoutExtension(path));
    result += filterExtension(filterIndex);
    return result;
}

int fieldNumber(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        // Saturate before the next digit could overflow: the dialog clamps far below this.
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace vd
