#pragma once

// The start-up question about updates. The date on which it last ran is kept
// in the user's settings store (section "Settings", key "Duration"); key and
// value are stored scrambled, the date in ISO 8601 form (yyyy-MM-dd) so that
// a change of the regional format never makes it unreadable.

#include <QDate>
#include <QString>

#include <memory>
#include <optional>

class QSettings;
class QWidget;

namespace zorvane::app {

// Starts within this many days of the stored date, either way, ask nothing.
inline constexpr int ReminderQuietDays = 14;

// Asks "There maybe an update to this software available" when the stored
// date lies 15 days or more from today, either way; stores today on the
// first start and after the question, whatever the answer; Yes opens the
// download page. A stored value that cannot be read ends the reminder
// silently, storing nothing.
void UpdateReminder(QSettings& settings, const QDate& today, QWidget* parent = nullptr);

// The native per-user settings store of Zorvane.
std::unique_ptr<QSettings> openUserSettings();
// Writes what the reminder stored to disk. A store that cannot be written
// (a read-only settings file) is logged under the program's category: the
// reminder then acts at every start as if it had never run before, and a due
// update question comes back each time.
void writeSettings(QSettings& settings);

struct StoredReminder {
    enum class State { None, Unreadable, Date };
    State state = State::None;
    QDate date;  // valid when state is Date
};
StoredReminder readReminderDate(QSettings& settings);
// Written to disk when settings syncs or closes, as QSettings does.
void storeReminderDate(QSettings& settings, const QDate& date);
// The stored (scrambled) key, with its section: "Settings/...".
QString reminderSettingsKey();

// A reversible transform of text into hexadecimal digits, used for the
// stored key and value; unscramble() refuses anything scramble() cannot
// have written.
QString scramble(const QString& text);
std::optional<QString> unscramble(const QString& scrambled);

}  // namespace zorvane::app
