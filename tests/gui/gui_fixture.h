#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "platform/gui/gui.h"
#include "platform/gui/qt_access.h"

namespace vd::gui::test {

constexpr WindowNumber kMain = windowNumber(0);
constexpr WindowNumber kTool = windowNumber(3);

// A windowing layer with a manual clock and no person: each test starts with no windows.
class GuiTest : public testing::Test {
  protected:
    GuiTest() : desktop_(1920, 1080, "/home/tester", "/home/tester/Pictures") {
        gui_ = std::make_unique<Gui>(requesters_, clock_, desktop_);
    }
    ~GuiTest() override {
        gui_.reset();
        QApplication::processEvents();
    }

    Gui& gui() { return *gui_; }
    QWidget* widget(int control) { return widgetOf(*gui_, controlNumber(control)); }
    QWidget* window(WindowNumber n) { return windowWidget(*gui_, n); }

    void openMain(Size inner = {400, 300}) {
        ASSERT_TRUE(gui().openWindow(kMain, {50, 60, inner.width, inner.height}, "main",
                                     WindowStyle::Main));
    }

    // Takes what is queued without waiting; the window events of opening and resizing
    // are dropped so that a test sees only what it caused.
    void drainWindowEvents() {
        while (gui().hasPendingEvents())
            gui().waitEvent(0);
    }

    // All events queued right now (waits of 0 ms end at the first time-out).
    std::vector<Event> takeAll() {
        std::vector<Event> events;
        for (;;) {
            const Event e = gui().waitEvent(0);
            if (e.kind == EventKind::Timeout) return events;
            events.push_back(e);
        }
    }

    ScriptedRequesters requesters_;
    ManualClock clock_;
    FixedDesktop desktop_;
    std::unique_ptr<Gui> gui_;
};

}  // namespace vd::gui::test
