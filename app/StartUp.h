#pragma once

// The program's start-up: one copy per user, the update reminder, the main
// window, and the offer label drawn at random.

#include "SingleInstance.h"
#include "frmMain.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

class QSettings;

namespace zorvane::app {

// The draw of start-up: fraction × 6 + 1 rounded to the nearest whole
// number, halves to the even neighbour, so 1 … 7 for a fraction in [0, 1).
int offerDraw(double fraction);
// 1, 3 and 5 bring the co-branding offer to the front, 2, 4 and 6 the full
// branding offer; 7 keeps the design, where the full branding offer is in
// front.
frmMain::Offer offerForDraw(int draw);

struct StartUpOptions {
    QString lockPath = SingleInstance::defaultLockPath();
    // Where the picture converter must stand: the program's own folder.
    QString programFolder;
    // The user's settings store, which gives nothing when it is not to be
    // used (the reminder then does not run); nothing: the native per-user
    // store.
    std::function<std::unique_ptr<QSettings>()> openSettings;
    // The current date; nothing: the system clock.
    std::function<QDate()> today;
    // A fraction in [0, 1); nothing: a generator seeded from the clock.
    std::function<double()> randomFraction;

    // The options of a real run: lock in the runtime folder, converter
    // beside the executable, native settings, clock and random generator.
    static StartUpOptions forThisProgram();
};

class StartUp {
public:
    explicit StartUp(StartUpOptions options);

    // Runs the start-up in order: single-instance check, random seed, update
    // reminder, main window (converter check, lists), offer label. True when
    // the main window is up and the event loop should run; false when the
    // program has ended (another copy runs, no lock can be had, or the
    // converter is missing), in which case main returns 0 without entering
    // the event loop.
    bool run();

    frmMain* mainWindow() const { return mainWindow_.get(); }

private:
    StartUpOptions options_;
    SingleInstance instance_;
    std::unique_ptr<frmMain> mainWindow_;
};

}  // namespace zorvane::app
