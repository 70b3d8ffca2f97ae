#pragma once

// The real main window on the offscreen platform with the 12 MP photo in view, a manual clock
// that skips the waits a person would sit through, and helpers to post what a person does.

#include "app/commands.h"
#include "app/state.h"
#include "bench/bench_util.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"

namespace vd::bench {

class Editor {
  public:
    Editor() {
        s.gui = &gui;
        initializeState(s);
        buildMainWindow(s);
        s.images.put(s.imageInView, twelveMegapixelPhoto());
        refreshDisplay(s);
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

    gui::ScriptedRequesters requesters;
    gui::ManualClock clock;
    gui::FixedDesktop desktop{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui{requesters, clock, desktop};
    AppState s;
};

// One editor for the whole run: building the window and loading the photo once.
Editor& editor();

}  // namespace vd::bench
