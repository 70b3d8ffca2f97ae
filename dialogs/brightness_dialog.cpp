// Brightness: one offset added to the chosen channels of the image in view, clamped or
// wrapped around ("OVERDRIVE"), previewed live with the histogram following the preview.

#include "adjust/brightness.h"
#include "app/commands.h"
#include "dialogs/offset_dialog.h"

namespace vd {

namespace {

class BrightnessOperation : public OffsetOperation {
  public:
    BrightnessOperation() : OffsetOperation(256, 128) {}

    void build(Dialog& d) override {
        buildCommon(d, {{5, 10, 267, 50},
                        {10, 25, 257, 25},
                        {15, 100, 70, 30},
                        {110, 100, 70, 30},
                        {200, 100, 70, 30}});
        red_ = d.addCheckBox({10, 65, 55, 25}, "RED", true);
        green_ = d.addCheckBox({65, 65, 55, 25}, "GRN", true);
        blue_ = d.addCheckBox({120, 65, 55, 25}, "BLU", true);
        overdrive_ = d.addCheckBox({180, 65, 110, 25}, "OVERDRIVE", false);
    }

    PreviewRequest onControl(Dialog& d, const gui::Event& event) override {
        gui::Gui& g = d.gui();
        const ControlNumber c = event.control;
        if (const auto request = onCommonControl(g, c)) return *request;
        if (c != red_ && c != green_ && c != blue_ && c != overdrive_)
            return PreviewRequest::Nothing;
        settings_.red = g.isChecked(red_);
        settings_.green = g.isChecked(green_);
        settings_.blue = g.isChecked(blue_);
        settings_.overdrive = g.isChecked(overdrive_);
        return PreviewRequest::Forced;
    }

    void apply(Image& preview) override {
        settings_.offset = takeOffset();
        brightness(preview, settings_);
    }

  private:
    ControlNumber red_{-1}, green_{-1}, blue_{-1}, overdrive_{-1};
    BrightnessSettings settings_;
};

}  // namespace

void brightnessDialog(AppState& s) {
    BrightnessOperation operation;
    runPreviewDialog(s, {WIN_BRIGHTNESS, {300, 135}, "Brightness Adjust", false}, operation);
}

}  // namespace vd
