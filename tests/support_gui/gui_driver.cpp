#include "tests/support_gui/gui_driver.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <memory>

#include "platform/gui/qt_access.h"

namespace vd::test {

namespace {
Qt::KeyboardModifiers modifiersOf(int bits) {
    Qt::KeyboardModifiers modifiers;
    if (bits & gui::MOD_SHIFT) modifiers |= Qt::ShiftModifier;
    if (bits & gui::MOD_ALT) modifiers |= Qt::AltModifier;
    if (bits & gui::MOD_CTRL) modifiers |= Qt::ControlModifier;
    return modifiers;
}

Qt::Key qtKey(int keyCode) {
    switch (keyCode) {
        case gui::KEY_RETURN:
            return Qt::Key_Return;
        case gui::KEY_ESCAPE:
            return Qt::Key_Escape;
        case gui::KEY_LEFT:
            return Qt::Key_Left;
        case gui::KEY_UP:
            return Qt::Key_Up;
        case gui::KEY_RIGHT:
            return Qt::Key_Right;
        case gui::KEY_DOWN:
            return Qt::Key_Down;
        case gui::KEY_PLUS:
            return Qt::Key_Plus;
        case gui::KEY_EQUALS:
            return Qt::Key_Equal;
        case gui::KEY_MINUS:
            return Qt::Key_Minus;
        default:
            break;
    }
    if (keyCode >= gui::KEY_F1 && keyCode < gui::KEY_F1 + 12)
        return Qt::Key(Qt::Key_F1 + (keyCode - gui::KEY_F1));
    return Qt::Key(keyCode);  // letters and digits
}

Qt::MouseButton buttonOf(bool right) {
    return right ? Qt::RightButton : Qt::LeftButton;
}

// Mouse events sent straight to a widget do not move the pointer; this keeps it in step.
void pointAt(gui::Gui& gui, ControlNumber c, gui::Point at) {
    const gui::Point origin = gui.controlScreenPosition(c);
    gui.movePointer({origin.x + at.x, origin.y + at.y});
    QApplication::processEvents();
}

QAction* findItem(QMenu* menu, int item) {
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            if (QAction* found = findItem(action->menu(), item)) return found;
        } else if (!action->isSeparator() && action->data().toInt() == item) {
            return action;
        }
    }
    return nullptr;
}

// Waits for the next pop-up menu to show, then answers it once.
class PopupAnswer : public QObject {
  public:
    explicit PopupAnswer(int item) : item_(item) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (event->type() != QEvent::Show || !menu || done_) return false;
        done_ = true;
        qApp->removeEventFilter(this);
        // Answered from the menu's own loop, once it runs.
        QTimer::singleShot(0, menu, [menu, item = item_, self = this] {
            if (item >= 0)
                if (QAction* action = findItem(menu, item)) action->trigger();
            menu->close();
            self->deleteLater();
        });
        return false;
    }

  private:
    int item_;
    bool done_ = false;
};
}  // namespace

void clickControl(gui::Gui& gui, ControlNumber c) {
    QTest::mouseClick(gui::widgetOf(gui, c), Qt::LeftButton);
}

void clickThroughWindow(gui::Gui& gui, ControlNumber c) {
    QWidget* widget = gui::widgetOf(gui, c);
    QWidget* top = widget->window();
    const QPoint centre = widget->mapTo(top, widget->rect().center());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
}

void clickControlAt(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers) {
    pressMouse(gui, c, at, modifiers);
    releaseMouse(gui, c, at, modifiers);
}

void pressMouse(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers, bool rightButton) {
    pointAt(gui, c, at);
    QTest::mousePress(gui::widgetOf(gui, c), buttonOf(rightButton), modifiersOf(modifiers),
                      QPoint(at.x, at.y));
}

