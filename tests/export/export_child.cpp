// Another copy of the program exporting the panels over and over, for a
// test to kill in the middle of an export:
//   export_child <folder> <width> <height>
// writes chart.jpg, chart_001.jpg and so on into folder until it is killed
// (or an export fails: exit code 1).

#include "FakeDialogs.h"
#include "PaintedForm.h"
#include "modSaveForm.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    const QString folder = arguments.at(1);
    const QSize size(arguments.at(2).toInt(), arguments.at(3).toInt());

    // A failure is written out instead of waiting for a click.
    zorvane::test::FakeDialogs& dialogs = zorvane::test::FakeDialogs::install();
    zorvane::test::PaintedForm form(size);
    QLabel holder;
    QLineEdit txtFolder;
    QLineEdit txtFile;
    const modSaveForm::PanelsWindow panels{&form, &holder, &txtFolder, &txtFile};
    holder.setPixmap(modSaveForm::SnapFormClient(&form));

    for (;;) {
        if (modSaveForm::ExportJpeg(panels, QDir(folder).filePath(QStringLiteral("chart.png"))).isEmpty()) {
            QTextStream(stderr) << (dialogs.messages.isEmpty() ? QString() : dialogs.messages.last().text) << '\n';
            return 1;
        }
    }
}
