#pragma once

// The program in a terminal. Zorvane is a window program and needs no
// arguments; it answers --help and --version, and says in one sentence that
// it needs a graphical session where there is none, instead of letting Qt
// abort. All of it runs before QApplication exists: QApplication's
// constructor connects to the display, and ends the process when it cannot.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace zorvane::app {

struct CommandLine {
    enum class Request { Run, ShowHelp, ShowVersion };
    Request request = Request::Run;
    // The platform named by Qt's -platform option; empty when none is.
    QString platform;
    // The X display named by Qt's -display option; empty when none is.
    QString display;
};

// Reads the arguments, the program's name first. --help (-h) and --version
// (-v) are the program's own. Qt's options (-platform, -style, -reverse ...)
// and anything else are left to QApplication, which takes out its own and
// ignores the rest.
CommandLine parseCommandLine(const QStringList& arguments);

// How the system shows windows. Unix-like systems other than macOS and
// Android do it through a display server (X11 or Wayland) that may be
// missing, as over SSH; Windows, macOS and Android have their own, which
// Qt's default platform uses and which is always there.
enum class WindowSystem { DisplayServer, Native };

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
constexpr WindowSystem thisWindowSystem = WindowSystem::DisplayServer;
#else
constexpr WindowSystem thisWindowSystem = WindowSystem::Native;
#endif

// Whether the platform Qt is going to load has something to show windows
// on. On a native window system it always has. Qt's X11 and Wayland
// platforms need a display server, named by DISPLAY (or -display) and
// WAYLAND_DISPLAY (or a WAYLAND_SOCKET handed over); a platform that needs
// none (offscreen, vnc, eglfs ...), asked for by -platform or
// QT_QPA_PLATFORM, is left for Qt to start.
bool hasGraphicalSession(const CommandLine& commandLine, const QProcessEnvironment& environment,
                         WindowSystem system = thisWindowSystem);

// The help, which names the program as it was started (a QCoreApplication
// must exist), and the version, each ending with a line break.
QString helpText();
QString versionText();
// The one sentence written on standard error when no display can be used.
QString noGraphicalSessionText();

// What main does first: the help or the version on standard output (exit
// code 0), or the sentence on standard error when there is no graphical
// session (exit code 1). Nothing when the program should start; the lock,
// the settings and the windows are untouched until then.
std::optional<int> answerInTerminal(int argc, char* argv[]);

// While it is held, Qt's failure to start its platform (a display that is
// named but cannot be reached, as over SSH with a stale DISPLAY) ends the
// program with the sentence and exit code 1, instead of Qt's abort and its
// core dump. Held around the construction of QApplication only.
class PlatformStartGuard {
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

    // Gives fatal messages back to Qt's own handling.
    void release();

private:
    bool held_ = true;
};

}  // namespace zorvane::app
