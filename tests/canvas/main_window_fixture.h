#pragma once

// The main window fixture with helpers to script pointer gestures on the canvas: the pointer
// is moved for real and the release is posted as the canvas would post it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/app/app_fixture.h"

namespace vd::test {

class MainWindowTest : public AppWindowTest {
  protected:
    // Moves the pointer to canvas pixel (x, y).
    void pointAt(int x, int y) {
        const gui::Point canvas = gui.controlScreenPosition(GAD_CANVAS);
        gui.movePointer({canvas.x + x, canvas.y + y});
    }

    // A left release as the canvas reports it, `delayMs` from now on the test clock.
    void releaseAfter(std::int64_t delayMs) {
        clock.schedule(delayMs, [this] { gui.postCustomEvent(EVT_CANVAS_LEFT_UP); });
    }

    // Press at `from`, move to `to` 100 ms later, release 100 ms after that.
    void drag(gui::Point from, gui::Point to) {
        pointAt(from.x, from.y);
        clock.schedule(100, [this, to] { pointAt(to.x, to.y); });
        releaseAfter(200);
        canvasPress(s, GAD_CANVAS);
    }

    // Press and release at one point without moving.
    void click(gui::Point at) {
        pointAt(at.x, at.y);
        releaseAfter(100);
        canvasPress(s, GAD_CANVAS);
    }

    Color canvasAt(int x, int y) { return gui.canvasPixels(GAD_CANVAS).at(x, y) & kRgbMask; }
    std::string selectionStatus() const { return gui.statusText(WIN_MAIN, 1); }
};

}  // namespace vd::test
