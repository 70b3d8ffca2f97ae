// Brightness: one offset added to the chosen channels of the image in view, clamped or
// wrapped around ("OVERDRIVE"), previewed live with the histogram following the preview.

#include "adjust/brightness.h"
#include "app/commands.h"
#include "dialogs/offset_slider.h"
#include "dialogs/preview_dialog.h"

namespace vd {

namespace {

class BrightnessOperation : public HistogramCoupledOperation {
  public:
    void build(Dialog& d) override {
        slider_.build(d, {5, 10, 267, 50}, {10, 25, 257, 25});
        red_ = d.addCheckBox({10, 65, 55, 25}, "RED", true);
        green_ = d.addCheckBox({65, 65, 55, 25}, "GRN", true);
        blue_ = d.addCheckBox({120, 65, 55, 25}, "BLU", true);
        overdrive_ = d.addCheckBox({180, 65, 110, 25}, "OVERDRIVE", false);
        reset_ = d.addButton({15, 100, 70, 30}, "Reset");
        cancel_ = d.addButton({110, 100, 70, 30}, "Cancel");
        ok_ = d.addButton({200, 100, 70, 30}, "OK");
    }

    PreviewRequest onControl(Dialog& d, const gui::Event& event) override {
        gui::Gui& g = d.gui();
        const ControlNumber c = event.control;
        if (slider_.isSlider(c)) {
            slider_.follow(g);
            return PreviewRequest::Delayed;
        }
        if (c == red_ || c == green_ || c == blue_ || c == overdrive_) {
            settings_.red = g.isChecked(red_);
            settings_.green = g.isChecked(green_);
            settings_.blue = g.isChecked(blue_);
            settings_.overdrive = g.isChecked(overdrive_);
            return PreviewRequest::Forced;
        }
        if (c == reset_) {
            slider_.reset(g);
            return PreviewRequest::Now;
        }
        if (c == ok_) return PreviewRequest::Ok;
        if (c == cancel_) return PreviewRequest::Cancel;
        return PreviewRequest::Nothing;
    }

    bool changedSinceShown() const override { return slider_.offset() != shownOffset_; }

    void apply(Image& preview) override {
        shownOffset_ = slider_.offset();
        settings_.offset = shownOffset_;
        brightness(preview, settings_);
    }

  private:
    OffsetSlider slider_{256, 128};
    ControlNumber red_{-1}, green_{-1}, blue_{-1}, overdrive_{-1};
    ControlNumber reset_{-1}, cancel_{-1}, ok_{-1};
    BrightnessSettings settings_;
    int shownOffset_ = 0;  // the canvas starts with the unchanged image
};

}  // namespace

void brightnessDialog(AppState& s) {
    BrightnessOperation operation;
    runPreviewDialog(s, {WIN_BRIGHTNESS, {300, 135}, "Brightness Adjust", false}, operation);
}

}  // namespace vd
