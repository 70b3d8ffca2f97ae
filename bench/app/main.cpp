// The editor's benchmarks run real windows on Qt's offscreen platform: the application object
// comes first.

#include <benchmark/benchmark.h>

#include "platform/gui/application.h"

int main(int argc, char** argv) {
    vd::gui::Application application(argc, argv, vd::gui::Application::Mode::Tests);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
