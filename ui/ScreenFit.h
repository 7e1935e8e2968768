#pragma once

class QWidget;

namespace zorvane::ui {

// Fits a fixed-size window, laid out at its design size, to the available
// area of its screen (the primary screen before it is shown), frame
// included: on a small screen or at a large scale factor a window taller or
// wider than that area would leave its lower or right-hand controls off the
// screen. The text box `box` gives up the room the window lacks and scrolls;
// each other child keeps its place relative to the box, so that a control
// below or right of it moves up or left by as much, one centred over it
// stays centred, and one as wide or as high as the box shrinks with it. The
// box keeps at least its minimum size hint. A window that fits is left as
// designed.
void fitToScreen(QWidget* window, QWidget* box);

// Fits a fixed-size window without such a text box the same way: its
// client area (a main window's central widget; a dialog's controls, moved
// onto one in their places and Tab order) keeps its design and scrolls, so
// that the title bar and the menus stay on the screen and Tab scrolls to
// each control in turn. A window that fits is left as designed.
void fitToScreen(QWidget* window);

}  // namespace zorvane::ui
