#pragma once

class QDialog;
class QMargins;
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

// Moves a top-level window, not yet shown, so that it stands centred on its
// screen (the primary screen before it is shown) with the frame that the
// window system will put around it: the frame is asked for before the
// window is mapped, so that it appears where it stays. Where the window
// system cannot tell (an X11 window manager without
// _NET_REQUEST_FRAME_EXTENTS), a title bar and borders as the program's
// style draws them are assumed.
void centreOnScreen(QWidget* window);

// The frame that the window system puts, or will put, around a top-level
// window: known once the window is framed, asked for before that where the
// window system can tell, else assumed as above. Creates the window's
// native window.
QMargins expectedFrame(QWidget* window);

}  // namespace zorvane::ui

namespace zorvane::ui {

// Makes a modal window a fixed dialog for the window system, before its
// native window exists: a title bar with a close button and nothing to
// minimize or maximize it with, at a size that cannot change. A window
// manager that still minimizes it (openbox offers that for every dialog, and
// takes the dialog's owner with it) sees it restored at once, with its
// owner: no window is left hidden behind a minimized modal one.
void makeFixedDialog(QDialog* dialog);

}  // namespace zorvane::ui
