#include "UpdateReminder.h"

#include "Dialogs.h"
#include "Logging.h"
#include "modHelp.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QStringDecoder>

#include <cstdint>

namespace zorvane::app {

namespace {
// Byte i is XORed with a mask that moves on by a fixed step, so that equal
// characters do not show as equal digits.
std::uint8_t mask(qsizetype i)
{
    return static_cast<std::uint8_t>(0x5A + 37 * i);
}

QByteArray applyMask(QByteArray bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<std::uint8_t>(bytes[i]) ^ mask(i));
    return bytes;
}

bool isHexDigits(const QString& text)
{
    for (const QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool letter = c >= QLatin1Char('A') && c <= QLatin1Char('F');
        if (!digit && !letter)
            return false;
    }
    return true;
}

QString updateQuestion()
{
    return QStringLiteral("There maybe an update to this software available\r"
                          "Do you want to check for an update?");
}
}  // namespace

QString scramble(const QString& text)
{
    return QString::fromLatin1(applyMask(text.toUtf8()).toHex().toUpper());
}

std::optional<QString> unscramble(const QString& scrambled)
{
    if (scrambled.size() % 2 != 0 || !isHexDigits(scrambled))
        return std::nullopt;
    const QByteArray bytes = applyMask(QByteArray::fromHex(scrambled.toLatin1()));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString reminderSettingsKey()
{
    return QStringLiteral("Settings/") + scramble(QStringLiteral("Duration"));
}

std::unique_ptr<QSettings> openUserSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zorvane"),
                                       QStringLiteral("Zorvane"));
}

void writeSettings(QSettings& settings)
{
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return;
    const char* reason = settings.status() == QSettings::AccessError ? "the file cannot be written"
                                                                     : "the file is not in a form that can be read";
    qCWarning(lcProgram).noquote()
        << "The update reminder's date could not be stored in"
        << QDir::toNativeSeparators(settings.fileName()) + QStringLiteral(":") << reason
        << "- today's date is not kept, and the reminder acts at the next start as if it had not run today.";
}

StoredReminder readReminderDate(QSettings& settings)
{
    const QVariant stored = settings.value(reminderSettingsKey());
    if (!stored.isValid())
        return {};
    const std::optional<QString> text = unscramble(stored.toString());
    const QDate date = text ? QDate::fromString(*text, Qt::ISODate) : QDate();
    if (!date.isValid())
        return {StoredReminder::State::Unreadable, {}};
    return {StoredReminder::State::Date, date};
}

void storeReminderDate(QSettings& settings, const QDate& date)
{
    settings.setValue(reminderSettingsKey(), scramble(date.toString(Qt::ISODate)));
}

void UpdateReminder(QSettings& settings, const QDate& today, QWidget* parent)
{
    const StoredReminder stored = readReminderDate(settings);
    switch (stored.state) {
    case StoredReminder::State::Unreadable:
        return;
    case StoredReminder::State::None:
        storeReminderDate(settings, today);
        return;
    case StoredReminder::State::Date:
        break;
    }

    const qint64 daysAway = today.daysTo(stored.date);
    if (daysAway >= -ReminderQuietDays && daysAway <= ReminderQuietDays)
        return;

    const ui::MessageAnswer answer =
        ui::showMessage(parent, updateQuestion(), ui::MessageIcon::Information, ui::MessageButtons::YesNo);
    storeReminderDate(settings, today);
    if (answer == ui::MessageAnswer::Yes)
        modHelp::OpenDownloadPage();
}

}  // namespace zorvane::app
