#include "AppShell.h"

#include "Guarded.h"
#include "OpenWindows.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace zorvane::app {

namespace {
bool ending = false;

EndStep& endStepReplacement()
{
    static EndStep step;
    return step;
}

void leaveEventLoops()
{
    QCoreApplication::exit(0);
}
}  // namespace

bool isEnding()
{
    return ending;
}

void resetEnding()
{
    ending = false;
}

void endProcess(int exitCode)
{
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

EndStep setEndStep(EndStep step)
{
    EndStep previous = std::move(endStepReplacement());
    endStepReplacement() = std::move(step);
    return previous;
}

void CloseAllAndEnd()
{
    if (ending)
        return;
    ending = true;

    // A close handler may destroy other windows (a frame its child): hold
    // each by a guarded pointer and skip those already gone.
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : ui::openWindows())
        windows.append(window);
    for (const QPointer<QWidget>& window : windows) {
        if (!window.isNull())
            ui::runGuarded([&] { window->close(); });
    }

    ui::runGuarded([] {
        if (const EndStep& step = endStepReplacement())
            step();
        else
            leaveEventLoops();
    });
}

}  // namespace zorvane::app
