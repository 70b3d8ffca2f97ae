// The palette window: the distinct colours of the work image (or of the selection on it) as a
// grid of swatches beside the picture.

#include <algorithm>
#include <cmath>
#include <string>

#include "app/commands.h"
#include "quantize/census_set.h"

namespace vd {

namespace {

constexpr gui::Size kPaletteClientSize{110, 220};
// The grid is laid out for a picture this wide; its height is always twice the width.
constexpr int kGridSpan = 112;

struct PaletteGrid {
    int columns = 1;
    int swatch = kGridSpan;
    int width = kGridSpan;
    int height = 2 * kGridSpan;
};

// Columns for `shown` swatches in a grid twice as high as wide: the smallest c with
// 2c * c >= shown.
PaletteGrid gridFor(int shown) {
    PaletteGrid grid;
    grid.columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(shown / 2.0))));
    grid.swatch = kGridSpan / grid.columns;
    grid.width = grid.columns * grid.swatch;
    grid.height = 2 * grid.width;
    return grid;
}

std::string paletteTitle(std::size_t count) {
    if (count > static_cast<std::size_t>(kPaletteShownColors)) return "over!";
    return std::to_string(count) + " Palette";
}

// A light texture between 192 and 255 that tells empty cells from a dark swatch.
void paintBackground(Image& image) {
    for (int y = 0; y < image.height(); ++y) {
        Color* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const int gray = (x ^ y) | 192;
            row[x] = keepAlpha(row[x], makeColor(gray, gray, gray));
        }
    }
}

void paintSwatches(Image& image, const Palette& palette, int shown, const PaletteGrid& grid) {
    DrawTarget target(image);
    int x = 0, y = 0;
    for (int i = 0; i < shown; ++i) {
        target.filledBox(x, y, grid.swatch, grid.swatch, palette[static_cast<std::size_t>(i)]);
        x += grid.swatch;
        if (x > grid.width - 1) {
            x = 0;
            y += grid.swatch;
        }
    }
}

// Draws into IMG_PALETTE, made (or remade) at the grid's size; false when it cannot be.
bool drawPaletteImage(AppState& s, const Palette& palette, int shown, const PaletteGrid& grid) {
    if (s.images.width(IMG_PALETTE) != grid.width || s.images.height(IMG_PALETTE) != grid.height) {
        if (!s.images.create(IMG_PALETTE, grid.width, grid.height, 24, 0)) return false;
    }
    Image& image = *s.images.get(IMG_PALETTE);
    paintBackground(image);
    paintSwatches(image, palette, shown, grid);
    return true;
}

// Opened where followMainWindow keeps it. The main window keeps the keyboard focus, so its
// shortcuts go on working while the palette is on screen.
void openPaletteWindow(AppState& s, const std::string& title) {
    gui::Gui& g = *s.gui;
    const gui::Point place = palettePlace(s);
    const gui::Rect rect{place.x, place.y, kPaletteClientSize.width, kPaletteClientSize.height};
    // Esc does what the close box does.
    if (g.openWindow(WIN_PALETTE, rect, title, gui::WindowStyle::Tool, WIN_MAIN, false))
        g.setDialogKeys(WIN_PALETTE, {});
    s.palettePlaceX = place.x;
    s.palettePlaceY = place.y;
}

void showPicture(AppState& s, const PaletteGrid& grid) {
    gui::Gui& g = *s.gui;
    const Image& image = *s.images.get(IMG_PALETTE);
    const gui::Rect rect{0, 0, grid.width, grid.height};
    if (!g.controlExists(GAD_PALETTE)) {
        g.addPicture(WIN_PALETTE, GAD_PALETTE, rect, image, false);
        return;
    }
    g.setControlRect(GAD_PALETTE, rect);
    g.setPicture(GAD_PALETTE, image);
}

}  // namespace

void refreshPalette(AppState& s) {
    const std::optional<ImageNumber> region = selectionOrImageInView(s);
    const Image* source = region ? s.images.get(*region) : nullptr;
    if (source == nullptr) return;
    takeCensus(*source, s.censusSet);
    s.censusColors = s.censusSet.colors();
    s.censusSet.clear();
    if (s.Selection.active != 1) s.currentPalette = s.censusColors;
    showPalette(s, s.censusColors);
}

void showPalette(AppState& s, const Palette& palette) {
    // Nothing to show before any picture has colours to count.
    if (palette.empty()) return;
    gui::Gui& g = *s.gui;
    const std::string title = paletteTitle(palette.size());
    if (!g.windowExists(WIN_PALETTE)) {
        openPaletteWindow(s, title);
    } else {
        g.setTitle(WIN_PALETTE, title);
        // Hidden by the Reference view or by its close box; it belongs with the work image.
        if (!g.isVisible(WIN_PALETTE) && s.imageInView == s.imgWork)
            g.showWindowWithoutActivating(WIN_PALETTE);
    }
    const int shown =
        static_cast<int>(std::min(palette.size(), static_cast<std::size_t>(kPaletteShownColors)));
    const PaletteGrid grid = gridFor(shown);
    if (!drawPaletteImage(s, palette, shown, grid)) return;
    showPicture(s, grid);
}

}  // namespace vd
