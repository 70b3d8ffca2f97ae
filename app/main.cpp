// The program's entry. It takes no command line options; everything it needs is asked of the
// person through its windows.

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
    return vd::startUp(gui);
}
