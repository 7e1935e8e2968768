// Reads or prepares the stored date of the update reminder in the current
// user's settings store, through the program's own functions, for the
// end-to-end scenarios.
//
//   reminder_date            prints the stored date (yyyy-MM-dd), "none" or "unreadable"
//   reminder_date YYYY-MM-DD stores that date

#include "UpdateReminder.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTextStream>

using zorvane::app::StoredReminder;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const std::unique_ptr<QSettings> settings = zorvane::app::openUserSettings();
    if (!settings)
        return 1;
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2) {
        const QDate date = QDate::fromString(args.at(1), Qt::ISODate);
        if (!date.isValid()) {
            QTextStream(stderr) << "reminder_date: not a date: " << args.at(1) << Qt::endl;
            return 2;
        }
        zorvane::app::storeReminderDate(*settings, date);
        return zorvane::app::writeSettings(*settings) ? 0 : 1;
    }
    const StoredReminder stored = zorvane::app::readReminderDate(*settings);
    switch (stored.state) {
    case StoredReminder::State::None:
        out << "none" << Qt::endl;
        break;
    case StoredReminder::State::Unreadable:
        out << "unreadable" << Qt::endl;
        break;
    case StoredReminder::State::Date:
        out << stored.date.toString(Qt::ISODate) << Qt::endl;
        break;
    }
    return 0;
}
