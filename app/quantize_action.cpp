// "Apply": the work image becomes the reference reduced by the chosen method, and is shown.

#include <new>
#include <string>
#include <utility>

#include "app/commands.h"
#include "quantize/quantize.h"

namespace vd {

namespace {

QuantizeSettings readSettings(gui::Gui& g, int row) {
    QuantizeSettings settings;
    settings.method = static_cast<QuantizeMethod>(row);
    // For Uniform this is the level count n, not the colour count n³ the box shows.
    settings.limit = g.value(GAD_LIMIT);
    settings.dither = g.isChecked(GAD_DITHER);
    return settings;
}

// Methods that made their own palette show it; the others show the census of the result,
// which looks at the image in view, so the work image takes the view first.
void showResultPalette(AppState& s, PaletteDisplay display) {
    if (display == PaletteDisplay::Show) {
        showPalette(s, s.currentPalette);
        return;
    }
    s.imageInView = s.imgWork;
    refreshPalette(s);
}

}  // namespace

void applyQuantize(AppState& s) {
    gui::Gui& g = *s.gui;
    const int row = g.selectedRow(GAD_METHOD);
    if (row < 0 || row >= kMethodCount) return;
    const QuantizeMethod method = static_cast<QuantizeMethod>(row);
    if (methodInfo(method).limitKind == LimitKind::PaletteSize) {
        // What the box shows is then the value the method uses, even after a half-typed edit.
        g.setText(GAD_LIMIT, std::to_string(g.value(GAD_LIMIT)));
    }
    if (!s.images.exists(s.imgReference)) return;

    const BusyCursor busy(g, isBigPicture(s, s.imgReference));
    saveUndo(s, s.imgWork);
    try {
        const Image& reference = *s.images.get(s.imgReference);
        s.images.put(s.imgWork, workImageFor(reference, method));
        QuantizeContext context{&s.colorIndex, s.neuQuantArea};
        QuantizeOutcome result =
            quantizeInto(reference, *s.images.get(s.imgWork), readSettings(g, row), context);
        if (result.palette) s.currentPalette = std::move(*result.palette);
        showResultPalette(s, result.display);
    } catch (const std::bad_alloc&) {
        // The work image becomes the plain copy of the reference; it is still shown.
        s.images.copy(s.imgReference, s.imgWork);
    }
    switchView(s, GAD_VIEW_WORK);
}

}  // namespace vd
