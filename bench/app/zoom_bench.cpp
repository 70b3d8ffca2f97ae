// Looking at the 12 MP photo at other zooms: one paint of the visible canvas (from the levels
// already reduced, and right after the picture changed) and one zoom step from the key to the
// repainted canvas. The floating section's moves at a zoom are in floating_bench.cpp.

#include <benchmark/benchmark.h>

#include <QWidget>
#include <string>

#include "bench/app/editor.h"
#include "platform/gui/qt_access.h"

namespace vd::bench {
namespace {

// Ctrl+1, then the keys that lead to each zoom measured: 6.25 %, fit, 100 %, 800 %.
void zoomTo(Editor& e, int row) {
    e.menu(MENU_ZOOM_ACTUAL);
    if (row == 0) {
        for (int i = 0; i < 6; ++i)
            e.menu(MENU_ZOOM_OUT);
    } else if (row == 1) {
        e.menu(MENU_ZOOM_FIT);
    } else if (row == 3) {
        for (int i = 0; i < 5; ++i)
            e.menu(MENU_ZOOM_IN);
    }
}

const char* const kZoomNames[] = {"6.25%", "fit", "100%", "800%"};

void paintCanvas(Editor& e) {
    gui::widgetOf(e.gui, GAD_CANVAS)->repaint();
}

void BM_CanvasPaint(benchmark::State& state) {
    Editor& e = editor();
    zoomTo(e, static_cast<int>(state.range(0)));
    const bool changed = state.range(1) != 0;
    paintCanvas(e);
    for (auto _ : state) {
        if (changed) {
            state.PauseTiming();
            e.gui.canvasUpdated(GAD_CANVAS);
            state.ResumeTiming();
        }
        paintCanvas(e);
    }
    state.SetLabel(std::string(kZoomNames[state.range(0)]) + (changed ? " after a change" : ""));
    e.menu(MENU_ZOOM_ACTUAL);
}

// In and out between two neighbouring steps, each step timed from the key's menu event to the
// repainted canvas.
void BM_ZoomStep(benchmark::State& state) {
    Editor& e = editor();
    zoomTo(e, static_cast<int>(state.range(0)));
    bool in = true;
    for (auto _ : state) {
        e.menu(in ? MENU_ZOOM_IN : MENU_ZOOM_OUT);
        paintCanvas(e);
        in = !in;
    }
    state.SetLabel(std::string("from ") + kZoomNames[state.range(0)]);
    e.menu(MENU_ZOOM_ACTUAL);
}

BENCHMARK(BM_CanvasPaint)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomStep)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
