#pragma once

// The program in a terminal. Zorvane is a window program and needs no
// arguments; it answers --help and --version before QApplication exists, as
// these need no display, and while QApplication starts its platform it turns
// Qt's abort, where no platform can start, into one sentence and exit code 1.

#include <QString>
#include <QStringList>

#include <optional>

namespace zorvane::app {

enum class TerminalRequest { Run, ShowHelp, ShowVersion };

// Reads the arguments, the program's name first. --help (-h) and --version
// (-v) are the program's own. Qt's options (-platform, -style, -reverse ...)
// and anything else are left to QApplication, which takes out its own and
// ignores the rest.
TerminalRequest parseCommandLine(const QStringList& arguments);

// The help, which names the program as it was started (a QCoreApplication
// must exist), and the version, each ending with a line break.
QString helpText();
QString versionText();

// The sentence written on standard error where no platform could start for
// want of a display: none named, or one that cannot be reached.
QString noGraphicalSessionText();
// The sentence written where the platform asked for (-platform,
// QT_QPA_PLATFORM) is not installed; Qt's own warning before it names it.
QString missingPlatformText();

// What main does first: the help or the version on standard output, exit
// code 0 (1 where it cannot be written). Nothing when the program should
// start; the lock, the settings and the windows are untouched until then.
std::optional<int> answerInTerminal(int argc, char* argv[]);

// Held around the construction of QApplication alone. Qt's messages are held
// back meanwhile. Where no platform can start, Qt's fatal message ends the
// program with exit code 1 and, instead of Qt's abort and its core dump:
// Qt's messages and missingPlatformText() where a platform asked for is not
// installed; else noGraphicalSessionText(), after Qt's messages (which name
// the display that could not be reached) where a display is named in the
// environment. Otherwise the held messages are written as they came once it
// is released.
class PlatformStartGuard {
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

    // Writes the held messages and gives messages back to Qt's own handling.
    void release();

private:
    bool held_ = true;
};

}  // namespace zorvane::app
