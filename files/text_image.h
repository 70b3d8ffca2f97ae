#pragma once

// The picture Add text makes of its text: every line in one font, on the back colour or on
// nothing at all.

#include <string>

#include "platform/gui/gui.h"

namespace vd {

struct TextImageSettings {
    std::string text;  // lines separated by '\n'
    gui::FontChoice font;
    Color front = 0x000000;
    Color back = 0xFFFFFF;
    bool transparent = false;
};

// Opaque: a 24-bit picture of the back colour with a 5-pixel margin. Transparent: a 32-bit
// picture with no margin where only the glyphs have alpha. Each line is as high as "A1g"; an
// empty text is one line a space wide. Empty when the picture would be too large.
Image buildTextImage(gui::Gui& gui, const TextImageSettings& settings);

// "Normal", or the names of the font's style flags run together ("BoldItalic").
std::string styleName(const gui::FontChoice& font);

}  // namespace vd
