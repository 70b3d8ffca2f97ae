// Resize image: the image in view resampled with smoothing to the typed size.

#include <new>

#include "adjust/resize_ops.h"
#include "app/commands.h"
#include "dialogs/resize_dialog.h"

namespace vd {

namespace {

class ResizeImageParts : public ResizeDialogParts {
  public:
    void build(Dialog& d) override {
        ok_ = d.addOkButton({95, 100, 60, 25});
        cancel_ = d.addCancelButton({10, 100, 60, 25});
    }

    ResizeRequest onControl(Dialog& /*d*/, const gui::Event& event) override {
        if (event.control == ok_) return ResizeRequest::Ok;
        if (event.control == cancel_) return ResizeRequest::Cancel;
        return ResizeRequest::Nothing;
    }

    // Resampled aside and then moved in, so running out of memory changes nothing.
    void ok(AppState& s, int width, int height) override {
        try {
            s.images.put(IMG_SCRATCH, resizeImage(*s.images.get(s.imageInView), width, height));
        } catch (const std::bad_alloc&) {
            return;
        }
        replaceWithUndo(s, s.imageInView, IMG_SCRATCH);
        refreshDisplay(s);
    }

  private:
    ControlNumber ok_{-1}, cancel_{-1};
};

}  // namespace

void resizeImageDialog(AppState& s) {
    ResizeImageParts parts;
    runResizeDialog(s, {WIN_RESIZE_IMAGE, {165, 130}, "resize image", 145}, parts);
}

}  // namespace vd
