#pragma once

// The real main window on the offscreen platform, with a scripted person, time and screen, and
// helpers that feed events to the real event loop.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/commands.h"
#include "app/state.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"

namespace vd::test {

// The windowing layer with a scripted person, time and screen.
class ScriptedGuiTest : public testing::Test {
  protected:
    gui::ScriptedRequesters requesters;
    gui::ManualClock clock;
    gui::FixedDesktop desktop{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui{requesters, clock, desktop};

    static gui::Event menuEvent(int item) {
        gui::Event e;
        e.kind = gui::EventKind::Menu;
        e.window = WIN_MAIN;
        e.menuItem = item;
        return e;
    }

    static constexpr const char* kQuitQuestion = "question: End Program: Are you sure?";
};

class AppWindowTest : public ScriptedGuiTest {
  protected:
    AppState s;

    void SetUp() override {
        s.gui = &gui;
        initializeState(s);
        ASSERT_EQ(buildMainWindow(s), 1);
        drainStartUpEvents();
    }

    // Building the window may leave move and size reports behind; they are not the test's.
    void drainStartUpEvents() {
        while (gui.hasPendingEvents()) {
            if (gui.waitEvent(0).kind == gui::EventKind::Timeout) break;
        }
    }

    static gui::Event controlEvent(ControlNumber c, int type = gui::CONTROL_ACTIVATED) {
        gui::Event e;
        e.kind = gui::EventKind::Control;
        e.window = WIN_MAIN;
        e.control = c;
        e.type = type;
        return e;
    }
    static gui::Event windowEvent(gui::EventKind kind, WindowNumber w) {
        gui::Event e;
        e.kind = kind;
        e.window = w;
        return e;
    }

    // Runs the real loop over everything queued, and whatever that queues in turn. Once the
    // queue is empty the manual clock jumps to a Quit scheduled far ahead, which is answered
    // Yes, so the loop ends exactly when it has nothing else to do.
    void runLoop() {
        clock.schedule(kIdleQuitMs, [this] { gui.postEvent(menuEvent(MENU_QUIT)); });
        requesters.answers.push_back(true);
        ASSERT_EQ(processEvents(s), 0);
        // The real program ends here; the test goes on, so the request is withdrawn.
        s.quitRequested = 0;
        // The closing question is the helper's own; tests look at the ones before it.
        ASSERT_FALSE(requesters.asked.empty());
        ASSERT_EQ(requesters.asked.back(), kQuitQuestion);
        requesters.asked.pop_back();
    }
    void run(const gui::Event& event) {
        gui.postEvent(event);
        runLoop();
    }

    // Puts `image` into the image in view and shows it.
    void show(const Image& image) {
        s.images.put(s.imageInView, image);
        refreshDisplay(s);
    }
    const Image& inView() const { return *s.images.get(s.imageInView); }
    const Image& image(ImageNumber n) const { return *s.images.get(n); }

    // Chooses a row of the method list as the user does: the list reports the change.
    void chooseMethod(int row) {
        gui.selectRow(GAD_METHOD, row);
        run(controlEvent(GAD_METHOD));
    }
    // Types into the Limit box: the text changes, then the box reports the edit.
    void typeLimit(const std::string& text) {
        gui.setText(GAD_LIMIT, text);
        run(controlEvent(GAD_LIMIT, gui::TEXT_EDITED));
    }
    // Steps the Limit box to `value` with its arrows.
    void stepLimit(int value) {
        gui.setValue(GAD_LIMIT, value);
        run(controlEvent(GAD_LIMIT, gui::SPIN_STEPPED));
    }

    static constexpr std::int64_t kIdleQuitMs = 3'600'000;
};

}  // namespace vd::test
