// Contrast: every channel of the image in view spread from or squeezed toward the middle by
// a factor on a slider, previewed live with the histogram following the preview.

#include "adjust/contrast.h"
#include "app/commands.h"
#include "dialogs/offset_slider.h"
#include "dialogs/preview_dialog.h"

namespace vd {

namespace {

class ContrastOperation : public HistogramCoupledOperation {
  public:
    void build(Dialog& d) override {
        slider_.build(d, {10, 5, 211, 45}, {15, 20, 201, 25});
        reset_ = d.addButton({10, 60, 55, 30}, "Reset");
        cancel_ = d.addButton({90, 60, 55, 30}, "Cancel");
        ok_ = d.addButton({168, 60, 55, 30}, "OK");
    }

    PreviewRequest onControl(Dialog& d, const gui::Event& event) override {
        const ControlNumber c = event.control;
        if (slider_.isSlider(c)) {
            slider_.follow(d.gui());
            return PreviewRequest::Delayed;
        }
        if (c == reset_) {
            slider_.reset(d.gui());
            return PreviewRequest::Now;
        }
        if (c == ok_) return PreviewRequest::Ok;
        if (c == cancel_) return PreviewRequest::Cancel;
        return PreviewRequest::Nothing;
    }

    bool changedSinceShown() const override { return slider_.offset() != shownOffset_; }

    void apply(Image& preview) override {
        shownOffset_ = slider_.offset();
        contrast(preview, shownOffset_);
    }

  private:
    OffsetSlider slider_{200, 100};
    ControlNumber reset_{-1}, cancel_{-1}, ok_{-1};
    int shownOffset_ = 0;  // the canvas starts with the unchanged image
};

}  // namespace

void contrastDialog(AppState& s) {
    ContrastOperation operation;
    runPreviewDialog(s, {WIN_CONTRAST, {235, 100}, "Contrast Adjust", false}, operation);
}

}  // namespace vd
