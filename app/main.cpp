// The program's entry. It takes no options beyond Qt's own: a file named after them is
// loaded at the start (more are ignored, as a desktop starts one editor for each), and
// everything else is asked of the person through the windows.

#include <string>
#include <vector>

#include "app/commands.h"
#include "platform/gui/application.h"
#include "platform/gui/gui.h"
#include "platform/gui/qt_requesters.h"

int main(int argc, char** argv) {
    vd::gui::Application application(argc, argv, vd::gui::Application::Mode::Desktop);
    vd::gui::QtRequesters requesters;
    vd::gui::SystemClock clock;
    vd::gui::QtDesktop desktop;
    vd::gui::Gui gui(requesters, clock, desktop);
    // Qt has taken its own options out of argv.
    const std::vector<std::string> files(argv + 1, argv + argc);
    return vd::startUp(gui, files);
}
