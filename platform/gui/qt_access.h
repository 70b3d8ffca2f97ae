#pragma once

// The Qt widgets behind numbered windows and controls, for Qt Test clicks in tests and for
// Qt-level helpers. Program code does not include this.

#include "platform/gui/gui.h"

class QWidget;

namespace vd::gui {

// Throw std::out_of_range for a number that is not in use.
QWidget* widgetOf(const Gui& gui, ControlNumber c);
QWidget* windowWidget(const Gui& gui, WindowNumber n);

}  // namespace vd::gui
