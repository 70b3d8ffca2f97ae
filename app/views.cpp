#include <optional>
#include <utility>

#include "app/commands.h"

// The two views keep one saved copy each. The copy is an undo step or a redo step depending on
// the view's flag bits; stepping exchanges the image numbers of the view's two slots, so no
// pixels move when the user goes back and forth.

namespace vd {

namespace {

// The undo and redo bits of the view whose image is `n` (n is the reference or work image).
struct ViewBits {
    int undoBit;
    int redoBit;
    int otherViewMask;  // the bits of the other view, which every transition keeps
};

constexpr ViewBits kReferenceBits{UNDO_REFERENCE, REDO_REFERENCE, UNDO_WORK | REDO_WORK};
constexpr ViewBits kWorkBits{UNDO_WORK, REDO_WORK, UNDO_REFERENCE | REDO_REFERENCE};

// A view's saved copy becomes its undo step (bit `undoBit`) or its redo step; the other view
// is left alone and the two bits of this view are never both set.
void setViewStep(AppState& s, const ViewBits& bits, int stepBit) {
    s.undoFlags = (s.undoFlags & bits.otherViewMask) | stepBit;
}

// Exchanges a view's image with its saved copy, shows it and sets the buttons. Returns false
// (and changes nothing) when the saved copy does not exist.
bool stepView(AppState& s, ImageNumber& image, ImageNumber& saved, const ViewBits& bits,
              int newStepBit) {
    if (!s.images.exists(saved)) return false;
    std::swap(image, saved);
    s.imageInView = image;
    setViewStep(s, bits, newStepBit);
    refreshDisplay(s);
    updateUndoButtons(s, s.imageInView);
    return true;
}

// The undo slot of the view whose image is n (the reference or the work image).
ImageNumber undoSlotOf(const AppState& s, ImageNumber n) {
    return n == s.imgReference ? s.imgReferenceUndo : s.imgWorkUndo;
}

// The view's saved copy has just become its undo step.
void markUndoStep(AppState& s, ImageNumber n) {
    if (n == s.imgReference) {
        setViewStep(s, kReferenceBits, UNDO_REFERENCE);
    } else {
        setViewStep(s, kWorkBits, UNDO_WORK);
    }
    updateUndoButtons(s, n);
}

}  // namespace

void saveUndo(AppState& s, ImageNumber n) {
    if (n != s.imgReference && n != s.imgWork) return;
    s.images.copy(n, undoSlotOf(s, n));
    markUndoStep(s, n);
}

void replaceWithUndo(AppState& s, ImageNumber n, ImageNumber replacement) {
    s.images.swap(n, replacement);
    // `replacement` now holds the old pixels: for a view's image they become its undo step.
    if (n == s.imgReference || n == s.imgWork) {
        s.images.swap(replacement, undoSlotOf(s, n));
        markUndoStep(s, n);
    }
    s.images.free(replacement);
}

void updateUndoButtons(AppState& s, ImageNumber n) {
    gui::Gui& gui = *s.gui;
    if (n == s.imgReference) {
        gui.setEnabled(GAD_UNDO, (s.undoFlags & UNDO_REFERENCE) != 0);
        gui.setEnabled(GAD_REDO, (s.undoFlags & REDO_REFERENCE) != 0);
    } else if (n == s.imgWork) {
        gui.setEnabled(GAD_UNDO, (s.undoFlags & UNDO_WORK) != 0);
        gui.setEnabled(GAD_REDO, (s.undoFlags & REDO_WORK) != 0);
    }
    // A click on a button took the focus; the shortcuts and arrow keys expect the canvas.
    gui.setFocus(GAD_CANVAS);
}

void undo(AppState& s) {
    if (s.imageInView == s.imgReference && (s.undoFlags & UNDO_REFERENCE)) {
        stepView(s, s.imgReference, s.imgReferenceUndo, kReferenceBits, REDO_REFERENCE);
    } else if (s.imageInView == s.imgWork && (s.undoFlags & UNDO_WORK)) {
        if (stepView(s, s.imgWork, s.imgWorkUndo, kWorkBits, REDO_WORK)) refreshPalette(s);
    }
}

void redo(AppState& s) {
    if (s.imageInView == s.imgReference && (s.undoFlags & REDO_REFERENCE)) {
        stepView(s, s.imgReference, s.imgReferenceUndo, kReferenceBits, UNDO_REFERENCE);
    } else if (s.imageInView == s.imgWork && (s.undoFlags & REDO_WORK)) {
        if (stepView(s, s.imgWork, s.imgWorkUndo, kWorkBits, UNDO_WORK)) refreshPalette(s);
    }
}

void switchView(AppState& s, ControlNumber button) {
    gui::Gui& gui = *s.gui;
    if (button == GAD_VIEW_REFERENCE) {
        gui.setChecked(GAD_VIEW_REFERENCE, true);
        // A selection on the work image means nothing on the reference image.
        if (s.Selection.active == 1 && s.imageInView == s.imgWork) {
            clearSelection(s);
            refreshPalette(s);
        }
        // The palette window belongs to the Work view.
        if (gui.windowExists(WIN_PALETTE)) gui.hideWindow(WIN_PALETTE);
        s.imageInView = s.imgReference;
        refreshDisplay(s);
        updateUndoButtons(s, s.imgReference);
    } else if (button == GAD_VIEW_WORK) {
        gui.setChecked(GAD_VIEW_WORK, true);
        if (gui.windowExists(WIN_PALETTE)) gui.showWindowWithoutActivating(WIN_PALETTE);
        s.imageInView = s.imgWork;
        refreshDisplay(s);
        updateUndoButtons(s, s.imgWork);
    }
}

void setWorkAsReference(AppState& s) {
    if (!s.images.exists(s.imgWork)) return;
    // The old reference becomes the Reference view's undo step; the Work view keeps its own.
    s.images.copy(s.imgReference, s.imgReferenceUndo);
    setViewStep(s, kReferenceBits, UNDO_REFERENCE);
    s.images.copy(s.imgWork, s.imgReference);
    switchView(s, GAD_VIEW_REFERENCE);
}

void pasteNewImage(AppState& s) {
    std::optional<Image> picture = s.gui->clipboardImage(24);
    if (picture) pasteNewPicture(s, std::move(*picture));
}

void pasteNewPicture(AppState& s, Image picture) {
    // 24 bits: a pasted picture is opaque whatever the clipboard offered.
    if (picture.depth() != 24) picture.setDepth(24);
    s.images.put(IMG_SCRATCH, std::move(picture));
    saveUndo(s, s.imageInView);
    s.images.copy(IMG_SCRATCH, s.imageInView);
    s.images.free(IMG_SCRATCH);
    resetZoom(s);
    refreshDisplay(s);
    if (s.imageInView == s.imgWork) refreshPalette(s);
}

}  // namespace vd
