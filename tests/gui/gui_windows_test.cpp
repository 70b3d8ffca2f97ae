// Windows and controls: geometry, the status bar, state of the controls, closing.

#include <QFontInfo>
#include <QStatusBar>
#include <stdexcept>

#include "tests/gui/gui_fixture.h"

namespace vd::gui::test {
namespace {

TEST_F(GuiTest, StatusBarIsPartOfTheInnerArea) {
    openMain({772, 619});
    gui().createStatusBar(kMain, 2);
    const int bar = gui().statusBarHeight(kMain);
    EXPECT_GE(bar, 18);
    gui().setInnerSize(kMain, {902, 619 + bar});
    drainWindowEvents();
    const Rect inner = gui().innerRect(kMain);
    EXPECT_EQ(inner.width, 902);
    EXPECT_EQ(inner.height, 619 + bar);
    // The bar sits at the bottom of the inner area, over its full width.
    const auto* statusBar = window(kMain)->findChild<QStatusBar*>();
    ASSERT_NE(statusBar, nullptr);
    EXPECT_EQ(statusBar->geometry(), QRect(0, 619, 902, bar));

    gui().setStatusText(kMain, 1, "Size = 1 x 1");
    EXPECT_EQ(gui().statusText(kMain, 1), "Size = 1 x 1");
    EXPECT_EQ(gui().statusText(kMain, 0), "");
    EXPECT_EQ(gui().statusText(kMain, 2), "");  // no such field
}

TEST_F(GuiTest, OuterPositionAndFrameAddUp) {
    openMain({300, 200});
    gui().moveWindow(kMain, {120, 80});
    drainWindowEvents();
    EXPECT_EQ(gui().outerPosition(kMain), (Point{120, 80}));
    const Rect inner = gui().innerRect(kMain);
    const Size frame = gui().frameExtra(kMain);
    EXPECT_GE(frame.width, 0);
    EXPECT_GE(frame.height, 0);
    EXPECT_GE(inner.x, 120);
    EXPECT_GE(inner.y, 80);
    EXPECT_LE(inner.x - 120, frame.width);
    EXPECT_LE(inner.y - 80, frame.height);
}

TEST_F(GuiTest, MovesAndResizesAreReported) {
    openMain();
    drainWindowEvents();
    gui().setInnerSize(kMain, {420, 310});
    gui().moveWindow(kMain, {10, 20});
    bool sized = false, moved = false;
    for (const Event& e : takeAll()) {
        EXPECT_EQ(e.window, kMain);
        sized = sized || e.kind == EventKind::Size;
        moved = moved || e.kind == EventKind::Move;
    }
    EXPECT_TRUE(sized);
    EXPECT_TRUE(moved);
}

TEST_F(GuiTest, ToolWindowCentresOnItsOwnerAndClosesWithIt) {
    openMain({600, 400});
    ASSERT_TRUE(gui().openWindowCentred(kTool, {200, 100}, "Two Colors", WindowStyle::Tool, kMain));
    drainWindowEvents();
    const QRect owner = window(kMain)->frameGeometry();
    const QRect tool = window(kTool)->frameGeometry();
    EXPECT_LE(std::abs(owner.center().x() - tool.center().x()), 1);
    EXPECT_LE(std::abs(owner.center().y() - tool.center().y()), 1);
    EXPECT_EQ(gui().innerRect(kTool).width, 200);

    gui().addPushButton(kTool, controlNumber(30), {10, 10, 50, 25}, "OK");
    gui().postCustomEvent(5);
    QTest::mouseClick(widget(30), Qt::LeftButton);
    gui().closeWindow(kMain);
    EXPECT_FALSE(gui().windowExists(kTool));
    EXPECT_FALSE(gui().controlExists(controlNumber(30)));
    // The click of the closed window's button is gone; what the program posted stays.
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].custom, 5);
}

TEST_F(GuiTest, AClosingToolWindowGivesTheKeyboardBackToItsOwner) {
    openMain();
    ASSERT_TRUE(gui().openWindowCentred(kTool, {200, 100}, "dialog", WindowStyle::Tool, kMain));
    drainWindowEvents();
    ASSERT_TRUE(window(kTool)->isActiveWindow());
    gui().closeWindow(kTool);
    drainWindowEvents();
    EXPECT_TRUE(window(kMain)->isActiveWindow());
}

TEST_F(GuiTest, FreshNumbersAreUnused) {
    openMain();
    const ControlNumber c = gui().freshControlNumber();
    gui().addTextLabel(kMain, c, {0, 0, 10, 10}, "x");
    EXPECT_NE(gui().freshControlNumber(), c);
    const WindowNumber n = gui().freshWindowNumber();
    EXPECT_FALSE(gui().windowExists(n));
    ASSERT_TRUE(gui().openWindowCentred(n, {200, 30}, "", WindowStyle::Notice));
    EXPECT_NE(gui().freshWindowNumber(), n);
}

