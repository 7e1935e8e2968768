#pragma once

// Helpers of the application tests: a catcher for the web pages the program
// asks the desktop to open, a folder holding the picture converter, an end
// step that counts instead of ending the test process, and a results frame
// filled with a reading.

#include "AppShell.h"
#include "ConverterLibrary.h"
#include "UrlCatcher.h"
#include "FillResults.h"
#include "MDI.h"
#include "frmDisplay.h"
#include "modFirdaria.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
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

// A results frame showing the reading of one birth, the reading texts built;
// kept when closed, so that a test can show it again.
inline std::unique_ptr<MDI> filledResultsFrame(const modFirdaria::BirthData& birth)
{
    auto frame = std::make_unique<MDI>();
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    modFirdaria::BuildReadingTexts();
    FillResults(modFirdaria::ComputeFirdaria(birth), *frame->display());
    return frame;
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

}  // namespace zorvane::test