void dragMouse(gui::Gui& gui, ControlNumber c, gui::Point to, bool rightButton) {
    pointAt(gui, c, to);
    QWidget* widget = gui::widgetOf(gui, c);
    QMouseEvent move(QEvent::MouseMove, QPointF(to.x, to.y),
                     widget->mapToGlobal(QPointF(to.x, to.y)), Qt::NoButton, buttonOf(rightButton),
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void releaseMouse(gui::Gui& gui, ControlNumber c, gui::Point at, int modifiers, bool rightButton) {
    pointAt(gui, c, at);
    QTest::mouseRelease(gui::widgetOf(gui, c), buttonOf(rightButton), modifiersOf(modifiers),
                        QPoint(at.x, at.y));
}

void turnWheel(gui::Gui& gui, ControlNumber c, gui::Point at, int notches, int modifiers) {
    pointAt(gui, c, at);
    QWidget* widget = gui::widgetOf(gui, c);
    const QPointF local(at.x, at.y);
    QWheelEvent wheel(local, widget->mapToGlobal(local), QPoint(), QPoint(0, notches * 120),
                      Qt::NoButton, modifiersOf(modifiers), Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

void dragWithMiddleButton(gui::Gui& gui, ControlNumber c, gui::Point from, gui::Point to) {
    QWidget* widget = gui::widgetOf(gui, c);
    pointAt(gui, c, from);
    QTest::mousePress(widget, Qt::MiddleButton, Qt::NoModifier, QPoint(from.x, from.y));
    // The canvas moves under the pointer while it pans, so the move is told on the screen.
    const QPoint screen = widget->mapToGlobal(QPoint(to.x, to.y));
    QMouseEvent move(QEvent::MouseMove, QPointF(widget->mapFromGlobal(screen)), QPointF(screen),
                     Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::MiddleButton, Qt::NoModifier, widget->mapFromGlobal(screen));
}

void rightClick(gui::Gui& gui, ControlNumber c, gui::Point at) {
    pressMouse(gui, c, at, 0, true);
    releaseMouse(gui, c, at, 0, true);
}

void pressKey(gui::Gui& gui, int keyCode, int modifiers) {
    (void)gui;
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) return;
    QTest::keyClick(target, qtKey(keyCode), modifiersOf(modifiers));
}

void pressKeyOn(gui::Gui& gui, ControlNumber c, int keyCode, int modifiers) {
    QTest::keyClick(gui::widgetOf(gui, c), qtKey(keyCode), modifiersOf(modifiers));
}

void turnWheel(gui::Gui& gui, ControlNumber c, int notches) {
    QWidget* widget = gui::widgetOf(gui, c);
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

void typeText(gui::Gui& gui, ControlNumber c, const std::string& text) {
    QWidget* widget = gui::widgetOf(gui, c);
    gui.setFocus(c);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) line->selectAll();
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) box->selectAll();
    if (qobject_cast<QAbstractSpinBox*>(widget))
        static_cast<QAbstractSpinBox*>(widget)->selectAll();
    // Line breaks are the Return key.
    const QStringList lines = QString::fromStdString(text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClicks(widget, lines[i]);
    }
}

void stepSpinBox(gui::Gui& gui, ControlNumber c, int steps) {
    auto* box = qobject_cast<QAbstractSpinBox*>(gui::widgetOf(gui, c));
    if (!box) return;
    // What a click on an arrow does, without the keys that the window's shortcuts take.
    for (int i = 0; i < std::abs(steps); ++i)
        box->stepBy(steps > 0 ? 1 : -1);
}

void chooseRow(gui::Gui& gui, ControlNumber c, int row) {
    auto* list = qobject_cast<QComboBox*>(gui::widgetOf(gui, c));
    if (!list || row < 0 || row >= list->count()) return;
    // As a choice in the opened list: the row becomes current and is reported as activated.
    list->setCurrentIndex(row);
    emit list->activated(row);
}

void moveTrackBar(gui::Gui& gui, ControlNumber c, int value) {
    auto* bar = qobject_cast<QSlider*>(gui::widgetOf(gui, c));
    if (!bar) return;
    bar->setSliderPosition(value);  // as a drag: reported through valueChanged
}

namespace {
QMimeData* mimeDataOf(const DragContent& content) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& file : content.files)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file)));
    if (!urls.empty()) mime->setUrls(urls);
    if (!content.dataType.empty()) {
        mime->setData(QString::fromStdString(content.dataType),
                      QByteArray(reinterpret_cast<const char*>(content.data.data()),
                                 static_cast<qsizetype>(content.data.size())));
    }
    if (!content.text.empty()) mime->setText(QString::fromStdString(content.text));
    return mime;
}
}  // namespace

bool dragAndDrop(gui::Gui& gui, ControlNumber c, gui::Point at, const DragContent& content) {
    QWidget* widget = gui::widgetOf(gui, c);
    QWindow* window = widget->window()->windowHandle();
    const QPoint place = widget->mapTo(widget->window(), QPoint(at.x, at.y));
    const std::unique_ptr<QMimeData> mime(mimeDataOf(content));
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(place, actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDragMoveEvent move(place, actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted()) QApplication::sendEvent(window, &move);
    if (!enter.isAccepted() || !move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(window, &leave);
        return false;
    }
    QDropEvent drop(place, actions, mime.get(), Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

void pressCloseBox(gui::Gui& gui, WindowNumber n) {
    gui::windowWidget(gui, n)->close();
}

void answerNextPopupMenu(int item) {
    new PopupAnswer(item);
}

}  // namespace vd::test