TEST_F(GuiTest, SpinBoxKeepsItsValueInsideItsRange) {
    openMain();
    const ControlNumber spin = controlNumber(1);
    gui().addSpinBox(kMain, spin, {10, 10, 55, 25}, 2, 256, 32);
    EXPECT_EQ(gui().text(spin), "32");
    gui().setValue(spin, 300);
    EXPECT_EQ(gui().value(spin), 256);
    gui().setValue(spin, 0);
    EXPECT_EQ(gui().value(spin), 2);
    gui().setValue(spin, 12);
    gui().setRange(spin, 2, 10);
    EXPECT_EQ(gui().value(spin), 10);
    EXPECT_EQ(gui().maximum(spin), 10);
    // Value and text are separate: "27" shows for the value 3 of a cubed count.
    gui().setValue(spin, 3);
    gui().setText(spin, "27");
    EXPECT_EQ(gui().value(spin), 3);
    EXPECT_EQ(gui().text(spin), "27");
    // Losing the focus does not rewrite the text from the value.
    gui().addCheckBox(kMain, controlNumber(4), {10, 50, 100, 25}, "Dither");
    gui().setFocus(spin);
    gui().setFocus(controlNumber(4));
    QApplication::processEvents();
    EXPECT_EQ(gui().text(spin), "27");
    EXPECT_EQ(gui().value(spin), 3);
}

TEST_F(GuiTest, DropDownRowsKeepTheirData) {
    openMain();
    const ControlNumber list = controlNumber(10);
    gui().addDropDown(kMain, list, {10, 60, 105, 30});
    gui().addDropDownRow(list, "Uniform", 3);
    gui().addDropDownRow(list, "Popularity", 32);
    gui().addDropDownRow(list, "flat_8", std::nullopt);
    EXPECT_EQ(gui().selectedRow(list), 0);
    EXPECT_EQ(gui().rowData(list, 0), 3);
    EXPECT_EQ(gui().rowData(list, 2), std::nullopt);
    EXPECT_EQ(gui().rowData(list, 3), std::nullopt);
    gui().setRowData(list, 1, 200);
    gui().setRowData(list, 2, 8);
    EXPECT_EQ(gui().rowData(list, 1), 200);
    EXPECT_EQ(gui().rowData(list, 2), 8);
    gui().selectRow(list, 2);
    EXPECT_EQ(gui().selectedRow(list), 2);
    EXPECT_EQ(gui().text(list), "flat_8");
}

TEST_F(GuiTest, ControlsKeepTextRectAndState) {
    openMain();
    gui().addGroupFrame(kMain, controlNumber(40), {5, 40, 115, 155}, "Quantize");
    gui().addPushButton(kMain, controlNumber(41), {20, 160, 85, 30}, "Save & go");
    gui().addDigitsField(kMain, controlNumber(42), {10, 10, 60, 25}, "640");
    gui().addTextBox(kMain, controlNumber(43), {10, 170, 260, 100}, "one\ntwo");
    EXPECT_EQ(gui().text(controlNumber(40)), "Quantize");
    EXPECT_EQ(gui().text(controlNumber(41)), "Save & go");
    EXPECT_EQ(gui().text(controlNumber(43)), "one\ntwo");
    EXPECT_EQ(gui().controlRect(controlNumber(41)), (Rect{20, 160, 85, 30}));
    gui().setEnabled(controlNumber(41), false);
    EXPECT_FALSE(gui().isEnabled(controlNumber(41)));

    // A digits field takes digits only.
    gui().setFocus(controlNumber(42));
    QTest::keyClicks(widget(42), "1a2");
    EXPECT_EQ(gui().text(controlNumber(42)), "64012");
    EXPECT_THROW(gui().text(controlNumber(99)), std::out_of_range);
}

TEST_F(GuiTest, ReadOnlyFieldReportsTheFocus) {
    openMain();
    gui().addTextBox(kMain, controlNumber(50), {10, 100, 200, 80}, "text");
    gui().addReadOnlyField(kMain, controlNumber(51), {10, 30, 170, 25}, "Arial");
    gui().setFocus(controlNumber(50));
    drainWindowEvents();
    QTest::mouseClick(widget(51), Qt::LeftButton);
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].control, controlNumber(51));
    EXPECT_EQ(events[0].type, FOCUS_GAINED);
}

TEST_F(GuiTest, ArialIsAvailableThroughItsMetricTwin) {
    // The program asks for Arial; fonts-liberation answers with Liberation Sans.
    const QString family = QFontInfo(QFont("Arial", 10)).family();
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
    EXPECT_TRUE(gui().setControlFont("Arial", 10));
    EXPECT_FALSE(gui().setControlFont("No Such Font Family 17", 10));
}

}  // namespace
}  // namespace vd::gui::test
