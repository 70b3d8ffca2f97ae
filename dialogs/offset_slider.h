#pragma once

// The slider of Brightness and Contrast: a frame whose caption is the signed offset from the
// slider's middle, and a "Reset" that brings the slider back there.

#include <string>

#include "dialogs/dialog.h"

namespace vd {

class OffsetSlider {
  public:
    OffsetSlider(int maximum, int centre) : maximum_(maximum), centre_(centre) {}

    void build(Dialog& d, gui::Rect frame, gui::Rect slider) {
        frame_ = d.addFrame(frame, "0");
        slider_ = d.addTrackBar(slider, 0, maximum_, centre_);
    }
    bool isSlider(ControlNumber c) const { return c == slider_; }
    // After a slider event: the caption follows the new position.
    void follow(gui::Gui& g) {
        offset_ = g.value(slider_) - centre_;
        g.setText(frame_, std::to_string(offset_));
    }
    void reset(gui::Gui& g) {
        g.setValue(slider_, centre_);
        offset_ = 0;
        g.setText(frame_, "0");
    }
    int offset() const { return offset_; }

  private:
    int maximum_, centre_;
    ControlNumber frame_{-1}, slider_{-1};
    int offset_ = 0;
};

}  // namespace vd
