// While a loop of the program drops events (a note, a dialog, the floating section), the main
// window's controls take no input, so that afterwards each shows what the program holds; the
// canvas still takes what the floating section needs.

#include <optional>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

enum class Gesture { Click, Wheel, KeyP, Key9 };
enum class Loop { CopyNote, Dialog };

struct HeldCase {
    std::string name;
    ControlNumber control;
    Gesture gesture;
    bool undoneFirst = false;  // the Redo button is enabled only after an undo
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(Loop loop, std::ostream* os) { *os << (loop == Loop::CopyNote ? "note" : "dialog"); }

const HeldCase kControls[] = {
    {"ReferenceViewButton", GAD_VIEW_REFERENCE, Gesture::Click},
    {"MethodListByKey", GAD_METHOD, Gesture::KeyP},
    {"MethodListByWheel", GAD_METHOD, Gesture::Wheel},
    {"DitherBox", GAD_DITHER, Gesture::Click},
    {"HistogramBox", GAD_HISTOGRAM, Gesture::Click},
    {"LimitBoxTyped", GAD_LIMIT, Gesture::Key9},
    {"LimitBoxByWheel", GAD_LIMIT, Gesture::Wheel},
    {"ApplyButton", GAD_APPLY, Gesture::Click},
    {"UndoButton", GAD_UNDO, Gesture::Click},
    {"RedoButton", GAD_REDO, Gesture::Click, true},
};

class HeldInput : public AppWindowTest,
                  public testing::WithParamInterface<std::tuple<Loop, HeldCase>> {
  protected:
    // Every control of the main window (the keyboard focus too) and the view behind them.
    auto look() const {
        return std::tuple(gui.isChecked(GAD_VIEW_REFERENCE), gui.isChecked(GAD_DITHER),
                          gui.isChecked(GAD_HISTOGRAM), gui.isEnabled(GAD_UNDO),
                          gui.isEnabled(GAD_REDO), gui.selectedRow(GAD_METHOD),
                          gui.text(GAD_LIMIT), gui.value(GAD_LIMIT), gui.focusedControl(),
                          s.imageInView, s.undoFlags);
    }

    void perform(const HeldCase& c) {
        if (c.gesture == Gesture::Click) clickThroughWindow(gui, c.control);
        if (c.gesture == Gesture::Wheel) turnWheel(gui, c.control, -1);
        if (c.gesture == Gesture::KeyP) pressKeyOn(gui, c.control, 'P');
        if (c.gesture == Gesture::Key9) pressKeyOn(gui, c.control, '9');
    }
};

// The Work view is shown with an edit in it; the gesture comes while the loop runs.
TEST_P(HeldInput, ChangesNothing) {
    const auto& [loop, c] = GetParam();
    show(patternImage(30, 20));
    run(controlEvent(GAD_VIEW_WORK));
    run(menuEvent(MENU_NEGATIVE));
    if (c.undoneFirst) run(menuEvent(MENU_UNDO));
    const auto before = look();

    clock.schedule(10, [&] { perform(c); });
    clock.schedule(20, [&] {
        if (gui.windowExists(WIN_NEW_IMAGE)) pressCloseBox(gui, WIN_NEW_IMAGE);
    });
    run(menuEvent(loop == Loop::Dialog ? MENU_NEW_IMAGE : MENU_COPY));

    EXPECT_TRUE(look() == before) << "a control of the main window changed";
}

INSTANTIATE_TEST_SUITE_P(
    Controls, HeldInput,
    testing::Combine(testing::Values(Loop::CopyNote, Loop::Dialog), testing::ValuesIn(kControls)),
    [](const auto& info) {
        const bool note = std::get<0>(info.param) == Loop::CopyNote;
        return (note ? "DuringCopyNote_" : "DuringDialog_") + std::get<1>(info.param).name;
    });

using HeldInputAround = AppWindowTest;

TEST_F(HeldInputAround, TheCanvasTakesEscWhileTheSectionFloats) {
    const Image picture = patternImage(60, 40);
    show(picture);
    gui.setClipboardImage(Image(10, 10, 24, 0x0000FF));
    clock.schedule(50, [&] {
        clickThroughWindow(gui, GAD_DITHER);
        pressKeyOn(gui, GAD_CANVAS, gui::KEY_ESCAPE);
    });
    run(menuEvent(MENU_PASTE_FLOATING));
    EXPECT_TRUE(imagesEqual(inView(), picture, "dropped with Esc"));
    EXPECT_FALSE(gui.isChecked(GAD_DITHER));
}

}  // namespace
}  // namespace vd::test
