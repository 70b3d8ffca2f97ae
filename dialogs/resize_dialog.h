#pragma once

// The frame of the two resize dialogs: width and height fields coupled by the picture's
// aspect ratio while "keep aspect ratio" is ticked, with a loop that waits without a
// time-out. A dialog brings its other controls and what OK does with the typed size.

#include <string>

#include "dialogs/dialog.h"

namespace vd {

enum class ResizeRequest { Nothing, Ok, Cancel };

class ResizeDialogParts {
  public:
    virtual ~ResizeDialogParts() = default;
    virtual void build(Dialog& dialog) = 0;
    virtual ResizeRequest onControl(Dialog& dialog, const gui::Event& event) = 0;
    // OK with the values of the two fields, as typed.
    virtual void ok(AppState& s, int width, int height) = 0;
};

struct ResizeDialogLook {
    WindowNumber window;
    gui::Size size;
    std::string title;
    int aspectBoxWidth = 0;
};

// Runs the dialog for the image in view until OK, Cancel or a close request. Returns at once
// when there is no image in view or the window is already open.
void runResizeDialog(AppState& s, const ResizeDialogLook& look, ResizeDialogParts& parts);

}  // namespace vd
