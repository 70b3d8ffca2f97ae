#pragma once

// The main window with a picture in the Work view, and a palette picture drawn by hand from
// the layout rules, for the palette window and palette editing tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {

// Distinct colours for counts far above the window's limit.
inline Color nthColor(int i) {
    return makeColor(i % 256, i / 256, 0x40);
}

inline Palette firstColors(int count) {
    Palette colors;
    for (int i = 0; i < count; ++i)
        colors.push_back(nthColor(i));
    return colors;
}

// The texture behind the swatches.
inline Color backgroundAt(int x, int y) {
    const int gray = (x ^ y) | 192;
    return makeColor(gray, gray, gray);
}

// The palette picture for `colors` in a grid of `columns` swatches of `swatch` pixels, by
// formula: the cell (x / swatch, y / swatch) holds entry row * columns + column if there is
// one among the first 288, else the texture.
inline Image expectedPalettePicture(const Palette& colors, int columns, int swatch) {
    const int width = columns * swatch;
    Image picture(width, 2 * width, 24);
    const int shown = std::min(static_cast<int>(colors.size()), 288);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            const int index = (y / swatch) * columns + x / swatch;
            const Color c = index < shown ? colors[static_cast<std::size_t>(index)] & kRgbMask
                                          : backgroundAt(x, y);
            picture.at(x, y) = c | kAlphaMask;
        }
    }
    return picture;
}

class PaletteTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        s.imageInView = s.imgWork;
    }

    // Puts `picture` into the work image, shown in the Work view.
    void showWork(const Image& picture) {
        s.imageInView = s.imgWork;
        show(picture);
    }

    const Image& palettePicture() const { return image(IMG_PALETTE); }
    std::string paletteTitle() const { return gui.title(WIN_PALETTE); }
};

}  // namespace vd::test
