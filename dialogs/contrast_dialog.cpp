// Contrast: every channel of the image in view spread from or squeezed toward the middle by
// a factor on a slider, previewed live with the histogram following the preview.

#include "adjust/contrast.h"
#include "app/commands.h"
#include "dialogs/offset_dialog.h"

namespace vd {

namespace {

class ContrastOperation : public OffsetOperation {
  public:
    ContrastOperation() : OffsetOperation(200, 100) {}

    void build(Dialog& d) override {
        buildCommon(d, {{10, 5, 211, 45},
                        {15, 20, 201, 25},
                        {10, 60, 55, 30},
                        {90, 60, 55, 30},
                        {168, 60, 55, 30}});
    }

    PreviewRequest onControl(Dialog& d, const gui::Event& event) override {
        return onCommonControl(d.gui(), event.control).value_or(PreviewRequest::Nothing);
    }

    void apply(Image& preview) override { contrast(preview, takeOffset()); }
};

}  // namespace

void contrastDialog(AppState& s) {
    ContrastOperation operation;
    runPreviewDialog(s, {WIN_CONTRAST, {235, 100}, "Contrast Adjust", false}, operation);
}

}  // namespace vd
