#pragma once

// The main window with a dialog opened from the pop-up menu. The dialog numbers its own
// controls; a test finds each by its place among the controls that are new since the test
// began. Actions are scheduled on the test clock before the dialog opens and run while it
// waits, at the given milliseconds after opening.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {

class DialogTest : public AppWindowTest {
  protected:
    void SetUp() override {
        AppWindowTest::SetUp();
        for (int n = 0; n < kControlScan; ++n)
            if (gui.controlExists(controlNumber(n))) before_.insert(n);
    }

    // The control the open dialog has at `place` (inner coordinates of its window).
    ControlNumber added(gui::Rect place) const {
        for (int n = 0; n < kControlScan; ++n) {
            const ControlNumber c = controlNumber(n);
            if (!before_.contains(n) && gui.controlExists(c) && gui.controlRect(c) == place)
                return c;
        }
        ADD_FAILURE() << "no new control at " << place.x << ", " << place.y << ", "
                      << place.width << ", " << place.height;
        return controlNumber(-1);
    }
    std::string textAt(gui::Rect place) const { return gui.text(added(place)); }

    // Runs `action` `ms` milliseconds after the dialog opens, while `window` is open.
    void at(std::int64_t ms, WindowNumber window, std::function<void()> action) {
        clock.schedule(ms, [this, window, action] {
            ASSERT_TRUE(gui.windowExists(window)) << "the dialog is not open";
            action();
        });
    }
    void open(int menuItem) { run(menuEvent(menuItem)); }

    void click(gui::Rect place) { clickControl(gui, added(place)); }

    // The canvas pixels' colours equal `expected`'s, shown unscaled at the origin.
    testing::AssertionResult canvasShows(const Image& expected) {
        const Image& canvas = gui.canvasPixels(GAD_CANVAS);
        Image shown(expected.width(), expected.height(), 24);
        Image wanted = expected;
        wanted.setDepth(24);
        if (canvas.width() < expected.width() || canvas.height() < expected.height())
            return testing::AssertionFailure() << "canvas smaller than the picture";
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                shown.at(x, y) = canvas.at(x, y) | kAlphaMask;
        return imagesEqual(shown, wanted, "canvas");
    }

    // The window's inner size.
    gui::Size innerSize(WindowNumber w) const {
        const gui::Rect inner = gui.innerRect(w);
        return {inner.width, inner.height};
    }

  private:
    std::set<int> before_;
    static constexpr int kControlScan = 1400;
};

}  // namespace vd::test
