// What the user waits for in the adjustment and resize dialogs on a 12 MP picture: from the
// moment the slider has rested long enough to the preview drawn on the canvas, and from the
// click on OK to the redrawn canvas (undo step, unique colour count and all). The dialogs run
// in the real program's loop; a manual clock skips the waits a person would sit through.

#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>

#include "app/commands.h"
#include "app/state.h"
#include "bench/bench_util.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"

namespace vd::bench {
namespace {

using Stopwatch = std::chrono::steady_clock;

struct DialogCase {
    int menuItem;
    WindowNumber window;
    std::optional<gui::Rect> slider;  // moved to `position` before OK
    int position;
};

class Editor {
  public:
    Editor() {
        s_.gui = &gui_;
        initializeState(s_);
        buildMainWindow(s_);
        s_.images.put(s_.imageInView, twelveMegapixelPhoto());
        refreshDisplay(s_);
    }

    // One use of a dialog: the seconds of the preview and of OK.
    std::pair<double, double> use(const DialogCase& c) {
        Stopwatch::time_point moved, okClicked;
        clock_.schedule(20, [&] {
            if (c.slider) post(c.window, *controlAt(*c.slider), gui::TRACK_MOVED, c.position);
            moved = Stopwatch::now();
        });
        // Due 330 ms after the move; the preview is on the canvas before this runs.
        clock_.schedule(400, [&] {
            okClicked = Stopwatch::now();
            post(c.window, *controlAt(okPlace(c.window)), gui::CONTROL_ACTIVATED);
        });
        gui::Event menu;
        menu.kind = gui::EventKind::Menu;
        menu.window = WIN_MAIN;
        menu.menuItem = c.menuItem;
        dispatchEvent(s_, menu);
        const auto done = Stopwatch::now();
        // Each use starts again from the photo, without the cost of putting it back.
        s_.images.swap(s_.imageInView, s_.imgReferenceUndo);
        refreshDisplay(s_);
        return {seconds(okClicked - moved), seconds(done - okClicked)};
    }

  private:
    static double seconds(Stopwatch::duration d) { return std::chrono::duration<double>(d).count(); }

    static gui::Rect okPlace(WindowNumber w) {
        if (w == WIN_TWO_COLORS) return {217, 130, 60, 30};
        if (w == WIN_BRIGHTNESS) return {200, 100, 70, 30};
        if (w == WIN_CONTRAST) return {168, 60, 55, 30};
        if (w == WIN_RESIZE_IMAGE) return {95, 100, 60, 25};
        return {170, 130, 60, 25};
    }

    std::optional<ControlNumber> controlAt(gui::Rect place) const {
        for (int n = 1000; n < 1400; ++n) {
            const ControlNumber c = controlNumber(n);
            if (gui_.controlExists(c) && gui_.controlRect(c) == place) return c;
        }
        return std::nullopt;
    }

    void post(WindowNumber w, ControlNumber c, int type, std::optional<int> value = {}) {
        if (value) gui_.setValue(c, *value);
        gui::Event event;
        event.kind = gui::EventKind::Control;
        event.window = w;
        event.control = c;
        event.type = type;
        gui_.postEvent(event);
    }

    gui::ScriptedRequesters requesters_;
    gui::ManualClock clock_;
    gui::FixedDesktop desktop_{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui_{requesters_, clock_, desktop_};
    AppState s_;
};

Editor& editor() {
    static Editor instance;
    return instance;
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
        const auto [previewSeconds, okSeconds] = editor().use(c);
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
}  // namespace vd::bench
