#pragma once

// The frame of the adjustment dialogs that show their result live on the canvas (Two Colors,
// Brightness, Contrast). A dialog brings its controls and its operation; the frame runs the
// loop, delays the recompute while a slider moves, draws the preview and applies or drops it.
// The preview lives in IMG_SCRATCH while the dialog is open.

#include <string>

#include "dialogs/dialog.h"

namespace vd {

// What a control event asks of the frame.
enum class PreviewRequest {
    Nothing,
    Delayed,  // a slider moved: recompute once it has rested for the delay
    Forced,   // recompute when due, even with the parameters of the preview shown
    Now,      // recompute at once, without the delay
    Ok,
    Cancel,
};

class PreviewOperation {
  public:
    virtual ~PreviewOperation() = default;
    // Adds the dialog's controls.
    virtual void build(Dialog& dialog) = 0;
    virtual PreviewRequest onControl(Dialog& dialog, const gui::Event& event) = 0;
    // Events of other windows; those the operation does not want are dropped.
    virtual void onOther(Dialog& /*dialog*/, const gui::Event& /*event*/) {}
    // True when the parameters differ from those of the preview shown.
    virtual bool changedSinceShown() const = 0;
    // Records the current parameters as shown and applies them to `preview`, a fresh copy of
    // the image in view.
    virtual void apply(Image& preview) = 0;
    // After the preview has been drawn on the canvas.
    virtual void previewShown(AppState& /*s*/) {}
};

struct PreviewDialogLook {
    WindowNumber window;
    gui::Size size;
    std::string title;
    // Whether the first preview is computed as soon as the dialog opens.
    bool previewAtOpening = false;
};

// How long a slider must rest before the preview follows it, and how long each wait of the
// dialog lasts.
constexpr int kPreviewDelayMs = 330;
constexpr int kPreviewWaitMs = 10;

// Runs the dialog for the image in view until OK, Cancel or a close request. Returns at once
// when there is no image in view or the window is already open.
void runPreviewDialog(AppState& s, const PreviewDialogLook& look, PreviewOperation& operation);

// The histogram coupling of Brightness and Contrast: while the main window's "Histogram" box
// is ticked, the histogram shows the preview (the image in view before the first one).
void showPreviewHistogram(AppState& s);
// Clicks on the histogram window's channel and "ExEx" boxes redraw it from the preview.
void redrawHistogramOnBoxClick(AppState& s, const gui::Event& event);

// An operation whose preview the histogram window follows.
class HistogramCoupledOperation : public PreviewOperation {
  public:
    void onOther(Dialog& dialog, const gui::Event& event) override {
        redrawHistogramOnBoxClick(dialog.state(), event);
    }
    void previewShown(AppState& s) override { showPreviewHistogram(s); }
};

}  // namespace vd
