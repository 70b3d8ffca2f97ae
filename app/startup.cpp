// Start-up and shutdown of the program.

#include <filesystem>
#include <system_error>

#include "app/commands.h"

namespace vd {

namespace {

// The owned windows close before the main window that owns them.
constexpr WindowNumber kWindowsToClose[] = {
    WIN_HISTOGRAM, WIN_PALETTE,    WIN_CONTRAST,   WIN_RESIZE_CANVAS, WIN_NEW_IMAGE, WIN_ADD_TEXT,
    WIN_HELP,      WIN_TWO_COLORS, WIN_BRIGHTNESS, WIN_RESIZE_IMAGE,  WIN_MAIN,
};

// Loaded by the loop once it runs, as a file dropped on the window would be. The full path
// is remembered, as the open requester gives it.
gui::Event openFileEvent(const std::string& path) {
    gui::Event open;
    open.kind = gui::EventKind::Open;
    open.window = WIN_MAIN;
    std::error_code unknown;
    const std::filesystem::path full = std::filesystem::absolute(path, unknown);
    open.path = unknown ? path : full.string();
    return open;
}

}  // namespace

int startUp(gui::Gui& gui, const std::vector<std::string>& files) {
    AppState state;
    state.gui = &gui;
    initializeState(state);
    if (buildMainWindow(state)) {
        if (!files.empty()) gui.postEvent(openFileEvent(files.front()));
        while (processEvents(state) != 0) {
        }
    }
    shutDown(state);
    return 0;
}

// Nothing is written on the way out: every setting lived only for this run.
void shutDown(AppState& s) {
    if (s.gui) {
        for (WindowNumber w : kWindowsToClose) {
            if (s.gui->windowExists(w)) s.gui->closeWindow(w);
        }
    }
    s.images.clear();
    s.currentPalette.clear();
    s.censusSet.clear();
    s.censusColors.clear();
    s.textTable.clear();
}

}  // namespace vd
