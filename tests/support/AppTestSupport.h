#pragma once

// Helpers of the application tests: a folder holding the picture converter,
// an end step that counts instead of ending the test process, the start-up's
// options, a results frame filled with a reading, the program's windows held
// side by side and opened for a test, and a table row for each of their
// controls. The windows and which of their links opens which page come with
// LinkPages.h, the catcher of the web pages the program asks the desktop to
// open with UrlCatcher.h. A test program takes them all with
// "using namespace zorvane::test;".

#include "AppShell.h"
#include "ConverterLibrary.h"
#include "FakeDialogs.h"
#include "FillResults.h"
#include "LinkPages.h"
#include "MDI.h"
#include "RulerNames.h"
#include "StartUp.h"
#include "UpdateReminder.h"
#include "UrlCatcher.h"
#include "frmAbout.h"
#include "frmDisplay.h"
#include "frmMain.h"
#include "frmSave.h"
#include "modFirdaria.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaType>
#include <QObject>
#include <QRadioButton>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace zorvane::test {

// A temporary program folder; with the converter unless told otherwise.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withConverter = true)
    {
        if (withConverter) {
            QFile converter(QDir(dir_.path()).filePath(modSaveForm::ConverterFileName()));
            converter.open(QIODevice::WriteOnly);
        }
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Counts the ends of the program while installed; clears the ending flag on
// installation and removal.
class EndCounter {
public:
    EndCounter()
    {
        app::resetEnding();
        app::setEndStep([this] { ++ends; });
    }
    ~EndCounter()
    {
        app::setEndStep({});
        app::resetEnding();
    }
    EndCounter(const EndCounter&) = delete;
    EndCounter& operator=(const EndCounter&) = delete;

    int ends = 0;
};

// The program's start-up without its clock, chance and stores: the lock and
// the settings file "settings.conf" in the folder `scratch`.
inline app::StartUpOptions startUpOptions(const QString& programFolder, const QString& scratch, QDate today,
                                          double fraction)
{
    const QDir folder(scratch);
    app::StartUpOptions options;
    options.lockPath = folder.filePath(QStringLiteral("zorvane.lock"));
    options.programFolder = programFolder;
    options.openSettings = [settingsPath = folder.filePath(QStringLiteral("settings.conf"))] {
        return app::openSettingsFile(settingsPath);
    };
    options.today = [today] { return today; };
    options.randomFraction = [fraction] { return fraction; };
    return options;
}

// The main window loaded from the program folder and shown centred; nothing
// when it would not load or show.
inline std::unique_ptr<frmMain> shownMainWindow(const QString& programFolder)
{
    auto window = std::make_unique<frmMain>();
    if (!window->Form_Load(programFolder))
        return nullptr;
    window->showCentred();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

// A results frame showing the reading of one birth, the reading texts built;
// kept when closed, so that a test can show it again.
inline std::unique_ptr<MDI> filledResultsFrame(const modFirdaria::BirthData& birth)
{
    auto frame = std::make_unique<MDI>();
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    modFirdaria::BuildReadingTexts();
    FillResults(modFirdaria::ComputeFirdaria(birth, subPeriodNamesByRule()), *frame->display());
    return frame;
}

// Picks a birth in the main window's lists and options.
inline void chooseBirth(frmMain& window, const modFirdaria::BirthData& birth)
{
    const auto list = [&window](const char* name) { return window.findChild<QComboBox*>(QLatin1String(name)); };
    list("cboDate")->setCurrentIndex(list("cboDate")->findText(QString::number(birth.day)));
    list("cboMonth")->setCurrentIndex(birth.month - 1);
    list("cboYear")->setCurrentIndex(list("cboYear")->findText(QString::number(birth.year)));
    const bool night = birth.timeOfBirth == modFirdaria::TimeOfBirth::Night;
    window.findChild<QRadioButton*>(night ? QStringLiteral("optDay(1)") : QStringLiteral("optDay(0)"))
        ->setChecked(true);
}

// A control is what a person reads or works: buttons, lists, labels, framed
// groups and text boxes. Containers and Qt's own inner parts ("qt_" names,
// such as a menu bar's overflow button) are not controls.
inline bool isControl(const QWidget* w)
{
    if (w->objectName().startsWith(QLatin1String("qt_")))
        return false;
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w)
           || qobject_cast<const QLabel*>(w) || qobject_cast<const QGroupBox*>(w) || qobject_cast<const QTextEdit*>(w)
           || qobject_cast<const QLineEdit*>(w);
}

// "Frame1/fraPlanetName(0)/lblPlanetCycle(0)": the named ancestors below the
// window, then the control.
inline QString pathIn(const QWidget* control, const QWidget* window)
{
    QStringList names;
    for (const QWidget* w = control; w && w != window; w = w->parentWidget())
        if (!w->objectName().isEmpty())
            names.prepend(w->objectName());
    return names.join(QLatin1Char('/'));
}

// One row per widget of type T shown with the window `top` and for which
// `keep` holds, tagged "window: path", in the table's one widget column.
template <typename T, typename Keep>
void addShownRows(Window window, const QWidget* top, Keep keep)
{
    for (T* w : top->findChildren<T*>())
        if (w->isVisibleTo(top) && keep(w))
            QTest::addRow("%s: %s", qPrintable(windowKey(window)), qPrintable(pathIn(w, top))) << w;
}

// For as long as it lives: dialogs faked, the ends of the program counted, a
// program folder with the converter, and the windows a test opens, which are
// closed first.
class AppWindows {
public:
    AppWindows()
        : fake(FakeDialogs::install())
    {}
    ~AppWindows()
    {
        about.reset();
        reading.reset();
        results.reset();
        main.reset();
        FakeDialogs::restore();
    }
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // The main window loaded from the program folder and shown centred.
    bool openMain()
    {
        main = shownMainWindow(folder.path());
        return main != nullptr;
    }
    // The results frame showing the reading of birth.
    bool openResults(const modFirdaria::BirthData& birth)
    {
        results = filledResultsFrame(birth);
        results->show();
        return QTest::qWaitForWindowExposed(results.get());
    }
    // A reading window showing the comprehensive reading.
    bool openComprehensiveReading()
    {
        reading = std::make_unique<frmSave>();
        reading->insertComprehensiveReading();
        reading->show();
        return QTest::qWaitForWindowExposed(reading.get());
    }

    // The four windows loaded and none shown: the main window from the
    // program folder, the results frame with a day birth's reading (15 March
    // 1990), a reading window with the first reading text and the About box.
    bool openAllFour()
    {
        main = std::make_unique<frmMain>();
        if (!main->Form_Load(folder.path()))
            return false;
        results = filledResultsFrame(modFirdaria::BirthData{15, 3, 1990, modFirdaria::TimeOfBirth::Day});
        reading = std::make_unique<frmSave>();
        reading->insertReadingText(0);
        about = std::make_unique<frmAbout>();
        return true;
    }
    // Shows only this window, hiding the others that are open, and makes it
    // the active one; false if it is not open or would not become active.
    bool showOnly(Window which)
    {
        for (Window other : FourWindows)
            if (QWidget* open = window(other); open && other != which)
                open->hide();
        QWidget* shown = window(which);
        if (!shown)
            return false;
        shown->show();
        if (!QTest::qWaitForWindowExposed(shown))
            return false;
        shown->activateWindow();
        return QTest::qWaitFor([shown] { return shown->isActiveWindow(); });
    }

    // nullptr while the window is not open.
    QWidget* window(Window which) const
    {
        switch (which) {
        case Window::Main:
            return main.get();
        case Window::Results:
            return results.get();
        case Window::Reading:
            return reading.get();
        case Window::About:
            return about.get();
        }
        return nullptr;
    }

    FakeDialogs& fake;
    EndCounter ends;
    ProgramFolder folder;
    std::unique_ptr<frmMain> main;
    std::unique_ptr<MDI> results;
    std::unique_ptr<frmSave> reading;
    std::unique_ptr<frmAbout> about;
};

}  // namespace zorvane::test
