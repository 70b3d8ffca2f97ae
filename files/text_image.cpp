#include "files/text_image.h"

#include <algorithm>
#include <vector>

namespace vd {

namespace {

constexpr int kOpaqueMargin = 5;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));  // an empty box, or a last empty line, counts too
    return lines;
}

// An empty line still takes its height, and a glyphless text has to be drawable.
std::string drawable(const std::string& line) {
    return line.empty() ? std::string(" ") : line;
}

gui::Size pictureSize(const gui::Gui& gui, const std::vector<std::string>& lines,
                      const gui::FontChoice& font, int margin) {
    int width = gui.textSize(" ", font).width;
    for (const std::string& line : lines)
        width = std::max(width, gui.textSize(line, font).width);
    const int height = static_cast<int>(lines.size()) * gui.textSize("A1g", font).height;
    return {width + 2 * margin, height + 2 * margin};
}

}  // namespace

Image buildTextImage(gui::Gui& gui, const TextImageSettings& settings) {
    const std::vector<std::string> lines = linesOf(settings.text);
    const int margin = settings.transparent ? 0 : kOpaqueMargin;
    const gui::Size size = pictureSize(gui, lines, settings.font, margin);
    if (!sizeIsAllowed(size.width, size.height)) return {};  // a text too long to picture
    Image picture = settings.transparent ? Image(size.width, size.height, 32, 0)
                                         : Image(size.width, size.height, 24, settings.back);
    int y = margin;
    for (const std::string& line : lines) {
        const std::string shown = drawable(line);
        if (settings.transparent) {
            gui.drawText(picture, {margin, y}, shown, settings.font, settings.front | kAlphaMask,
                         std::nullopt, DrawMode::AlphaBlend);
        } else {
            gui.drawText(picture, {margin, y}, shown, settings.font, settings.front, settings.back,
                         DrawMode::Default);
        }
        y += gui.textSize(shown, settings.font).height;
    }
    return picture;
}

std::string styleName(const gui::FontChoice& font) {
    std::string name;
    if (gui::isBold(font.style)) name += "Bold";
    if (gui::isItalic(font.style)) name += "Italic";
    if (font.underline) name += "Underline";
    if (font.strikeOut) name += "Strike Out";
    return name.empty() ? "Normal" : name;
}

}  // namespace vd
