#include <functional>
#include <string>
#include <vector>

#include "adjust/color_ops.h"
#include "adjust/geometry.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

using EventLoop = AppWindowTest;

TEST_F(EventLoop, QuitAnsweredNoKeepsRunningAndAsksAgainNextTime) {
    const Image before = inView();
    requesters.answers = {false};
    gui.postEvent(menuEvent(MENU_QUIT));
    EXPECT_EQ(processEvents(s), 1);
    EXPECT_EQ(s.quitRequested, 0);
    EXPECT_EQ(requesters.asked, std::vector<std::string>{kQuitQuestion});
    EXPECT_TRUE(imagesEqual(inView(), before));

    requesters.answers = {true};
    gui.postEvent(windowEvent(gui::EventKind::Close, WIN_MAIN));
    EXPECT_EQ(processEvents(s), 0);
    EXPECT_EQ(requesters.asked.size(), 2u);
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(EventLoop, ReturnInTheLimitBoxPressesApply) {
    gui.setFocus(GAD_LIMIT);
    ASSERT_EQ(gui.focusedControl(), std::optional<ControlNumber>(GAD_LIMIT));
    run(menuEvent(MENU_RETURN_KEY));
    EXPECT_EQ(s.imageInView, s.imgWork) << "Apply shows the Work view";
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
}

TEST_F(EventLoop, ReturnElsewhereDoesNothing) {
    for (ControlNumber focus : {GAD_CANVAS, GAD_METHOD}) {
        gui.setFocus(focus);
        run(menuEvent(MENU_RETURN_KEY));
        EXPECT_EQ(s.imageInView, s.imgReference);
        EXPECT_EQ(s.undoFlags, 0);
    }
}

TEST_F(EventLoop, ArrowKeysDoNothing) {
    show(patternImage(40, 30));
    s.Selection = SelectionRecord{5, 9, 6, 8, 0, 1, 0, 40, 0, 30};
    const SelectionRecord before = s.Selection;
    for (int item : {MENU_LEFT_KEY, MENU_RIGHT_KEY, MENU_UP_KEY, MENU_DOWN_KEY}) {
        run(menuEvent(item));
    }
    EXPECT_TRUE(imagesEqual(inView(), patternImage(40, 30)));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(s.Selection.left, before.left);
    EXPECT_EQ(s.Selection.bottom, before.bottom);
    EXPECT_EQ(s.Selection.active, 1);
    EXPECT_EQ(gui.scrollPosition(GAD_SCROLL), (gui::Point{0, 0}));
}

// Menu items 1 to 9: the image in view changes as the core function says, with an undo step.
struct ImageOperationCase {
    int item;
    std::function<Image(const Image&)> expected;
};

Image applied(const Image& source, void (*operation)(Image&)) {
    Image copy = source;
    operation(copy);
    return copy;
}

TEST_F(EventLoop, ImageOperationsChangeTheImageInViewAndShowIt) {
    const Image source = patternImage(5, 3);
    const std::vector<ImageOperationCase> cases = {
        {MENU_FLIP, [](const Image& i) { return applied(i, flip); }},
        {MENU_MIRROR, [](const Image& i) { return applied(i, mirror); }},
        {MENU_NEGATIVE, [](const Image& i) { return applied(i, negative); }},
        {MENU_ROTATE_RIGHT, [](const Image& i) { return rotateQuarter(i, true); }},
        {MENU_GRAY_SCALE, [](const Image& i) { return applied(i, grayScale); }},
        {MENU_ROTATE_180, [](const Image& i) { return applied(i, rotate180); }},
        {MENU_ROTATE_LEFT, [](const Image& i) { return rotateQuarter(i, false); }},
    };
    for (const ImageOperationCase& c : cases) {
        SCOPED_TRACE("menu item " + std::to_string(c.item));
        s.undoFlags = 0;
        show(source);
        run(menuEvent(c.item));
        const Image expected = c.expected(source);
        EXPECT_TRUE(imagesEqual(inView(), expected, "item" + std::to_string(c.item)));
        EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
        EXPECT_TRUE(imagesEqual(image(s.imgReferenceUndo), source, "undo"));
        // Shown: the canvas takes the new size and the new pixels.
        const Image& canvas = gui.canvasPixels(GAD_CANVAS);
        ASSERT_EQ(canvas.width(), expected.width());
        EXPECT_EQ(canvas.at(0, 0) & kRgbMask, expected.at(0, 0) & kRgbMask);
    }
}

TEST_F(EventLoop, CropCutsTheSelectionAndShowsTheResult) {
    const Image source = patternImage(6, 4);
    show(source);
    run(menuEvent(MENU_CROP));
    EXPECT_TRUE(imagesEqual(inView(), source)) << "no selection, no crop";
    EXPECT_EQ(s.undoFlags, 0);

    s.Selection = SelectionRecord{1, 3, 2, 3, 1, 1, 0, 6, 0, 4};
    run(menuEvent(MENU_CROP));
    ASSERT_EQ(inView().width(), 3);
    ASSERT_EQ(inView().height(), 2);
    EXPECT_EQ(inView().at(0, 0), source.at(1, 2));
    EXPECT_EQ(inView().at(2, 1), source.at(3, 3));
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 3) << "shown after cropping";
}

