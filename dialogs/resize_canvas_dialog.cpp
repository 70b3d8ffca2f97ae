// Resize canvas: the image in view placed unscaled on a larger canvas of a background colour,
// at one of nine cells.

#include <array>
#include <new>

#include "adjust/resize_ops.h"
#include "app/commands.h"
#include "dialogs/resize_dialog.h"

namespace vd {

namespace {

constexpr gui::Size kSwatchSize{70, 40};
constexpr gui::Point kGridOrigin{150, 28};
constexpr int kCentreCell = 5;

class ResizeCanvasParts : public ResizeDialogParts {
  public:
    explicit ResizeCanvasParts(AppState& s) : s_(s) {}

    void build(Dialog& d) override {
        ok_ = d.addOkButton({170, 130, 60, 25});
        cancel_ = d.addCancelButton({100, 130, 60, 25});
        d.addLabel({150, 5, 90, 30}, "position");
        d.addFrame({kGridOrigin.x, kGridOrigin.y, 80, 85}, "");
        addCells(d);
        swatch_ = d.addImageButton({10, 100, kSwatchSize.width, kSwatchSize.height},
                                   swatchPicture(kSwatchSize, s_.CanvasBackgroundColor), "");
        d.addLabel({10, 145, 90, 30}, "background");
    }

    ResizeRequest onControl(Dialog& d, const gui::Event& event) override {
        if (event.control == swatch_)
            chooseSwatchColor(d.gui(), s_.CanvasBackgroundColor, swatch_, kSwatchSize);
        if (event.control == ok_) return ResizeRequest::Ok;
        if (event.control == cancel_) return ResizeRequest::Cancel;
        return ResizeRequest::Nothing;
    }

    void ok(AppState& s, int width, int height) override {
        const int cell = selectedCell(*s.gui);
        try {
            s.images.put(IMG_SCRATCH, resizeCanvas(*s.images.get(s.imageInView), width, height,
                                                   cell, s.CanvasBackgroundColor));
        } catch (const std::bad_alloc&) {
            return;
        }
        replaceWithUndo(s, s.imageInView, IMG_SCRATCH);
        refreshDisplay(s);
    }

  private:
    // Cells 1 to 9 row by row, 25 pixels apart inside the bordered grid.
    void addCells(Dialog& d) {
        for (int i = 0; i < 9; ++i) {
            const gui::Rect place{kGridOrigin.x + 5 + 25 * (i % 3), kGridOrigin.y + 5 + 25 * (i / 3),
                                  20, 20};
            cells_[i] = d.addOptionButton(place, "", i == 0);
        }
        d.gui().setChecked(cells_[kCentreCell - 1], true);
    }

    int selectedCell(const gui::Gui& g) const {
        for (int i = 0; i < 9; ++i)
            if (g.isChecked(cells_[i])) return i + 1;
        return kCentreCell;
    }

    AppState& s_;
    std::array<ControlNumber, 9> cells_{};
    ControlNumber ok_{-1}, cancel_{-1}, swatch_{-1};
};

}  // namespace

void resizeCanvasDialog(AppState& s) {
    ResizeCanvasParts parts(s);
    runResizeDialog(s, {WIN_RESIZE_CANVAS, {240, 165}, "resize canvas", 125}, parts);
}

}  // namespace vd
