#pragma once

// Ending the program. Every window that ends the program when it closes (the
// main window; the results frame when it is closed other than by Back) calls
// CloseAllAndEnd, which closes every open window, the hidden ones too, in the
// order of their creation, and then ends the process with exit code 0.

#include <functional>

namespace zorvane::app {

// Closes every window of ui::openWindows() and runs the end step. A second
// call, also from a close handler of a window being closed, returns at once.
void CloseAllAndEnd();

// True from the start of CloseAllAndEnd on.
bool isEnding();

// The last step of CloseAllAndEnd. The default leaves every running event
// loop with exit code 0; before the event loop has started, start-up sees
// isEnding() and returns 0 from main without entering it.
using EndStep = std::function<void()>;
// Replaces the end step (tests); an empty function restores the default.
// Returns the previous replacement.
EndStep setEndStep(EndStep step);
// Clears the ending flag, so that a test can end the program again.
void resetEnding();

// Ends the process with exitCode at once: flushes the standard streams and
// leaves without running exit handlers, destructors of static objects or
// the platform's teardown in QApplication's destructor. main calls it once
// the event loop has returned and start-up's objects are gone: the windows
// closed, the lock file removed and let go; the settings were written as
// start-up ended. Qt 6.4's Wayland teardown may wait forever in
// QWaylandDisplay's destructor for its event thread, which waits for a read
// of the display that never comes, and nothing left there is the program's
// to keep.
[[noreturn]] void endProcess(int exitCode);

}  // namespace zorvane::app
