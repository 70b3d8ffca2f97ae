// Events from real widgets, shortcuts, and the order and timing of waitEvent.

#include <QComboBox>
#include <QLineEdit>
#include <stdexcept>

#include "tests/gui/gui_fixture.h"

namespace vd::gui::test {
namespace {

constexpr int kButton = 19, kCheck = 4, kOptionA = 11, kOptionB = 20, kList = 10, kSpin = 1;
constexpr int kScroll = 5, kCanvas = 2;

class EventsTest : public GuiTest {
  protected:
    void SetUp() override {
        openMain({500, 400});
        gui().addPushButton(kMain, controlNumber(kButton), {10, 10, 80, 30}, "Apply");
        gui().addCheckBox(kMain, controlNumber(kCheck), {10, 50, 100, 25}, "Dither");
        gui().addOptionButton(kMain, controlNumber(kOptionA), {10, 80, 100, 20}, "A", true);
        gui().addOptionButton(kMain, controlNumber(kOptionB), {10, 105, 100, 20}, "B", false);
        gui().addDropDown(kMain, controlNumber(kList), {10, 130, 100, 25});
        for (const char* row : {"zero", "one", "two"})
            gui().addDropDownRow(controlNumber(kList), row, std::nullopt);
        gui().addSpinBox(kMain, controlNumber(kSpin), {10, 160, 60, 25}, 2, 16, 5);
        gui().addScrollArea(kMain, controlNumber(kScroll), {125, 5, 300, 200}, 10);
        gui().addCanvas(controlNumber(kScroll), controlNumber(kCanvas), {200, 150});
        drainWindowEvents();
    }

    // Events without the canvas's reports of modifier keys going down (Shift, Ctrl, Alt),
    // which Windows reports as keys too.
    std::vector<Event> takeAllButModifierKeys() {
        std::vector<Event> events;
        for (const Event& e : takeAll())
            if (!(e.type == CANVAS_KEY_DOWN && e.keyCode >= 16 && e.keyCode <= 18))
                events.push_back(e);
        return events;
    }