TEST_F(EventLoop, RevertBeforeAnyLoadChangesNothing) {
    show(patternImage(7, 5));
    run(menuEvent(MENU_REVERT));
    EXPECT_TRUE(imagesEqual(inView(), patternImage(7, 5)));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(requesters.asked.empty());
}

TEST_F(EventLoop, UndoAndRedoComeFromButtonsAndShortcutsAlike) {
    const Image source = patternImage(4, 4);
    show(source);
    run(menuEvent(MENU_NEGATIVE));
    run(controlEvent(GAD_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), source));
    run(controlEvent(GAD_REDO));
    EXPECT_TRUE(imagesEqual(inView(), applied(source, negative)));
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), source));
    run(menuEvent(MENU_REDO));
    EXPECT_TRUE(imagesEqual(inView(), applied(source, negative)));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(EventLoop, ViewButtonsAndSetWorkAsReferenceSwitchTheView) {
    s.images.put(s.imgWork, patternImage(3, 3));
    run(controlEvent(GAD_VIEW_WORK));
    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_WORK));
    run(controlEvent(GAD_VIEW_REFERENCE));
    EXPECT_EQ(s.imageInView, s.imgReference);

    run(menuEvent(MENU_SET_WORK_AS_REFERENCE));
    EXPECT_TRUE(imagesEqual(image(s.imgReference), patternImage(3, 3)));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(EventLoop, PasteNewImageTakesTheClipboardPicture) {
    gui.setClipboardImage(patternImage(9, 2));
    run(menuEvent(MENU_PASTE_NEW_IMAGE));
    EXPECT_EQ(inView().width(), 9);
    EXPECT_EQ(inView().height(), 2);
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(EventLoop, ClosingTheHistogramUnchecksItsBox) {
    gui.setChecked(GAD_HISTOGRAM, true);
    run(windowEvent(gui::EventKind::Close, WIN_HISTOGRAM));
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
}

TEST_F(EventLoop, CloseBoxesOfContrastAndHelpCloseThemOthersStayOpen) {
    for (WindowNumber w : {WIN_CONTRAST, WIN_HELP, WIN_PALETTE}) {
        ASSERT_TRUE(
            gui.openWindow(w, {100, 100, 200, 100}, "tool", gui::WindowStyle::Tool, WIN_MAIN));
        run(windowEvent(gui::EventKind::Close, w));
    }
    EXPECT_FALSE(gui.windowExists(WIN_CONTRAST));
    EXPECT_FALSE(gui.windowExists(WIN_HELP));
    EXPECT_TRUE(gui.windowExists(WIN_PALETTE));
}

TEST_F(EventLoop, ApplyAndTheMethodListReachTheirCommands) {
    chooseMethod(1);
    EXPECT_EQ(gui.text(GAD_LIMIT), "32");
    run(controlEvent(GAD_APPLY));
    EXPECT_EQ(s.imageInView, s.imgWork);
}

// Every pointer event of the canvas reaches the callback first; it turns the three that matter
// into the program's own events.
class CanvasCallback : public AppWindowTest {
  protected:
    std::vector<int> postedAfter(int type, int modifiers) {
        gui::Event raw = controlEvent(GAD_CANVAS, type);
        raw.modifiers = modifiers;
        canvasCallback(s, raw);
        std::vector<int> posted;
        while (true) {
            const gui::Event e = gui.waitEvent(0);
            if (e.kind == gui::EventKind::Timeout) break;
            if (e.kind == gui::EventKind::Custom) posted.push_back(e.custom);
        }
        return posted;
    }
};

TEST_F(CanvasCallback, CtrlAloneArmsThePick) {
    EXPECT_EQ(postedAfter(gui::CANVAS_LEFT_DOWN, gui::MOD_CTRL | gui::MOD_SHIFT),
              std::vector<int>{EVT_CANVAS_LEFT_DOWN});
    EXPECT_EQ(s.pickArmed, 0) << "Ctrl+Shift starts a selection";
    EXPECT_EQ(postedAfter(gui::CANVAS_LEFT_DOWN, gui::MOD_ALT),
              std::vector<int>{EVT_CANVAS_LEFT_DOWN});
    EXPECT_EQ(s.pickArmed, 0);
    EXPECT_EQ(postedAfter(gui::CANVAS_LEFT_DOWN, gui::MOD_CTRL),
              std::vector<int>{EVT_CANVAS_LEFT_DOWN});
    EXPECT_EQ(s.pickArmed, 1);
}

TEST_F(CanvasCallback, ReleaseAndRightClickPostTheirEventsOthersNothing) {
    EXPECT_EQ(postedAfter(gui::CANVAS_LEFT_UP, 0), std::vector<int>{EVT_CANVAS_LEFT_UP});
    EXPECT_EQ(postedAfter(gui::CANVAS_RIGHT_CLICK, 0), std::vector<int>{EVT_CANVAS_MENU});
    EXPECT_TRUE(postedAfter(gui::CANVAS_POINTER_MOVED, 0).empty());
    EXPECT_TRUE(postedAfter(gui::CANVAS_KEY_DOWN, 0).empty());
    EXPECT_EQ(s.pickArmed, 0);
}

TEST_F(EventLoop, LeftPressOnTheCanvasRunsThePress) {
    show(patternImage(50, 40));
    const gui::Point canvas = gui.controlScreenPosition(GAD_CANVAS);
    gui.movePointer({canvas.x + 10, canvas.y + 12});
    clock.schedule(100, [this] { gui.postCustomEvent(EVT_CANVAS_LEFT_UP); });
    gui.postCustomEvent(EVT_CANVAS_LEFT_DOWN);
    runLoop();
    // A press without a drag leaves no selection, only the anchor of the click.
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(s.Selection.left, 10);
    EXPECT_EQ(s.Selection.top, 12);
}

// The whole run: the window opens, the loop runs until quitting is confirmed, and shutting
// down closes the window again.
TEST(StartUp, RunsUntilQuitIsConfirmedThenClosesEverything) {
    gui::ScriptedRequesters requesters;
    gui::ManualClock clock;
    gui::FixedDesktop desktop{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui{requesters, clock, desktop};
    gui::Event quit;
    quit.kind = gui::EventKind::Menu;
    quit.menuItem = MENU_QUIT;
    requesters.answers = {false, true};
    bool windowWasOpen = false;
    clock.schedule(1000, [&] {
        windowWasOpen = gui.windowExists(WIN_MAIN);
        gui.postEvent(quit);
    });
    clock.schedule(2000, [&] { gui.postEvent(quit); });
    EXPECT_EQ(startUp(gui), 0);
    EXPECT_TRUE(windowWasOpen);
    EXPECT_EQ(requesters.asked.size(), 2u) << "No keeps the program running";
    EXPECT_FALSE(gui.windowExists(WIN_MAIN));
}

}  // namespace
}  // namespace vd::test
