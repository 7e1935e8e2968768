#include "ProgramIcon.h"
#include "StartUp.h"
#include "Style.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    zorvane::app::keepRunningAtFileSizeLimit();
    QApplication application(argc, argv);
    // The program ends only through CloseAllAndEnd: the main window hides
    // while the results are shown, so no "last window" is a reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(zorvane::ui::programIcon());
    zorvane::ui::useProgramStyle();
    zorvane::ui::installFontSubstitutes();

    zorvane::app::StartUp startUp(zorvane::app::StartUpOptions::forThisProgram());
    if (!startUp.run())
        return 0;
    return QApplication::exec();
}
