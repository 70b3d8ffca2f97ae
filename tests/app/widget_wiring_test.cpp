// The real widgets, used as a person would: clicks, keys and menu choices go through Qt and
// reach the program's commands through the event loop.

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/gui/qt_access.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

using WidgetWiring = AppWindowTest;

// The menu tree as indented lines: "-" for a separator, "label = item" for an item.
void describeMenu(const QMenu* menu, const std::string& indent, std::vector<std::string>& lines) {
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            lines.push_back(indent + "-");
        } else if (action->menu()) {
            lines.push_back(indent + action->text().toStdString());
            describeMenu(action->menu(), indent + "  ", lines);
        } else {
            lines.push_back(indent + action->text().toStdString() + " = " +
                            std::to_string(action->data().toInt()));
        }
    }
}

TEST_F(WidgetWiring, PopupMenuHoldsEveryCommandInItsPlace) {
    const QMenu* menu =
        gui::windowWidget(gui, WIN_MAIN)->findChild<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> lines;
    describeMenu(menu, "", lines);
    const std::vector<std::string> expected = {
        "File...",
        "  load image\tCtrl+L = 11",
        "  save image\tCtrl+S = 12",
        "  new image\tCtrl+N = 17",
        "  Revert = 0",
        "  Quit = 27",
        "Resize...",
        "  resize canvas = 26",
        "  resize image = 25",
        "-",
        "set work as reference = 10",
        "-",
        "Edit...",
        "  add text\tCtrl+T = 18",
        "  copy\tCtrl+C = 13",
        "  crop\tCtrl+X = 5",
        "  paste...",
        "    paste floating section\tCtrl+V = 14",
        "    paste new image\tCtrl+I = 30",
        "  redo\tCtrl+Y = 29",
        "  undo\tCtrl+Z = 28",
        "-",
        "colors...",
        "  Brightness = 19",
        "  Contrast = 15",
        "  -",
        "  Gray Scale = 6",
        "  Two Colors = 8",
        "  Negative = 3",
        "-",
        "Rotate...",
        "  Mirror = 2",
        "  Flip = 1",
        "  Rotate 180 = 7",
        "  Rotate Right = 4",
        "  Rotate Left = 9",
        "-",
        "Help\tF1 = 24",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(WidgetWiring, RightClickOnTheCanvasOpensTheMenuAndItsChoiceRuns) {
    const Image source = patternImage(30, 20);
    show(source);
    answerNextPopupMenu(MENU_NEGATIVE);
    rightClick(gui, GAD_CANVAS, {5, 5});
    runLoop();
    Image expected = source;
    for (Color& c : expected.pixels())
        c ^= 0xFFFFFF;
    EXPECT_TRUE(imagesEqual(inView(), expected));
}

TEST_F(WidgetWiring, ShortcutsPostTheirMenuItemsWhereverTheFocusIs) {
    struct Key {
        int code, modifiers, item;
    };
    const Key keys[] = {
        {gui::KEY_RETURN, 0, 16}, {gui::KEY_LEFT, 0, 20},   {gui::KEY_RIGHT, 0, 21},
        {gui::KEY_UP, 0, 22},     {gui::KEY_DOWN, 0, 23},   {gui::KEY_F1, 0, 24},
        {'C', gui::MOD_CTRL, 13}, {'V', gui::MOD_CTRL, 14}, {'L', gui::MOD_CTRL, 11},
        {'S', gui::MOD_CTRL, 12}, {'N', gui::MOD_CTRL, 17}, {'T', gui::MOD_CTRL, 18},
        {'I', gui::MOD_CTRL, 30}, {'Z', gui::MOD_CTRL, 28}, {'Y', gui::MOD_CTRL, 29},
        {'X', gui::MOD_CTRL, 5},
    };
    for (ControlNumber focus : {GAD_CANVAS, GAD_LIMIT, GAD_METHOD}) {
        for (const Key& key : keys) {
            gui.setFocus(focus);
            pressKey(gui, key.code, key.modifiers);
            std::vector<int> items;
            for (gui::Event e = gui.waitEvent(0); e.kind != gui::EventKind::Timeout;
                 e = gui.waitEvent(0)) {
                if (e.kind == gui::EventKind::Menu) items.push_back(e.menuItem);
            }
            EXPECT_EQ(items, std::vector<int>{key.item})
                << "key " << key.code << " focus " << toInt(focus);
        }
    }
}

TEST_F(WidgetWiring, ApplyButtonQuantizes) {
    clickControl(gui, GAD_APPLY);
    runLoop();
    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_TRUE(gui.isEnabled(GAD_UNDO));

    clickControl(gui, GAD_UNDO);
    runLoop();
    EXPECT_EQ(s.undoFlags, REDO_WORK);
    EXPECT_TRUE(gui.isEnabled(GAD_REDO));
}

TEST_F(WidgetWiring, ViewButtonsSwitchTheView) {
    clickControl(gui, GAD_VIEW_WORK);
    runLoop();
    EXPECT_EQ(s.imageInView, s.imgWork);
    clickControl(gui, GAD_VIEW_REFERENCE);
    runLoop();
    EXPECT_EQ(s.imageInView, s.imgReference);
}

TEST_F(WidgetWiring, MethodListAndLimitBoxTalkToEachOther) {
    chooseRow(gui, GAD_METHOD, 1);
    runLoop();
    EXPECT_EQ(gui.text(GAD_LIMIT), "32");

    typeText(gui, GAD_LIMIT, "300");
    runLoop();
    EXPECT_EQ(gui.text(GAD_LIMIT), "256");
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(256));

    chooseRow(gui, GAD_METHOD, 0);
    runLoop();
    stepSpinBox(gui, GAD_LIMIT, 1);
    runLoop();
    EXPECT_EQ(gui.value(GAD_LIMIT), 4);
    EXPECT_EQ(gui.text(GAD_LIMIT), "64");

    typeText(gui, GAD_LIMIT, "5");
    runLoop();
    EXPECT_EQ(gui.value(GAD_LIMIT), 4) << "levels are not typed";
    EXPECT_EQ(gui.text(GAD_LIMIT), "64");
}

TEST_F(WidgetWiring, ReturnKeyAppliesOnlyFromTheLimitBox) {
    gui.setFocus(GAD_CANVAS);
    pressKey(gui, gui::KEY_RETURN);
    runLoop();
    EXPECT_EQ(s.undoFlags, 0);

    gui.setFocus(GAD_LIMIT);
    pressKey(gui, gui::KEY_RETURN);
    runLoop();
    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
}

TEST_F(WidgetWiring, CloseBoxAsksBeforeQuitting) {
    requesters.answers = {false};
    pressCloseBox(gui, WIN_MAIN);
    EXPECT_EQ(processEvents(s), 1);
    EXPECT_TRUE(gui.windowExists(WIN_MAIN));
    EXPECT_EQ(requesters.asked, std::vector<std::string>{kQuitQuestion});
}

}  // namespace
}  // namespace vd::test
