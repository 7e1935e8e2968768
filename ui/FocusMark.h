#pragma once

// The program's focus mark on the controls that draw themselves (link
// labels, the period panels and lines) and, through the program's style, on
// every push button: a dotted rectangle, one pixel wide, in the colour of
// the text it surrounds.

class QColor;
class QPainter;
class QRect;
class QWidget;

namespace zorvane::ui {

// Draws the mark along the inside of around's edge.
void drawFocusMark(QPainter& painter, const QRect& around, const QColor& colour);

// True while widget has the keyboard focus and the keyboard has moved the
// focus in its window (Tab, a shortcut, the arrow keys), as the program's
// style marks a focused button: a window used with the mouse alone shows no
// mark, and a click on a push button takes the mark away until the keyboard
// moves the focus again.
bool showsKeyboardFocus(const QWidget* widget);

}  // namespace zorvane::ui
