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

// The settings file holds one date: anything larger is no file of Zorvane's.
inline constexpr qint64 MaxSettingsFileBytes = 1024 * 1024;

// The native per-user settings store of Zorvane: the registry on Windows,
// elsewhere openSettingsFile(userSettingsFile()). Nothing when the store is
// not to be used: then the reminder does not run.
std::unique_ptr<QSettings> openUserSettings();
// ~/.config/Zorvane/Zorvane.conf ($XDG_CONFIG_HOME/Zorvane/Zorvane.conf).
QString userSettingsFile();
// The settings kept in the file at path. The file is read and written
// through the file layer (files/FileLayer.h), never by QSettings, which
// works on a private copy: a link that another user may place, on the way
// or at the name, is not followed; a link of the user's own leads to the
// file that is read and replaced. Nothing, with the reason logged under the
// program's category, when the file is not to be used: such a link, a file
// that is no regular file (a device, a named pipe, a socket, a folder; none
// of them is opened), or one larger than MaxSettingsFileBytes. Nothing is
// then written there.
std::unique_ptr<QSettings> openSettingsFile(const QString& path);
// Writes what the reminder stored to disk; for the store of
// openSettingsFile(), into its file, replacing only the file that was read
// (or, where there was none, making it and its folders), and only when
// something changed. A store that cannot be written (a read-only settings
// file, a folder closed to the user) is logged under the program's category,
// and false is returned: the reminder then acts at every start as if it had
// never run before, and a due update question comes back each time.
bool writeSettings(QSettings& settings);

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
