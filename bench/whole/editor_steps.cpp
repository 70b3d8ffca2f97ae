// What the user waits for in the whole editor, one process per run: Load a photo, Apply a
// method, one edit in each view. Each step is timed from its event to the canvas repainted
// and the queue empty, and followed by the process's resident memory and its peak so far.
//
//   vd_editor_steps FILE [METHOD LIMIT DITHER]      e.g. photo.png Popularity 32 1
//
// Prints one line a step: "step ms rss_MB peak_MB". Runs on Qt's offscreen platform, with the
// requesters answered by script.

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "bench/app/editor.h"
#include "platform/gui/application.h"
#include "platform/gui/qt_access.h"
#include "quantize/quantize.h"

namespace vd {
namespace {

// The value of a "VmRSS:" or "VmHWM:" line of /proc/self/status, in megabytes.
double statusMegabytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + key.size(), nullptr) / 1024;
    }
    return 0;
}

// The editor with a stopwatch: each step is run as the event loop runs its command, then Qt
// paints and empties its queue.
class Steps : public bench::EditorWindow {
  public:
    void step(const char* name, const std::function<void()>& action) {
        const auto start = std::chrono::steady_clock::now();
        action();
        QApplication::processEvents();
        gui::widgetOf(gui, GAD_CANVAS)->repaint();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("%-16s %8.1f ms %7.0f MB %7.0f MB peak\n", name, ms,
                    statusMegabytes("VmRSS:"), statusMegabytes("VmHWM:"));
        std::fflush(stdout);
    }
};

int run(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: vd_editor_steps FILE [METHOD LIMIT DITHER]\n");
        return 2;
    }
    const std::string method = argc == 5 ? argv[2] : "Popularity";
    const int limit = argc == 5 ? std::atoi(argv[3]) : 32;
    const bool dither = argc == 5 ? std::atoi(argv[4]) != 0 : true;
    const auto row = methodFromLabel(method);
    if (!row) {
        std::fprintf(stderr, "vd_editor_steps: unknown method %s\n", method.c_str());
        return 2;
    }

    Steps e;
    std::printf("%-16s %8s    %7.0f MB %7.0f MB peak\n", "start", "", statusMegabytes("VmRSS:"),
                statusMegabytes("VmHWM:"));
    e.requesters.files.push_back({argv[1], 0});
    e.step("load", [&] { e.menu(MENU_LOAD_IMAGE); });
    if (e.s.loadedPath != argv[1]) {
        std::fprintf(stderr, "vd_editor_steps: %s did not load\n", argv[1]);
        return 1;
    }
    e.gui.selectRow(GAD_METHOD, static_cast<int>(*row));
    e.step("method", [&] { e.control(GAD_METHOD); });
    e.gui.setValue(GAD_LIMIT, limit);
    e.gui.setChecked(GAD_DITHER, dither);
    e.step("apply", [&] { e.control(GAD_APPLY); });
    e.step("negative work", [&] { e.menu(MENU_NEGATIVE); });
    e.step("view reference", [&] { e.control(GAD_VIEW_REFERENCE); });
    e.step("negative ref", [&] { e.menu(MENU_NEGATIVE); });
    return 0;
}

}  // namespace
}  // namespace vd

int main(int argc, char** argv) {
    vd::gui::Application application(argc, argv, vd::gui::Application::Mode::Tests);
    return vd::run(argc, argv);
}
