#include "FileSizeSignal.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX)
#  include <csignal>
#endif

namespace zorvane::app {

void keepRunningAtFileSizeLimit()
{
#if defined(Q_OS_UNIX)
    // Caught rather than ignored: an ignored signal stays ignored in the
    // programs this one starts (the browser for a web page), while a caught
    // one is back to its default there, as the exec resets it.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGXFSZ, &action, nullptr);
#endif
}

}  // namespace zorvane::app
