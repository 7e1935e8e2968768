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

}  // namespace zorvane::app