    void expectControlEvent(const Event& e, int control, int type) {
        EXPECT_EQ(e.kind, EventKind::Control);
        EXPECT_EQ(e.window, kMain);
        EXPECT_EQ(e.control, controlNumber(control));
        EXPECT_EQ(e.type, type);
    }
};

TEST_F(EventsTest, ButtonsAndBoxesReportUserActionsOnly) {
    QTest::mouseClick(widget(kButton), Qt::LeftButton);
    auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    expectControlEvent(events[0], kButton, CONTROL_ACTIVATED);

    QTest::mouseClick(widget(kCheck), Qt::LeftButton);
    events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    expectControlEvent(events[0], kCheck, CONTROL_ACTIVATED);
    EXPECT_TRUE(gui().isChecked(controlNumber(kCheck)));

    // What the program sets is not reported back to it.
    gui().setChecked(controlNumber(kCheck), false);
    gui().setChecked(controlNumber(kOptionB), true);
    gui().selectRow(controlNumber(kList), 2);
    gui().setValue(controlNumber(kSpin), 9);
    gui().setText(controlNumber(kSpin), "729");
    EXPECT_TRUE(takeAll().empty());
}

TEST_F(EventsTest, OptionButtonsOfAGroupExcludeEachOther) {
    gui().setChecked(controlNumber(kOptionA), true);
    QTest::mouseClick(widget(kOptionB), Qt::LeftButton);
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    expectControlEvent(events[0], kOptionB, CONTROL_ACTIVATED);
    EXPECT_TRUE(gui().isChecked(controlNumber(kOptionB)));
    EXPECT_FALSE(gui().isChecked(controlNumber(kOptionA)));
    // The program may clear the chosen one, which an exclusive group alone refuses.
    gui().setChecked(controlNumber(kOptionB), false);
    EXPECT_FALSE(gui().isChecked(controlNumber(kOptionB)));
}

TEST_F(EventsTest, DropDownChosenByTheUserIsReported) {
    gui().selectRow(controlNumber(kList), 0);
    gui().setFocus(controlNumber(kList));
    QTest::keyClick(widget(kList), Qt::Key_Down);
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    expectControlEvent(events[0], kList, CONTROL_ACTIVATED);
    EXPECT_EQ(gui().selectedRow(controlNumber(kList)), 1);
}

TEST_F(EventsTest, SpinStepsAndTypingAreTwoEventTypes) {
    gui().setText(controlNumber(kSpin), "125");  // the text is the box's own
    gui().setFocus(controlNumber(kSpin));
    QTest::keyClick(widget(kSpin), Qt::Key_Up);
    auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    expectControlEvent(events[0], kSpin, SPIN_STEPPED);
    EXPECT_EQ(gui().value(controlNumber(kSpin)), 6);
    EXPECT_EQ(gui().text(controlNumber(kSpin)), "6");

    // Stepping stops at the maximum.
    gui().setValue(controlNumber(kSpin), 16);
    QTest::keyClick(widget(kSpin), Qt::Key_Up);
    takeAll();
    EXPECT_EQ(gui().value(controlNumber(kSpin)), 16);

    // Typing changes the text only.
    auto* edit = widget(kSpin)->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(widget(kSpin), "300");
    events = takeAll();
    ASSERT_EQ(events.size(), 3u);  // one per key
    for (const Event& e : events)
        expectControlEvent(e, kSpin, TEXT_EDITED);
    EXPECT_EQ(gui().text(controlNumber(kSpin)), "300");
    EXPECT_EQ(gui().value(controlNumber(kSpin)), 16);
}

TEST_F(EventsTest, ShortcutsReachTheProgramWhicheverControlHasFocus) {
    gui().addShortcut(kMain, 'L', MOD_CTRL, 11);
    gui().addShortcut(kMain, KEY_RETURN, 0, 16);
    gui().addShortcut(kMain, KEY_LEFT, 0, 20);
    gui().addShortcut(kMain, KEY_UP, 0, 22);
    struct Case {
        int focus;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int item;
    };
    const Case cases[] = {
        {kCanvas, Qt::Key_L, Qt::ControlModifier, 11},
        {kButton, Qt::Key_L, Qt::ControlModifier, 11},
        {kSpin, Qt::Key_Return, Qt::NoModifier, 16},
        {kSpin, Qt::Key_Left, Qt::NoModifier, 20},
        {kSpin, Qt::Key_Up, Qt::NoModifier, 22},
        {kList, Qt::Key_Up, Qt::NoModifier, 22},
        {kCanvas, Qt::Key_Left, Qt::NoModifier, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("focus " + std::to_string(c.focus) + " key " + std::to_string(c.key));
        gui().setFocus(controlNumber(c.focus));
        ASSERT_EQ(gui().focusedControl(), controlNumber(c.focus));
        QTest::keyClick(QApplication::focusWidget(), c.key, c.modifiers);
        const auto events = takeAllButModifierKeys();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, EventKind::Menu);
        EXPECT_EQ(events[0].window, kMain);
        EXPECT_EQ(events[0].menuItem, c.item);
    }
    // The arrow went to the program, not to the box.
    EXPECT_EQ(gui().value(controlNumber(kSpin)), 5);
    EXPECT_EQ(gui().selectedRow(controlNumber(kList)), 0);
}

TEST_F(EventsTest, CanvasKeysCarryWindowsCodesAndModifiers) {
    gui().setFocus(controlNumber(kCanvas));
    QTest::keyClick(widget(kCanvas), Qt::Key_Escape);
    QTest::keyClick(widget(kCanvas), Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(widget(kCanvas), Qt::Key_Q, Qt::AltModifier);
    const auto events = takeAllButModifierKeys();
    ASSERT_EQ(events.size(), 3u);
    for (const Event& e : events)
        expectControlEvent(e, kCanvas, CANVAS_KEY_DOWN);
    EXPECT_EQ(events[0].keyCode, KEY_ESCAPE);
    EXPECT_EQ(events[0].modifiers, 0);
    EXPECT_EQ(events[1].keyCode, KEY_F1);
    EXPECT_EQ(events[1].modifiers, MOD_SHIFT | MOD_CTRL);
    EXPECT_EQ(events[2].keyCode, 'Q');
    EXPECT_EQ(events[2].modifiers, MOD_ALT);
}

TEST_F(EventsTest, CanvasMouseEventsAndTheCallbackOrder) {
    std::vector<Event> seen;
    gui().setCanvasCallback(controlNumber(kCanvas), [&](const Event& e) {
        seen.push_back(e);
        if (e.type == CANVAS_LEFT_DOWN) gui().postCustomEvent(65537);
        if (e.type == CANVAS_RIGHT_CLICK) gui().postCustomEvent(65538);
    });
    QWidget* canvas = widget(kCanvas);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 40));

