// The test driver's actions reach the program as a user's would; pop-up menus answer.

#include "tests/support_gui/gui_driver.h"
#include "tests/gui/gui_fixture.h"

namespace vd::gui::test {
namespace {

using vd::test::answerNextPopupMenu;

class DriverTest : public GuiTest {
  protected:
    void SetUp() override {
        openMain({500, 400});
        gui().setPopupMenu(
            kMain,
            {
                MenuEntry::sub("File...", {MenuEntry::command("load image\tCtrl+L", 11),
                                           MenuEntry::command("Quit", 27)}),
                MenuEntry::bar(),
                MenuEntry::sub(
                    "Edit...",
                    {MenuEntry::sub("paste...",
                                    {MenuEntry::command("paste floating section\tCtrl+V", 14)})}),
                MenuEntry::command("Help\tF1", 24),
            });
        gui().addScrollArea(kMain, controlNumber(5), {125, 5, 300, 200}, 10);
        gui().addCanvas(controlNumber(5), controlNumber(2), {200, 150});
        drainWindowEvents();
    }
};

TEST_F(DriverTest, PopupMenuQueuesTheChosenItemFromAnySubmenu) {
    for (int item : {24, 14, 27}) {
        answerNextPopupMenu(item);
        gui().showPopupMenu(kMain);
        const auto events = takeAll();
        ASSERT_EQ(events.size(), 1u) << item;
        EXPECT_EQ(events[0].kind, EventKind::Menu);
        EXPECT_EQ(events[0].window, kMain);
        EXPECT_EQ(events[0].menuItem, item);
    }
    answerNextPopupMenu(-1);
    gui().showPopupMenu(kMain);
    EXPECT_TRUE(takeAll().empty());
}

TEST_F(DriverTest, ClicksKeysAndDragsAreUserEvents) {
    gui().addSpinBox(kMain, controlNumber(1), {10, 100, 55, 25}, 2, 256, 32);
    gui().addTrackBar(kMain, controlNumber(30), {10, 200, 100, 25}, 0, 256, 128);
    gui().addShortcut(kMain, 'Z', MOD_CTRL, 28);
    drainWindowEvents();

    vd::test::typeText(gui(), controlNumber(1), "300");
    EXPECT_EQ(gui().text(controlNumber(1)), "300");
    EXPECT_EQ(takeAll().back().type, TEXT_EDITED);

    vd::test::stepSpinBox(gui(), controlNumber(1), -2);
    EXPECT_EQ(gui().value(controlNumber(1)), 30);
    EXPECT_EQ(takeAll().back().type, SPIN_STEPPED);

    gui().setValue(controlNumber(30), 10);
    EXPECT_TRUE(takeAll().empty());
    vd::test::moveTrackBar(gui(), controlNumber(30), 200);
    EXPECT_EQ(gui().value(controlNumber(30)), 200);
    EXPECT_EQ(takeAll().back().type, TRACK_MOVED);

    vd::test::pressKey(gui(), 'Z', MOD_CTRL);
    EXPECT_EQ(takeAll().back().menuItem, 28);

    vd::test::pressMouse(gui(), controlNumber(2), {10, 20});
    vd::test::dragMouse(gui(), controlNumber(2), {40, 50});
    EXPECT_EQ(gui().pointerOnCanvas(controlNumber(2)), (Point{40, 50}));
    vd::test::releaseMouse(gui(), controlNumber(2), {40, 50});
    std::vector<int> types;
    for (const Event& e : takeAll())
        types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<int>{CANVAS_POINTER_MOVED, CANVAS_LEFT_DOWN, CANVAS_POINTER_MOVED,
                                       CANVAS_LEFT_UP}));
}

}  // namespace
}  // namespace vd::gui::test
