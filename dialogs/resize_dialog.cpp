#include "dialogs/resize_dialog.h"

#include "adjust/resize_ops.h"

namespace vd {

namespace {

class SizeFields {
  public:
    SizeFields(Dialog& d, const Image& picture, int aspectBoxWidth)
        : ratio_(aspectRatio(picture.width(), picture.height())) {
        width_ = d.addDigitsField({10, 10, 60, 25}, std::to_string(picture.width()));
        height_ = d.addDigitsField({10, 40, 60, 25}, std::to_string(picture.height()));
        d.addLabel({75, 15, 50, 25}, "width");
        d.addLabel({75, 40, 50, 25}, "Height");
        keepAspect_ = d.addCheckBox({10, 70, aspectBoxWidth, 25}, "keep aspect ratio", true);
    }

    // A user's edit of one field rewrites the other; what the program writes raises no
    // event, so it never feeds back. True when the event was one of the frame's.
    bool handle(gui::Gui& g, const gui::Event& event) {
        if (event.control == keepAspect_) return true;
        const bool width = event.control == width_, height = event.control == height_;
        if (!width && !height) return false;
        if (event.type != gui::TEXT_EDITED || !g.isChecked(keepAspect_)) return true;
        if (width) {
            g.setText(height_, std::to_string(coupledHeight(value(g, width_), ratio_)));
        } else {
            g.setText(width_, std::to_string(coupledWidth(value(g, height_), ratio_)));
        }
        return true;
    }

    int width(const gui::Gui& g) const { return value(g, width_); }
    int height(const gui::Gui& g) const { return value(g, height_); }

  private:
    static int value(const gui::Gui& g, ControlNumber field) { return fieldNumber(g.text(field)); }

    float ratio_;
    ControlNumber width_{-1}, height_{-1}, keepAspect_{-1};
};

}  // namespace

void runResizeDialog(AppState& s, const ResizeDialogLook& look, ResizeDialogParts& parts) {
    const Image* picture = s.images.get(s.imageInView);
    if (picture == nullptr || s.gui->windowExists(look.window)) return;
    Dialog dialog(s, look.window, look.size, look.title);
    if (!dialog.isOpen()) return;
    SizeFields fields(dialog, *picture, look.aspectBoxWidth);
    parts.build(dialog);
    gui::Gui& g = dialog.gui();
    for (;;) {
        const DialogEvent next = dialog.next();
        if (next.input == DialogInput::Closed) return;
        if (next.input != DialogInput::Control || fields.handle(g, next.event)) continue;
        const ResizeRequest request = parts.onControl(dialog, next.event);
        if (request == ResizeRequest::Cancel) return;
        if (request == ResizeRequest::Ok) {
            parts.ok(s, fields.width(g), fields.height(g));
            return;
        }
    }
}

}  // namespace vd
