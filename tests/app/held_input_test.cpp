// While a loop of the program drops events (a note, a dialog, the selection drag, the floating
// section), the main window's controls take no input, so that afterwards every one of them
// shows what the program holds. The canvas goes on taking what the drag and the section need.

#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

// What the person does to one control of the main window.
enum class Gesture { Click, Wheel, KeyP, Type9 };

struct HeldCase {
    std::string name;
    ControlNumber control;
    Gesture gesture;
    bool undoneFirst = false;  // the Redo button is enabled only after an undo
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }

const HeldCase kControls[] = {
    {"ReferenceViewButton", GAD_VIEW_REFERENCE, Gesture::Click},
    {"MethodListByKey", GAD_METHOD, Gesture::KeyP},
    {"MethodListByWheel", GAD_METHOD, Gesture::Wheel},
    {"DitherBox", GAD_DITHER, Gesture::Click},
    {"HistogramBox", GAD_HISTOGRAM, Gesture::Click},
    {"LimitBoxTyped", GAD_LIMIT, Gesture::Type9},
    {"LimitBoxByWheel", GAD_LIMIT, Gesture::Wheel},
    {"ApplyButton", GAD_APPLY, Gesture::Click},
    {"UndoButton", GAD_UNDO, Gesture::Click},
    {"RedoButton", GAD_REDO, Gesture::Click, true},
};

enum class Loop { CopyNote, Dialog };

void PrintTo(Loop loop, std::ostream* os) { *os << (loop == Loop::CopyNote ? "note" : "dialog"); }

// Every control of the main window and what the program holds behind them.
struct MainWindowLook {
    bool reference, work, dither, histogram, undo, redo, histogramWindow;
    int method, limit;
    std::string limitText;
    std::optional<ControlNumber> focus;  // a click on a button would take it
    ImageNumber inView;
    int undoFlags;
    bool operator==(const MainWindowLook&) const = default;
};

class HeldInput : public AppWindowTest,
                  public testing::WithParamInterface<std::tuple<Loop, HeldCase>> {
  protected:
    MainWindowLook look() const {
        return {gui.isChecked(GAD_VIEW_REFERENCE),
                gui.isChecked(GAD_VIEW_WORK),
                gui.isChecked(GAD_DITHER),
                gui.isChecked(GAD_HISTOGRAM),
                gui.isEnabled(GAD_UNDO),
                gui.isEnabled(GAD_REDO),
                gui.windowExists(WIN_HISTOGRAM),
                gui.selectedRow(GAD_METHOD),
                gui.value(GAD_LIMIT),
                gui.text(GAD_LIMIT),
                gui.focusedControl(),
                s.imageInView,
                s.undoFlags};
    }

    void perform(const HeldCase& c) {
        switch (c.gesture) {
            case Gesture::Click:
                clickThroughWindow(gui, c.control);
                break;
            case Gesture::Wheel:
                turnWheel(gui, c.control, -1);
                break;
            case Gesture::KeyP:
                pressKeyOn(gui, c.control, 'P');
                break;
            case Gesture::Type9:
                pressKeyOn(gui, c.control, '9');
                break;
        }
    }
};

// The Work view is shown with an edit in it; the gesture comes while the loop runs, and the
// main loop then takes whatever is left.
TEST_P(HeldInput, ChangesNothing) {
    const auto& [loop, c] = GetParam();
    show(patternImage(30, 20));
    run(controlEvent(GAD_VIEW_WORK));
    run(menuEvent(MENU_NEGATIVE));
    if (c.undoneFirst) run(menuEvent(MENU_UNDO));
    const MainWindowLook before = look();
    const Image shown = inView();

    clock.schedule(10, [&] { perform(c); });
    if (loop == Loop::Dialog) {
        clock.schedule(20, [&] { pressCloseBox(gui, WIN_NEW_IMAGE); });
        run(menuEvent(MENU_NEW_IMAGE));
    } else {
        run(menuEvent(MENU_COPY));
    }

    EXPECT_TRUE(look() == before) << "a control of the main window changed";
    EXPECT_TRUE(imagesEqual(inView(), shown, "the image in view"));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, HeldInput,
    testing::Combine(testing::Values(Loop::CopyNote, Loop::Dialog), testing::ValuesIn(kControls)),
    [](const auto& info) {
        const Loop loop = std::get<0>(info.param);
        return (loop == Loop::CopyNote ? "DuringCopyNote_" : "DuringDialog_") +
               std::get<1>(info.param).name;
    });

using HeldInputAround = AppWindowTest;

TEST_F(HeldInputAround, TheControlsTakeInputAgainOnceTheLoopEnds) {
    run(menuEvent(MENU_COPY));
    clickControl(gui, GAD_DITHER);
    runLoop();
    EXPECT_TRUE(gui.isChecked(GAD_DITHER));
}

TEST_F(HeldInputAround, TheCloseBoxStillEndsADialogAndAsks) {
    clock.schedule(10, [&] { pressCloseBox(gui, WIN_MAIN); });
    requesters.answers = {false};
    gui.postEvent(menuEvent(MENU_NEW_IMAGE));
    EXPECT_EQ(processEvents(s), 1) << "the question comes once the dialog is gone";
    EXPECT_FALSE(gui.windowExists(WIN_NEW_IMAGE));
    EXPECT_EQ(requesters.asked, std::vector<std::string>{kQuitQuestion});
}

// The drag and the floating section need the canvas: a real drag makes a selection and a
// real Esc drops the section, while a click on a box of the main window is held.
TEST_F(HeldInputAround, TheCanvasTakesTheDragWhileTheBoxesAreHeld) {
    show(patternImage(60, 40));
    clock.schedule(50, [&] {
        dragMouse(gui, GAD_CANVAS, {30, 20});
        clickControl(gui, GAD_DITHER);
    });
    clock.schedule(150, [&] { releaseMouse(gui, GAD_CANVAS, {30, 20}); });
    pressMouse(gui, GAD_CANVAS, {5, 5});
    runLoop();
    EXPECT_EQ(s.Selection.active, 1);
    EXPECT_EQ((gui::Rect{s.Selection.left, s.Selection.top, s.Selection.right, s.Selection.bottom}),
              (gui::Rect{5, 5, 30, 20}));
    EXPECT_FALSE(gui.isChecked(GAD_DITHER));
}

TEST_F(HeldInputAround, TheCanvasTakesEscWhileTheSectionFloats) {
    const Image picture = patternImage(60, 40);
    show(picture);
    gui.setClipboardImage(Image(10, 10, 24, 0x0000FF));
    clock.schedule(50, [&] {
        clickControl(gui, GAD_HISTOGRAM);
        pressKeyOn(gui, GAD_CANVAS, gui::KEY_ESCAPE);
    });
    run(menuEvent(MENU_PASTE_FLOATING));
    EXPECT_TRUE(imagesEqual(inView(), picture, "dropped with Esc"));
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
}

}  // namespace
}  // namespace vd::test
