// The one-step image operations of the pop-up menu, on a numbered image: colours (Negative,
// Gray Scale) and geometry (flip, mirror, turns, crop). Each keeps the view's undo step first;
// redrawing the canvas is left to the caller.

#include <new>
#include <utility>

#include "adjust/color_ops.h"
#include "adjust/geometry.h"
#include "app/commands.h"

namespace vd {

namespace {

// Runs an in-place operation on image n after recording its undo step. False when there
// is no image n.
template <class Operation>
bool changeInPlace(AppState& s, ImageNumber n, Operation operation) {
    if (!s.images.exists(n)) return false;
    saveUndo(s, n);
    operation(*s.images.get(n));
    return true;
}

// Colour changes show up in the palette window only when they happen to the work image.
void refreshPaletteIfWork(AppState& s, ImageNumber n) {
    if (n == s.imgWork) refreshPalette(s);
}

}  // namespace

void negativeCommand(AppState& s, ImageNumber n) {
    if (changeInPlace(s, n, [](Image& image) { negative(image); })) refreshPaletteIfWork(s, n);
}

void grayScaleCommand(AppState& s, ImageNumber n) {
    if (changeInPlace(s, n, [](Image& image) { grayScale(image); })) refreshPaletteIfWork(s, n);
}

void flipCommand(AppState& s, ImageNumber n) {
    changeInPlace(s, n, [](Image& image) { flip(image); });
}

void mirrorCommand(AppState& s, ImageNumber n) {
    changeInPlace(s, n, [](Image& image) { mirror(image); });
}

void rotate180Command(AppState& s, ImageNumber n) {
    changeInPlace(s, n, [](Image& image) { rotate180(image); });
}

int rotateQuarterCommand(AppState& s, ImageNumber n, bool clockwise) {
    const Image* image = s.images.get(n);
    if (!image) return 0;
    try {
        Image turned = rotateQuarter(*image, clockwise);
        // The undo step is taken once the turn has worked, so a failed turn leaves none.
        saveUndo(s, n);
        s.images.put(n, std::move(turned));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int cropCommand(AppState& s, ImageNumber n) {
    const SelectionRecord& sel = s.Selection;
    if (sel.active == 0) return 0;
    const Image* image = s.images.get(n);
    if (!image) return 0;
    Image cut;
    try {
        cut = cropToSelection(*image, sel.left, sel.top, sel.right, sel.bottom);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    // A selection always lies on the picture; this only guards against an empty result.
    if (cut.empty()) return 0;
    saveUndo(s, n);
    s.images.put(n, std::move(cut));
    clearSelection(s);
    refreshPaletteIfWork(s, n);
    return 1;
}

}  // namespace vd
