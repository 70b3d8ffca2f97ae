// What the user waits for in the adjustment and resize dialogs on a 12 MP picture: from the
// moment the slider has rested long enough to the preview drawn on the canvas, and from the
// click on OK to the redrawn canvas (undo step, unique colour count and all). The dialogs run
// in the real program's loop; a manual clock skips the waits a person would sit through.

#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>

#include "bench/app/editor.h"

namespace vd::bench {
namespace {

using Stopwatch = std::chrono::steady_clock;

double seconds(Stopwatch::duration d) { return std::chrono::duration<double>(d).count(); }

gui::Rect okPlace(WindowNumber w) {
    if (w == WIN_TWO_COLORS) return {217, 130, 60, 30};
    if (w == WIN_BRIGHTNESS) return {200, 100, 70, 30};
    if (w == WIN_CONTRAST) return {168, 60, 55, 30};
    if (w == WIN_RESIZE_IMAGE) return {95, 100, 60, 25};
    return {170, 130, 60, 25};
}

struct DialogCase {
    int menuItem;
    WindowNumber window;
    std::optional<gui::Rect> slider;  // moved to `position` before OK
    int position;
};

// One use of a dialog on the photo: the seconds of the preview and of OK.
std::pair<double, double> useDialog(Editor& e, const DialogCase& c) {
    Stopwatch::time_point moved, okClicked;
    e.clock.schedule(20, [&] {
        if (c.slider) {
            const ControlNumber bar = *e.gui.controlAt(c.window, *c.slider);
            e.gui.setValue(bar, c.position);
            e.gui.postEvent(e.controlEvent(c.window, bar, gui::TRACK_MOVED));
        }
        moved = Stopwatch::now();
    });
    // Due 330 ms after the move; the preview is on the canvas before this runs.
    e.clock.schedule(400, [&] {
        okClicked = Stopwatch::now();
        const ControlNumber ok = *e.gui.controlAt(c.window, okPlace(c.window));
        e.gui.postEvent(e.controlEvent(c.window, ok, gui::CONTROL_ACTIVATED));
    });
    e.menu(c.menuItem);
    const auto done = Stopwatch::now();
    // Each use starts again from the photo, without the cost of putting it back.
    e.s.images.swap(e.s.imageInView, e.s.imgReferenceUndo);
    refreshDisplay(e.s);
    return {seconds(okClicked - moved), seconds(done - okClicked)};
}

const DialogCase kCases[] = {
    {MENU_TWO_COLORS, WIN_TWO_COLORS, gui::Rect{15, 85, 257, 30}, 100},
    {MENU_BRIGHTNESS, WIN_BRIGHTNESS, gui::Rect{10, 25, 257, 25}, 170},
    {MENU_CONTRAST, WIN_CONTRAST, gui::Rect{15, 20, 201, 25}, 150},
    {MENU_RESIZE_IMAGE, WIN_RESIZE_IMAGE, std::nullopt, 0},
    {MENU_RESIZE_CANVAS, WIN_RESIZE_CANVAS, std::nullopt, 0},
};

// Arg: the row of kCases. Reports the time of the preview (`preview`) or of OK.
void runDialog(benchmark::State& state, bool preview) {
    const DialogCase& c = kCases[state.range(0)];
    for (auto _ : state) {
        const auto [previewSeconds, okSeconds] = useDialog(editor(), c);
        state.SetIterationTime(preview ? previewSeconds : okSeconds);
    }
}

void BM_DialogPreview(benchmark::State& state) { runDialog(state, true); }
void BM_DialogOk(benchmark::State& state) { runDialog(state, false); }

// 0 Two Colors, 1 Brightness, 2 Contrast (with a preview); 3 resize image (to the same
// size), 4 resize canvas (the same size, now 32-bit).
BENCHMARK(BM_DialogPreview)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DialogOk)->DenseRange(0, 4)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

Editor& editor() {
    static Editor instance;
    return instance;
}

}  // namespace vd::bench
