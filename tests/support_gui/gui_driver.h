#pragma once

// A person's actions on the real widgets, for tests of program code (no Qt in this header).
// Each action goes through Qt as a real click or key would, so what the program sees is what
// a user would cause: the events are queued, and the test then runs the loop to handle them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/gui.h"

namespace vd::test {

// A left click at the centre of a button, check box or option button.
void clickControl(gui::Gui& gui, ControlNumber c);
// A left click at the centre of a control, handed to its window as the platform hands over
// a person's click: Qt finds the control under the pointer and gives it the focus first.
void clickThroughWindow(gui::Gui& gui, ControlNumber c);
// A left click at a point of a control (pictures, the canvas), with modifier bits.
void clickControlAt(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers = 0);

// The mouse over the canvas (or any control): press, move with the button held, release.
// The pointer follows, so pointerOnCanvas reads where the mouse is.
void pressMouse(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers = 0,
                bool rightButton = false);
void dragMouse(gui::Gui& gui, ControlNumber c, gui::Point to, bool rightButton = false);
void releaseMouse(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers = 0,
                  bool rightButton = false);
// The wheel turned `notches` (away from the user > 0) with modifier bits, the pointer at a
// point of the control.
void turnWheel(gui::Gui& gui, ControlNumber c, gui::Point at, int notches, int modifiers = 0);
// A drag with the middle button from one point of the control to another.
void dragWithMiddleButton(gui::Gui& gui, ControlNumber c, gui::Point from, gui::Point to);
// A right click (press and release) at a point of the canvas.
void rightClick(gui::Gui& gui, ControlNumber c, gui::Point at);

// A key (gui::KEY_... or 'A'..'Z') with modifier bits, to whatever has the keyboard focus,
// shortcuts included.
void pressKey(gui::Gui& gui, int keyCode, int modifiers = 0);
// A key sent to a control, whichever window is active: as if the person had clicked into its
// window first.
void pressKeyOn(gui::Gui& gui, ControlNumber c, int keyCode, int modifiers = 0);
// The mouse wheel over a control, `notches` up (positive) or down.
void turnWheel(gui::Gui& gui, ControlNumber c, int notches);
// Gives the control the focus, selects its text and types over it.
void typeText(gui::Gui& gui, ControlNumber c, const std::string& text);
// The arrows of a spin box: up for positive steps, down for negative.
void stepSpinBox(gui::Gui& gui, ControlNumber c, int steps);
// The user picks a row of a drop-down list.
void chooseRow(gui::Gui& gui, ControlNumber c, int row);
// The user drags a track bar to a position.
void moveTrackBar(gui::Gui& gui, ControlNumber c, int value);
// What another program drags over a window: files (as file URLs), data of a type and text,
// any of them.
struct DragContent {
    std::vector<std::string> files = {};
    std::string dataType = {};
    std::vector<std::uint8_t> data = {};
    std::string text = {};
};
// Drags the content over a control's window to a point of the control and drops it there, as
// the platform delivers a drag; false when the window refused it (it is then not dropped).
bool dragAndDrop(gui::Gui& gui, ControlNumber c, gui::Point at, const DragContent& content);

// The close box of a window.
void pressCloseBox(gui::Gui& gui, WindowNumber n);

// The next pop-up menu that opens chooses the item with this number (in any submenu), or
// closes without a choice for -1. Without it a pop-up menu waits for a person.
void answerNextPopupMenu(int item);

}  // namespace vd::test
