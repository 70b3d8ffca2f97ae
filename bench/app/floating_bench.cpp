// Moving a floating section over the 12 MP photo: the time of one pointer event, from the
// event to the repainted canvas, with a 1000 x 1000 section half transparent so that every
// move blends.

#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/app/editor.h"

namespace vd::bench {
namespace {

using Stopwatch = std::chrono::steady_clock;

constexpr int kMoves = 60;
constexpr int kStep = 25;  // pixels per pointer event, about a brisk mouse move

void BM_FloatingSectionMove(benchmark::State& state) {
    Editor& e = editor();
    e.gui.setClipboardImage(Image(1000, 1000, 32, 0x800080FF));
    for (auto _ : state) {
        Stopwatch::time_point first, last;
        for (int i = 0; i < kMoves; ++i) {
            e.clock.schedule(10 * (i + 1), [&e, &first, i] {
                if (i == 0) first = Stopwatch::now();
                gui::Event moved = e.controlEvent(WIN_MAIN, GAD_CANVAS, gui::CANVAS_POINTER_MOVED);
                moved.x = 600 + kStep * i;
                moved.y = 600 + kStep * i;
                e.gui.postEvent(moved);
            });
        }
        e.clock.schedule(10 * (kMoves + 1), [&e, &last] {
            last = Stopwatch::now();
            gui::Event esc = e.controlEvent(WIN_MAIN, GAD_CANVAS, gui::CANVAS_KEY_DOWN);
            esc.keyCode = gui::KEY_ESCAPE;
            e.gui.postEvent(esc);
        });
        e.menu(MENU_PASTE_FLOATING);
        state.SetIterationTime(std::chrono::duration<double>(last - first).count() / kMoves);
    }
}

BENCHMARK(BM_FloatingSectionMove)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
