#include "AppShell.h"
#include "CommandLine.h"
#include "FileSizeSignal.h"
#include "ProgramIcon.h"
#include "StartUp.h"
#include "Style.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before QApplication, which needs a display.
    if (const std::optional<int> exitCode = zorvane::app::answerInTerminal(argc, argv))
        return *exitCode;

    zorvane::app::keepRunningAtFileSizeLimit();
    zorvane::app::PlatformStartGuard platformGuard;
    QApplication application(argc, argv);
    platformGuard.release();
    // The program ends only through CloseAllAndEnd: the main window hides
    // while the results are shown, so no "last window" is a reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(zorvane::ui::programIcon());
    // Wayland compositors find the program's desktop entry, and with it its
    // name and icon, by this id (on X11 the entry's StartupWMClass serves).
    QGuiApplication::setDesktopFileName(QStringLiteral(ZORVANE_APP_ID));
    zorvane::ui::useProgramStyle();
    zorvane::ui::installFontSubstitutes();

    int exitCode = 0;
    {
        zorvane::app::StartUp startUp(zorvane::app::StartUpOptions::forThisProgram());
        if (startUp.run())
            exitCode = QApplication::exec();
    }
    // Every window closed, the lock released, the settings written: the
    // process ends here, before QApplication's teardown (AppShell.h).
    zorvane::app::endProcess(exitCode);
}
