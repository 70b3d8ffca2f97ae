// Moving a floating section over the 12 MP photo: the time of one pointer event, from the
// event to the repainted canvas, with a 1000 x 1000 section half transparent so that every
// move blends; at 100 %, and at 33.3 % and 400 % where each move also redraws the zoomed view.

#include <benchmark/benchmark.h>

#include <QWidget>
#include <chrono>

#include "bench/app/editor.h"
#include "platform/gui/qt_access.h"

namespace vd::bench {
namespace {

using Stopwatch = std::chrono::steady_clock;

constexpr int kMoves = 60;
constexpr int kStep = 25;  // pixels per pointer event, about a brisk mouse move

// One pasted section moved kMoves times from `start`, then dropped.
double secondsPerMove(Editor& e, gui::Point start) {
    Stopwatch::time_point first, last;
    for (int i = 0; i < kMoves; ++i) {
        e.clock.schedule(10 * (i + 1), [&e, &first, start, i] {
            if (i == 0) first = Stopwatch::now();
            gui::Event moved = e.controlEvent(WIN_MAIN, GAD_CANVAS, gui::CANVAS_POINTER_MOVED);
            moved.x = start.x + kStep * i;
            moved.y = start.y + kStep * i;
            e.gui.postEvent(moved);
        });
    }
    e.clock.schedule(10 * (kMoves + 1), [&e, &last] {
        gui::widgetOf(e.gui, GAD_CANVAS)->repaint();
        last = Stopwatch::now();
        gui::Event esc = e.controlEvent(WIN_MAIN, GAD_CANVAS, gui::CANVAS_KEY_DOWN);
        esc.keyCode = gui::KEY_ESCAPE;
        e.gui.postEvent(esc);
    });
    e.menu(MENU_PASTE_FLOATING);
    return std::chrono::duration<double>(last - first).count() / kMoves;
}

// At 100 %, or at 33.3 % (four steps out) or 400 % (three in).
void BM_FloatingSectionMove(benchmark::State& state) {
    Editor& e = editor();
    const int zoom = static_cast<int>(state.range(0));
    e.menu(MENU_ZOOM_ACTUAL);
    for (int i = 0; zoom != 100 && i < (zoom > 100 ? 3 : 4); ++i)
        e.menu(zoom > 100 ? MENU_ZOOM_IN : MENU_ZOOM_OUT);
    e.gui.setClipboardImage(Image(1000, 1000, 32, 0x800080FF));
    const gui::Point start = zoom == 100 ? gui::Point{600, 600} : gui::Point{1500, 1000};
    for (auto _ : state)
        state.SetIterationTime(secondsPerMove(e, start));
    e.menu(MENU_ZOOM_ACTUAL);
}

BENCHMARK(BM_FloatingSectionMove)
    ->Arg(100)
    ->Arg(33)
    ->Arg(400)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench
