#pragma once

// The file-size limit (ulimit -f) and the signal the system sends when a
// write meets it.

namespace zorvane::app {

// Makes a write beyond the file-size limit fail with EFBIG, which every save
// reports, rather than end the program on the spot by SIGXFSZ, without a
// word and with its lock and partial files left behind. Programs started
// from this one keep the default. Called first in main, before any window,
// and by the tests that write under a lowered limit. Nothing to do where
// there is no such signal.
void keepRunningAtFileSizeLimit();

}  // namespace zorvane::app
