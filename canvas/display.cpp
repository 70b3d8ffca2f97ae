#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands.h"
#include "platform/image/draw.h"
#include "quantize/count_colors.h"

// The image in view is shown unscaled at the canvas origin; the canvas always has the image's
// size. The status bar shows the file and picture size in field 0, the selection in field 1.

namespace vd {

namespace {

// "name.ext  |  (w x h)": the loaded file without its folder, then the picture size. Before
// the first load the name is empty and the text starts with the two spaces.
std::string fileAndSizeText(const std::string& loadedPath, int width, int height) {
    const std::string filePart = std::filesystem::path(loadedPath).filename().string();
    return filePart + "  |  (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

// Makes the canvas, its scroll area and the window fit a picture of a new size.
void resizeCanvasTo(AppState& s, int width, int height) {
    gui::Gui& gui = *s.gui;
    if (!gui.isMaximized(WIN_MAIN)) {
        fitWindowToImage(s, s.imageInView);
        layoutScrollArea(s);
    }
    gui.setCanvasSize(GAD_CANVAS, {width, height});
    gui.setScrollContentSize(GAD_SCROLL, {width, height});
    setCanvasBounds(s, GAD_CANVAS);
}

void showFileAndSize(AppState& s) {
    const Image& canvas = s.gui->canvasPixels(GAD_CANVAS);
    s.gui->setStatusText(WIN_MAIN, 0,
                         fileAndSizeText(s.loadedPath, canvas.width(), canvas.height()));
}

// The w / h ratio as the status line shows it: single precision, five decimals.
std::string ratioText(int width, int height) {
    const float ratio = static_cast<float>(width) / static_cast<float>(height);
    char text[64];
    std::snprintf(text, sizeof text, "%.5f", static_cast<double>(ratio));
    return text;
}

}  // namespace

void refreshDisplay(AppState& s) {
    const Image* image = s.images.get(s.imageInView);
    if (image == nullptr) return;
    gui::Gui& gui = *s.gui;

    // An opaque picture replaces everything, any selection outline included, so the canvas
    // simply shares its pixels until something is drawn on it. A transparent one is blended
    // by its own alpha and shows what the canvas held.
    const Image& canvas = gui.canvasPixels(GAD_CANVAS);
    const bool newSize = canvas.width() != image->width() || canvas.height() != image->height();
    if (newSize) resetZoom(s);
    if (!image->hasAlpha()) gui.canvasPixels(GAD_CANVAS) = *image;
    if (newSize) resizeCanvasTo(s, image->width(), image->height());
    if (image->hasAlpha()) DrawTarget(gui.canvasPixels(GAD_CANVAS)).drawImageBlended(*image, 0, 0);
    gui.canvasUpdated(GAD_CANVAS);
    // A message put in the file field (a file that could not be read) lasts until now.
    if (newSize || s.statusNamesUnreadFile) showFileAndSize(s);
    s.statusNamesUnreadFile = false;

    if (s.Selection.active == 1) clearSelection(s);
    gui.setText(GAD_UNIQUE_COUNT, std::to_string(countColors(*image)));
    if (gui.isChecked(GAD_HISTOGRAM)) showHistogram(s, toInt(s.imageInView));
}

void setCanvasBounds(AppState& s, ControlNumber canvas) {
    const Image& pixels = s.gui->canvasPixels(canvas);
    s.Selection.minX = 0;
    s.Selection.minY = 0;
    s.Selection.maxX = pixels.width();
    s.Selection.maxY = pixels.height();
}

void clearSelection(AppState& s) {
    SelectionRecord& sel = s.Selection;
    if (sel.active == 0) return;
    // The outline stays on the canvas: every caller redraws the picture over it.
    sel.outlineDrawn = 0;
    sel.active = 0;
    s.gui->setCanvasOverlay(GAD_CANVAS, std::nullopt, std::nullopt);
    sel.top = sel.bottom;
    sel.left = sel.right;
    updateSelectionStatus(s);
}

void updateSelectionStatus(AppState& s) {
    const SelectionRecord& sel = s.Selection;
    if (sel.active == 0) {
        s.gui->setStatusText(WIN_MAIN, 1, "");
        return;
    }
    const int width = sel.right - sel.left + 1;
    const int height = sel.bottom - sel.top + 1;
    const std::string text =
        "Size = " + std::to_string(width) + " x " + std::to_string(height) +
        " | x/y ratio = " + ratioText(width, height) + " | xLeft = " + std::to_string(sel.left) +
        " | yTop = " + std::to_string(sel.top) + " | xRight = " + std::to_string(sel.right) +
        " | yBottom = " + std::to_string(sel.bottom);
    s.gui->setStatusText(WIN_MAIN, 1, text);
}

}  // namespace vd
