#include "dialogs/preview_dialog.h"

#include <cstdint>

#include "app/commands.h"
#include "platform/image/draw.h"

namespace vd {

namespace {

enum class PreviewEnd { Running, Ok, Cancel };

class PreviewFrame {
  public:
    PreviewFrame(Dialog& dialog, PreviewOperation& operation, bool previewAtOpening)
        : dialog_(dialog), s_(dialog.state()), operation_(operation) {
        // Due at the opening time: the first wait that ends after it brings the preview.
        recomputeWanted_ = previewAtOpening;
        dueMs_ = now();
    }

    PreviewEnd run() {
        PreviewEnd end = PreviewEnd::Running;
        while (end == PreviewEnd::Running) {
            end = handle(dialog_.next(kPreviewWaitMs));
            if (end == PreviewEnd::Running) recomputeIfDue();
        }
        return end;
    }

  private:
    std::int64_t now() const { return s_.gui->clock().nowMs(); }

    PreviewEnd handle(const DialogEvent& next) {
        switch (next.input) {
            case DialogInput::Closed:
                return PreviewEnd::Cancel;
            case DialogInput::Other:
                operation_.onOther(dialog_, next.event);
                return PreviewEnd::Running;
            case DialogInput::Timeout:
                return PreviewEnd::Running;
            case DialogInput::Control:
                break;
        }
        switch (operation_.onControl(dialog_, next.event)) {
            case PreviewRequest::Nothing:
                break;
            case PreviewRequest::Delayed:
                dueMs_ = now() + kPreviewDelayMs;
                recomputeWanted_ = true;
                break;
            case PreviewRequest::Forced:
                recomputeWanted_ = true;
                forced_ = true;
                break;
            case PreviewRequest::Now:
                recompute();
                break;
            case PreviewRequest::Ok:
                return PreviewEnd::Ok;
            case PreviewRequest::Cancel:
                return PreviewEnd::Cancel;
        }
        return PreviewEnd::Running;
    }

    void recomputeIfDue() {
        if (!recomputeWanted_ || now() <= dueMs_) return;
        recomputeWanted_ = false;
        if (forced_ || operation_.changedSinceShown()) recompute();
    }

    void recompute() {
        forced_ = false;
        // The scratch image keeps its buffer from one recompute to the next.
        if (!s_.images.copy(s_.imageInView, IMG_SCRATCH)) return;
        Image& preview = *s_.images.get(IMG_SCRATCH);
        operation_.apply(preview);
        gui::Gui& g = *s_.gui;
        DrawTarget(g.canvasPixels(GAD_CANVAS)).drawImageBlended(preview, 0, 0);
        g.canvasUpdated(GAD_CANVAS);
        operation_.previewShown(s_);
    }

    Dialog& dialog_;
    AppState& s_;
    PreviewOperation& operation_;
    bool recomputeWanted_ = false;
    bool forced_ = false;
    std::int64_t dueMs_ = 0;
};

// OK keeps the preview as last computed, with the old picture as the view's undo step.
void applyPreview(AppState& s) {
    if (!s.images.exists(IMG_SCRATCH)) return;
    replaceWithUndo(s, s.imageInView, IMG_SCRATCH);
    refreshDisplay(s);
    if (s.imageInView == s.imgWork) refreshPalette(s);
}

bool isPreviewHistogramBox(ControlNumber c) {
    return c == GAD_HIST_RED || c == GAD_HIST_GREEN || c == GAD_HIST_BLUE || c == GAD_HIST_EXEX;
}

}  // namespace

void runPreviewDialog(AppState& s, const PreviewDialogLook& look, PreviewOperation& operation) {
    if (!s.images.exists(s.imageInView) || s.gui->windowExists(look.window)) return;
    // Whatever another command left there is no preview of this dialog.
    s.images.free(IMG_SCRATCH);
    PreviewEnd end = PreviewEnd::Cancel;
    {
        Dialog dialog(s, look.window, look.size, look.title);
        if (!dialog.isOpen()) return;
        operation.build(dialog);
        end = PreviewFrame(dialog, operation, look.previewAtOpening).run();
        if (end == PreviewEnd::Ok) {
            applyPreview(s);
        } else {
            refreshDisplay(s);  // the unchanged image over the preview
        }
    }
    s.images.free(IMG_SCRATCH);
}

void showPreviewHistogram(AppState& s) {
    if (!s.gui->isChecked(GAD_HISTOGRAM)) return;
    const ImageNumber shown = s.images.exists(IMG_SCRATCH) ? IMG_SCRATCH : s.imageInView;
    showHistogram(s, toInt(shown));
}

void redrawHistogramOnBoxClick(AppState& s, const gui::Event& event) {
    if (event.kind == gui::EventKind::Control && event.window == WIN_HISTOGRAM &&
        isPreviewHistogramBox(event.control))
        showPreviewHistogram(s);
}

}  // namespace vd
