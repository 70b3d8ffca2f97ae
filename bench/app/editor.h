#pragma once

// The real main window on the offscreen platform (with the 12 MP photo in view), a manual clock
// that skips the waits a person would sit through, and helpers to post what a person does.

#include "app/commands.h"
#include "app/state.h"
#include "bench/bench_util.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"

namespace vd::bench {

// The main window with nothing loaded.
class EditorWindow {
  public:
    EditorWindow() {
        s.gui = &gui;
        initializeState(s);
        buildMainWindow(s);
    }

    gui::Event controlEvent(WindowNumber w, ControlNumber c, int type) const {
        gui::Event event;
        event.kind = gui::EventKind::Control;
        event.window = w;
        event.control = c;
        event.type = type;
        return event;
    }

    void menu(int item) {
        gui::Event event;
        event.kind = gui::EventKind::Menu;
        event.window = WIN_MAIN;
        event.menuItem = item;
        dispatchEvent(s, event);
    }

    // A click on a control of the main window, run as the event loop runs it.
    void control(ControlNumber c) {
        dispatchEvent(s, controlEvent(WIN_MAIN, c, gui::CONTROL_ACTIVATED));
    }

    gui::ScriptedRequesters requesters;
    gui::ManualClock clock;
    gui::FixedDesktop desktop{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui{requesters, clock, desktop};
    AppState s;
};

class Editor : public EditorWindow {
  public:
    Editor() {
        s.images.put(s.imageInView, twelveMegapixelPhoto());
        refreshDisplay(s);
    }
};

// One editor for the whole run: building the window and loading the photo once.
Editor& editor();

}  // namespace vd::bench
