#pragma once

// What Brightness and Contrast share: a slider whose frame shows the signed offset from the
// slider's middle, "Reset" to bring it back there, "Cancel" and "OK"; the histogram follows
// the preview. Each adds its own controls and operation.

#include <optional>
#include <string>

#include "dialogs/preview_dialog.h"

namespace vd {

struct OffsetDialogPlaces {
    gui::Rect frame, slider, reset, cancel, ok;
};

class OffsetOperation : public HistogramCoupledOperation {
  public:
    OffsetOperation(int maximum, int centre) : maximum_(maximum), centre_(centre) {}

    bool changedSinceShown() const override { return offset_ != shownOffset_; }

  protected:
    void buildCommon(Dialog& d, const OffsetDialogPlaces& at) {
        frame_ = d.addFrame(at.frame, "0");
        slider_ = d.addTrackBar(at.slider, 0, maximum_, centre_);
        reset_ = d.addButton(at.reset, "Reset");
        cancel_ = d.addCancelButton(at.cancel);
        ok_ = d.addOkButton(at.ok);
    }

    // What the slider and the three buttons ask; nothing for the dialog's other controls.
    std::optional<PreviewRequest> onCommonControl(gui::Gui& g, ControlNumber c) {
        if (c == slider_) {
            offset_ = g.value(slider_) - centre_;
            g.setText(frame_, std::to_string(offset_));
            return PreviewRequest::Delayed;
        }
        if (c == reset_) {
            // Shown at once with no offset, which the canvas then counts as showing.
            g.setValue(slider_, centre_);
            offset_ = 0;
            g.setText(frame_, "0");
            return PreviewRequest::Now;
        }
        if (c == ok_) return PreviewRequest::Ok;
        if (c == cancel_) return PreviewRequest::Cancel;
        return std::nullopt;
    }

    // The offset to apply now, recorded as the one shown.
    int takeOffset() {
        shownOffset_ = offset_;
        return offset_;
    }

  private:
    int maximum_, centre_;
    ControlNumber frame_{-1}, slider_{-1}, reset_{-1}, cancel_{-1}, ok_{-1};
    int offset_ = 0;
    int shownOffset_ = 0;  // the canvas starts with the unchanged image
};

}  // namespace vd
