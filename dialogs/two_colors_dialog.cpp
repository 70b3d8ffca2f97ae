// Two Colors: every pixel of the image in view becomes one of two colours by its gray level,
// with a threshold on a slider and a choice of dithering, previewed live.

#include <optional>
#include <string>

#include "adjust/two_colors.h"
#include "app/commands.h"
#include "dialogs/preview_dialog.h"

namespace vd {

namespace {

constexpr gui::Size kSwatchSize{25, 25};
constexpr int kSliderStart = 128;

std::string thresholdCaption(int position) { return "Threshold " + std::to_string(position); }

class TwoColorsOperation : public PreviewOperation {
  public:
    explicit TwoColorsOperation(AppState& s) : s_(s) {}

    void build(Dialog& d) override {
        d.addFrame({10, 5, 267, 50}, "Dither");
        none_ = d.addOptionButton({17, 20, 60, 30}, "None", true);
        ordered_ = d.addOptionButton({85, 20, 90, 30}, "4X4 ordered", false);
        sierra_ = d.addOptionButton({183, 20, 86, 30}, "Sierra Lite", false);
        d.gui().setChecked(none_, true);
        frame_ = d.addFrame({10, 60, 267, 60}, thresholdCaption(kSliderStart));
        slider_ = d.addTrackBar({15, 85, 257, 30}, 0, 256, kSliderStart);
        color1_ = d.addImageButton({100, 130, kSwatchSize.width, kSwatchSize.height},
                                   swatchPicture(kSwatchSize, s_.TwoColorsColor1), "color 1");
        color2_ = d.addImageButton({157, 130, kSwatchSize.width, kSwatchSize.height},
                                   swatchPicture(kSwatchSize, s_.TwoColorsColor2), "color 2");
        cancel_ = d.addCancelButton({10, 130, 60, 30});
        ok_ = d.addOkButton({217, 130, 60, 30});
    }

    PreviewRequest onControl(Dialog& d, const gui::Event& event) override {
        gui::Gui& g = d.gui();
        const ControlNumber c = event.control;
        if (c == slider_) {
            position_ = g.value(slider_);
            g.setText(frame_, thresholdCaption(position_));
            return PreviewRequest::Delayed;
        }
        if (c == none_ || c == ordered_ || c == sierra_) {
            dither_ = c == none_      ? TwoColorsDither::None
                      : c == ordered_ ? TwoColorsDither::Ordered
                                      : TwoColorsDither::SierraLite;
            return PreviewRequest::Forced;
        }
        if (c == color1_ || c == color2_) {
            Color& color = c == color1_ ? s_.TwoColorsColor1 : s_.TwoColorsColor2;
            return chooseSwatchColor(g, color, c, kSwatchSize) ? PreviewRequest::Forced
                                                              : PreviewRequest::Nothing;
        }
        if (c == ok_) return PreviewRequest::Ok;
        if (c == cancel_) return PreviewRequest::Cancel;
        return PreviewRequest::Nothing;
    }

    bool changedSinceShown() const override { return shownThreshold_ != threshold(); }

    void apply(Image& preview) override {
        shownThreshold_ = threshold();
        twoColors(preview, {threshold(), dither_, s_.TwoColorsColor1, s_.TwoColorsColor2});
    }

  private:
    // The slider shows how much of the gray range takes the second colour.
    int threshold() const { return 256 - position_; }

    AppState& s_;
    ControlNumber none_{-1}, ordered_{-1}, sierra_{-1}, frame_{-1}, slider_{-1};
    ControlNumber color1_{-1}, color2_{-1}, cancel_{-1}, ok_{-1};
    int position_ = kSliderStart;
    TwoColorsDither dither_ = TwoColorsDither::None;
    std::optional<int> shownThreshold_;
};

}  // namespace

void twoColorsDialog(AppState& s) {
    TwoColorsOperation operation(s);
    runPreviewDialog(s, {WIN_TWO_COLORS, {287, 170}, "Two Colors", true}, operation);
}

}  // namespace vd