    Event e = gui().waitEvent();
    expectControlEvent(e, kCanvas, CANVAS_LEFT_DOWN);
    EXPECT_EQ(e.x, 30);
    EXPECT_EQ(e.y, 40);
    EXPECT_EQ(e.modifiers, MOD_CTRL);
    ASSERT_EQ(seen.size(), 1u);  // the callback ran before the raw event came back
    // Handling it, the program posts an event of its own: it comes after the callback's.
    gui().postCustomEvent(7);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(31, 41));
    QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));

    std::vector<int> order;
    for (const Event& next : takeAll())
        order.push_back(next.kind == EventKind::Custom ? next.custom : -next.type);
    EXPECT_EQ(order, (std::vector<int>{65537, 7, -CANVAS_LEFT_UP, -CANVAS_RIGHT_CLICK, 65538}));
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(EventsTest, RightButtonReleasedOffTheCanvasIsNoClick) {
    QWidget* canvas = widget(kCanvas);
    QTest::mousePress(canvas, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(canvas, Qt::RightButton, Qt::NoModifier, QPoint(500, 5));
    for (const Event& e : takeAll())
        EXPECT_NE(e.type, CANVAS_RIGHT_CLICK);
}

TEST_F(EventsTest, PointerMovesCollapseIntoTheLatest) {
    QWidget* canvas = widget(kCanvas);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    for (int x = 2; x < 10; ++x)
        QTest::mouseMove(canvas, QPoint(x, 2 * x));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(9, 18));
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, CANVAS_LEFT_DOWN);
    EXPECT_EQ(events[1].type, CANVAS_POINTER_MOVED);
    EXPECT_EQ(events[1].x, 9);
    EXPECT_EQ(events[1].y, 18);
    EXPECT_EQ(events[2].type, CANVAS_LEFT_UP);
}

TEST_F(EventsTest, MovingThePointerOverTheCanvasIsSeenThere) {
    const Point origin = gui().controlScreenPosition(controlNumber(kCanvas));
    gui().movePointer({origin.x + 12, origin.y + 34});
    EXPECT_EQ(gui().pointerOnCanvas(controlNumber(kCanvas)), (Point{12, 34}));
    const auto events = takeAll();
    ASSERT_FALSE(events.empty());
    expectControlEvent(events.back(), kCanvas, CANVAS_POINTER_MOVED);
    EXPECT_EQ(events.back().x, 12);
    EXPECT_EQ(events.back().y, 34);
}

TEST_F(EventsTest, CloseBoxAsksAndLeavesTheWindowOpen) {
    window(kMain)->close();
    const auto events = takeAll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::Close);
    EXPECT_EQ(events[0].window, kMain);
    EXPECT_TRUE(gui().windowExists(kMain));
    EXPECT_TRUE(gui().isVisible(kMain));
}

// ---- Time

TEST_F(EventsTest, TimeOutAdvancesTheManualClockByItsLength) {
    const auto start = clock_.nowMs();
    gui().startTimer(kMain, 2500);
    EXPECT_EQ(gui().waitEvent(100).kind, EventKind::Timeout);
    EXPECT_EQ(clock_.nowMs(), start + 100);
}

TEST_F(EventsTest, TimerFiresWhenTheClockReachesIt) {
    const auto start = clock_.nowMs();
    gui().startTimer(kMain, 2500);
    const Event e = gui().waitEvent();
    EXPECT_EQ(e.kind, EventKind::Timer);
    EXPECT_EQ(e.window, kMain);
    EXPECT_EQ(clock_.nowMs(), start + 2500);
    // It repeats until stopped.
    EXPECT_EQ(gui().waitEvent().kind, EventKind::Timer);
    EXPECT_EQ(clock_.nowMs(), start + 5000);
    gui().stopTimer(kMain);
    EXPECT_THROW(gui().waitEvent(), std::logic_error);
}

TEST_F(EventsTest, QueuedEventsComeBeforeTheTimeOut) {
    gui().postCustomEvent(3);
    const auto start = clock_.nowMs();
    const Event e = gui().waitEvent(50);
    EXPECT_EQ(e.kind, EventKind::Custom);
    EXPECT_EQ(e.custom, 3);
    EXPECT_EQ(clock_.nowMs(), start);
}

TEST_F(EventsTest, WaitingForNothingThrows) {
    EXPECT_THROW(gui().waitEvent(), std::logic_error);
}

TEST_F(EventsTest, ScheduledActionsScriptAGesture) {
    const auto start = clock_.nowMs();
    const Point origin = gui().controlScreenPosition(controlNumber(kCanvas));
    clock_.schedule(100, [&] { gui().movePointer({origin.x + 50, origin.y + 60}); });
    clock_.schedule(300, [&] { gui().postCustomEvent(65536); });

    // A drag loop polls the pointer every 100 ms until the release arrives.
    std::vector<Point> polled;
    for (;;) {
        const Event e = gui().waitEvent(100);
        if (e.kind == EventKind::Custom && e.custom == 65536) break;
        polled.push_back(gui().pointerOnCanvas(controlNumber(kCanvas)));
    }
    EXPECT_EQ(clock_.nowMs(), start + 300);
    ASSERT_FALSE(polled.empty());
    EXPECT_EQ(polled.back(), (Point{50, 60}));
}

}  // namespace
}  // namespace vd::gui::test
