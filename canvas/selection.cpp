#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "app/commands.h"
#include "dialogs/dialog.h"
#include "platform/image/draw.h"

// A press on the canvas either picks a colour (after Ctrl+press) or drags the selection
// rectangle: a new one, the one at rest moved by its inside, or resized by its handle. At
// 100 % the outline is drawn in XOR white straight onto the canvas pixels, so drawing it a
// second time erases it and the picture underneath is never touched. At any other zoom the
// canvas draws it over the scaled picture at screen resolution, so it stays one screen pixel
// wide, and the pixels are left alone.

namespace vd {

namespace {

constexpr Color kOutlineColor = 0xFFFFFF;
constexpr int kHandleSize = 8;
constexpr int kDragPollMs = 100;
constexpr int kNoticeMs = 2500;
constexpr gui::Size kNoticeSize{200, 30};

enum class DragMode { New, Move, Resize };

bool isCanvasLeftUp(const gui::Event& event) {
    return event.kind == gui::EventKind::Custom && event.custom == EVT_CANVAS_LEFT_UP;
}

gui::Point pointerOnCanvas(AppState& s) {
    return s.gui->pointerOnCanvas(GAD_CANVAS);
}

// Every event up to the release of the button is dropped, a close request included: a pick or
// a drag runs to its end before anything else happens.
void discardUntilLeftUp(gui::Gui& gui) {
    while (!isCanvasLeftUp(gui.waitEvent())) {
    }
}

// ---- Colour pick.

// Copies the colour shown at (x, y) as decimal text: red + 256 green + 65536 blue.
void pickColor(AppState& s, int x, int y) {
    gui::Gui& gui = *s.gui;
    const DrawTarget canvas(gui.canvasPixels(GAD_CANVAS));
    gui.setClipboardText(std::to_string(canvas.readPixel(x, y)));
    discardUntilLeftUp(gui);
    s.pickArmed = 0;
    // The short notice centred on the screen.
    const gui::Rect place{(gui.desktop().screenWidth() - kNoticeSize.width) / 2,
                          (gui.desktop().screenHeight() - kNoticeSize.height) / 2,
                          kNoticeSize.width, kNoticeSize.height};
    showNotice(gui, place, "Color value copied to clipboard.", kNoticeMs);
}

// ---- Outline drawing, always in XOR white.

void xorOutline(DrawTarget& target, int x, int y, int width, int height) {
    target.line(x, y, x + width, y, kOutlineColor);
    target.line(x, y, x, y + height, kOutlineColor);
    target.line(x, y + height, x + width, y + height, kOutlineColor);
    target.line(x + width, y, x + width, y + height, kOutlineColor);
}

// The handle sits inside the selection's bottom-right corner.
void xorHandle(DrawTarget& target, const SelectionRecord& sel) {
    target.filledBox(sel.right - kHandleSize, sel.bottom - kHandleSize, kHandleSize, kHandleSize,
                     kOutlineColor);
}

// ---- The outline at other scales than 100 %.

double canvasScale(const AppState& s) {
    return s.gui->canvasScale(GAD_CANVAS);
}

bool outlineOnPixels(const AppState& s) {
    return canvasScale(s) == 1.0;
}

// The handle's side in picture pixels: never less than its size on the screen at 100 %, so
// it stays as easy to grab when the picture is shown smaller.
int handleExtent(const AppState& s) {
    const double scale = canvasScale(s);
    if (scale >= 1.0) return kHandleSize;
    return static_cast<int>(std::ceil(kHandleSize / scale - 1e-9));
}

// The rectangle the outline was last drawn on, corners sorted, bounds inclusive.
gui::Rect drawnOutline(const RubberBandRecord& band) {
    const int left = std::min(band.drawnX, band.drawnX + band.width);
    const int top = std::min(band.drawnY, band.drawnY + band.height);
    return {left, top, std::abs(band.width) + 1, std::abs(band.height) + 1};
}

void showOverlay(AppState& s) {
    const SelectionRecord& sel = s.Selection;
    std::optional<gui::Rect> outline, handle;
    if (sel.active == 1 && sel.outlineDrawn == 1 && !outlineOnPixels(s)) {
        outline = drawnOutline(s.RubberBand);
        const int side = handleExtent(s);
        if (s.RubberBand.handleDrawn == 1)
            handle = gui::Rect{sel.right - side, sel.bottom - side, side, side};
    }
    s.gui->setCanvasOverlay(GAD_CANVAS, outline, handle);
}

// Draws or erases, in XOR, what the overlay shows at other scales.
void xorOutlineAndHandle(AppState& s) {
    const RubberBandRecord& band = s.RubberBand;
    DrawTarget target(s.gui->canvasPixels(GAD_CANVAS), DrawMode::Xor);
    xorOutline(target, band.drawnX, band.drawnY, band.width, band.height);
    if (band.handleDrawn == 1) xorHandle(target, s.Selection);
    s.gui->canvasUpdated(GAD_CANVAS);
}

// ---- Starting a drag.

bool pressIsOnHandle(const AppState& s, int x, int y) {
    const SelectionRecord& sel = s.Selection;
    const int side = handleExtent(s);
    return s.RubberBand.handleDrawn == 1 && sel.right - side - 1 < x && x < sel.right &&
           sel.bottom - side - 1 < y && y < sel.bottom;
}

bool pressIsInsideSelection(const SelectionRecord& sel, int x, int y) {
    return sel.left < x && x < sel.right && sel.top < y && y < sel.bottom;
}

// Puts the pointer on the selection's centre, so that moving keeps the rectangle under it.
void movePointerToSelectionCentre(AppState& s) {
    gui::Gui& gui = *s.gui;
    const SelectionRecord& sel = s.Selection;
    const RubberBandRecord& band = s.RubberBand;
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    const gui::Rect scroll = gui.controlRect(GAD_SCROLL);
    const gui::Point scrolled = gui.scrollPosition(GAD_SCROLL);
    // Halved in floating point and rounded to nearest with ties to even (the default mode).
    const int centreX = static_cast<int>(std::nearbyint(std::fabs(band.width / 2.0) + sel.left));
    const int centreY = static_cast<int>(std::nearbyint(std::fabs(band.height / 2.0) + sel.top));
    // Shown where the zoom puts that pixel; at 100 % the pixel's own position.
    const gui::Point shown = gui.canvasPixelOnDisplay(GAD_CANVAS, {centreX, centreY});
    gui.movePointer({shown.x + inner.x + scroll.x - scrolled.x,
                     shown.y + inner.y + scroll.y - scrolled.y});
}

DragMode chooseDragMode(AppState& s) {
    RubberBandRecord& band = s.RubberBand;
    if (pressIsOnHandle(s, band.x, band.y)) {
        // Resizing continues the drag from the selection's top-left corner.
        band.x = band.drawnX;
        band.y = band.drawnY;
        return DragMode::Resize;
    }
    if (pressIsInsideSelection(s.Selection, band.x, band.y)) {
        movePointerToSelectionCentre(s);
        return DragMode::Move;
    }
    return DragMode::New;
}

// ---- One step of the drag.

// Removes the outline (and handle) drawn last, or notes that the first outline is coming.
void eraseOrStartOutline(AppState& s, DrawTarget& target) {
    RubberBandRecord& band = s.RubberBand;
    if (s.Selection.outlineDrawn == 1) {
        xorOutline(target, band.drawnX, band.drawnY, band.width, band.height);
        if (band.handleDrawn == 1) {
            band.handleDrawn = 0;
            xorHandle(target, s.Selection);
        }
    } else {
        s.Selection.outlineDrawn = 1;
        band.drawnX = band.x;
        band.drawnY = band.y;
        band.handleDrawn = 0;
    }
}

// A moved selection keeps its size and stays wholly on the canvas.
void moveBandTo(RubberBandRecord& band, const SelectionRecord& sel, gui::Point pointer) {
    band.x = pointer.x - (band.width >> 1);
    band.y = pointer.y - (band.height >> 1);
    if (band.x < sel.minX) band.x = sel.minX;
    if (band.y < sel.minY) band.y = sel.minY;
    if (band.x > sel.maxX - band.width - 1) band.x = sel.maxX - band.width - 1;
    if (band.y > sel.maxY - band.height - 1) band.y = sel.maxY - band.height - 1;
}

// Follows the pointer while it is on the canvas; outside, the rectangle stays as it is.
void followPointer(AppState& s, DragMode mode, gui::Point pointer) {
    const SelectionRecord& sel = s.Selection;
    RubberBandRecord& band = s.RubberBand;
    const bool onCanvas = sel.minX <= pointer.x && pointer.x < sel.maxX && sel.minY <= pointer.y &&
                          pointer.y < sel.maxY;
    if (!onCanvas) return;
    if (mode == DragMode::Move) {
        moveBandTo(band, sel, pointer);
    } else {
        band.width = pointer.x - band.x;
        band.height = pointer.y - band.y;
    }
}

void dragStepOnPixels(AppState& s, DragMode mode) {
    gui::Gui& gui = *s.gui;
    RubberBandRecord& band = s.RubberBand;
    DrawTarget target(gui.canvasPixels(GAD_CANVAS), DrawMode::Xor);
    eraseOrStartOutline(s, target);
    followPointer(s, mode, pointerOnCanvas(s));
    xorOutline(target, band.x, band.y, band.width, band.height);
    band.drawnX = band.x;
    band.drawnY = band.y;
    gui.canvasUpdated(GAD_CANVAS);
}

// The same steps with the outline in the overlay: nothing to erase on the pixels.
void dragStepInOverlay(AppState& s, DragMode mode) {
    RubberBandRecord& band = s.RubberBand;
    s.Selection.outlineDrawn = 1;
    band.handleDrawn = 0;
    followPointer(s, mode, pointerOnCanvas(s));
    band.drawnX = band.x;
    band.drawnY = band.y;
}

void dragStep(AppState& s, DragMode mode) {
    if (outlineOnPixels(s)) {
        dragStepOnPixels(s, mode);
    } else {
        dragStepInOverlay(s, mode);
    }
    RubberBandRecord& band = s.RubberBand;
    SelectionRecord& sel = s.Selection;
    sel.left = band.x;
    sel.top = band.y;
    sel.right = band.x + band.width;
    sel.bottom = band.y + band.height;
    if (!outlineOnPixels(s)) showOverlay(s);
    updateSelectionStatus(s);
}

// ---- Ending the drag.

// Dragging up or left leaves the corners crossed; afterwards left <= right, top <= bottom, and
// the band's anchor is the top-left corner with positive extents.
void normaliseSelection(AppState& s) {
    SelectionRecord& sel = s.Selection;
    RubberBandRecord& band = s.RubberBand;
    if (sel.left > sel.right) {
        std::swap(sel.left, sel.right);
        band.x += band.width;
        band.drawnX = band.x;
        band.width = -band.width;
    }
    if (sel.top > sel.bottom) {
        std::swap(sel.top, sel.bottom);
        band.y += band.height;
        band.drawnY = band.y;
        band.height = -band.height;
    }
}

// A click without a drag ends the selection; otherwise it comes to rest with its handle.
void finishSelection(AppState& s) {
    gui::Gui& gui = *s.gui;
    SelectionRecord& sel = s.Selection;
    const bool onWork = s.imageInView == s.imgWork;
    if (sel.left == sel.right && sel.top == sel.bottom) {
        sel.active = 0;
        if (!outlineOnPixels(s)) showOverlay(s);
        if (onWork) showPalette(s, s.currentPalette);
        return;
    }
    if (outlineOnPixels(s)) {
        DrawTarget target(gui.canvasPixels(GAD_CANVAS), DrawMode::Xor);
        xorHandle(target, sel);
        gui.canvasUpdated(GAD_CANVAS);
        s.RubberBand.handleDrawn = 1;
    } else {
        s.RubberBand.handleDrawn = 1;
        showOverlay(s);
    }
    if (onWork) refreshPalette(s);
}

void dragSelection(AppState& s) {
    const DragMode mode = chooseDragMode(s);
    s.Selection.active = 1;
    // The outline also follows the pointer on the wait that brings the release, so the pixel
    // under the pointer at release belongs to the selection.
    bool released = false;
    while (!released) {
        released = isCanvasLeftUp(s.gui->waitEvent(kDragPollMs));
        dragStep(s, mode);
    }
    normaliseSelection(s);
    finishSelection(s);
    if (s.gui->isChecked(GAD_HISTOGRAM)) refreshHistogram(s);
    updateSelectionStatus(s);
}

}  // namespace

void canvasPress(AppState& s, ControlNumber canvas) {
    (void)canvas;  // always the one canvas; its number is fixed
    // The pick and the drag drop every event until the release; only the canvas takes input.
    const gui::InputHold hold(*s.gui, WIN_MAIN, GAD_CANVAS);
    const gui::Point press = pointerOnCanvas(s);
    s.RubberBand.x = press.x;
    s.RubberBand.y = press.y;
    const SelectionRecord& sel = s.Selection;
    // The bounds are the canvas size, so a press on the far edge itself still counts.
    if (press.x < sel.minX || press.x > sel.maxX || press.y < sel.minY || press.y > sel.maxY)
        return;
    if (s.pickArmed != 0) {
        pickColor(s, press.x, press.y);
        return;
    }
    dragSelection(s);
}

void rescaleCanvas(AppState& s, double scale, gui::ZoomAnchor anchor) {
    const bool wasOnPixels = outlineOnPixels(s);
    const bool shown = s.Selection.active == 1 && s.Selection.outlineDrawn == 1;
    if (wasOnPixels && scale != 1.0 && shown) xorOutlineAndHandle(s);  // off the pixels
    s.gui->setCanvasScale(GAD_CANVAS, scale, anchor);
    showOverlay(s);  // cleared at 100 %, where the outline belongs to the pixels
    if (!wasOnPixels && scale == 1.0 && shown) xorOutlineAndHandle(s);
}

std::optional<ImageNumber> selectionOrImageInView(AppState& s) {
    const SelectionRecord& sel = s.Selection;
    if (sel.active != 1) return s.imageInView;
    if (!s.images.grab(s.imageInView, IMG_SELECTION, sel.left, sel.top, sel.right - sel.left + 1,
                       sel.bottom - sel.top + 1))
        return std::nullopt;
    return IMG_SELECTION;
}

}  // namespace vd
