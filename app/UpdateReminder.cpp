#include "UpdateReminder.h"

#include "Dialogs.h"
#include "FileLayer.h"
#include "Logging.h"
#include "modHelp.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

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

std::string fileLayerPath(const QString& path)
{
    return path.toUtf8().toStdString();
}

// Why the settings file or its folder is not used, for the log.
QString reasonOf(int error)
{
    const QString words = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case EACCES:
        return QStringLiteral("a folder on the way may not be entered, or a symbolic link on the way or at its name "
                              "belongs to another user who can change where it leads (%1)")
            .arg(words);
    case EINVAL:
        return QStringLiteral("it is no regular file but a device, a named pipe or a socket, and was not opened");
    case EISDIR:
        return QStringLiteral("it is a folder");
    default:
        return words;
    }
}

// Makes the missing folders of path, each in a folder opened by the file
// layer's rule, so that none is made where another user's link leads; 0 or
// the reason.
int makeFolders(const std::string& path)
{
    files::Folder existing;
    if (const int error = existing.open(path); error != ENOENT)
        return error;
    const std::string parent = files::splitPath(path).folder;
    if (parent == path)
        return ENOENT;
    files::Folder checked;
    if (int error = makeFolders(parent); error != 0 || (error = checked.open(parent)) != 0)
        return error;
    errno = 0;
    return QDir().mkdir(QString::fromStdString(path)) ? 0 : (errno != 0 ? errno : EIO);
}

// The private folder of a settings copy, made and filled before the QSettings
// that reads the copy as it is constructed, and removed after it.
struct PrivateCopy {
    explicit PrivateCopy(const QByteArray& contents)
    {
        QFile file(copyPath());
        ready = folder.isValid() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
                && file.write(contents) == contents.size();
    }
    QString copyPath() const { return folder.filePath(QStringLiteral("Zorvane.conf")); }

    QTemporaryDir folder;
    bool ready = false;
};

// The settings of a file, held in a private copy (openSettingsFile()).
class SettingsCopy final : private PrivateCopy, public QSettings {
public:
    // read: the identity of the file the contents came from; nothing when
    // there was none.
    SettingsCopy(QString file, std::optional<files::FileIdentity> read, const QByteArray& contents)
        : PrivateCopy(contents)
        , QSettings(copyPath(), QSettings::IniFormat)
        , file_(std::move(file))
        , read_(read)
        , contents_(contents)
    {}

    bool isReady() const { return ready; }
    const QString& file() const { return file_; }

    // Puts the synced copy, when it changed, in place of the file it was
    // read from; empty, or the reason.
    QString writeBack()
    {
        QFile copy(copyPath());
        if (!copy.open(QIODevice::ReadOnly))
            return copy.errorString();
        const QByteArray contents = copy.readAll();
        if (contents == contents_)
            return {};
        // The user's own mark, which a new file taking the name would not heed.
        if (read_ && !(QFile::permissions(file_) & QFile::WriteOwner))
            return QStringLiteral("the file is marked read-only");
        const std::string path = fileLayerPath(file_);
        files::Folder folder;
        std::string name;
        int error = folder.openFor(path, name);
        if (error == ENOENT && !read_ && (error = makeFolders(files::splitPath(path).folder)) == 0)
            error = folder.openFor(path, name);
        if (error != 0)
            return reasonOf(error);
        if (read_ && !folder.holds(name, *read_))
            return QStringLiteral("another file has taken its name since it was read");
        files::NewFile written;
        error = written.create(folder);
        if (error == 0)
            error = written.write(contents.constData(), std::size_t(contents.size()));
        if (error == 0)
            error = written.commit(name, read_ ? files::Commit::Replace : files::Commit::NewOnly);
        if (error != 0)
            return reasonOf(error);
        contents_ = contents;
        return {};
    }

private:
    QString file_;
    std::optional<files::FileIdentity> read_;
    QByteArray contents_;
};

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
#ifdef Q_OS_WIN
    // The registry, where a file's hazards do not arise.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zorvane"),
                                       QStringLiteral("Zorvane"));
#else
    return openSettingsFile(userSettingsFile());
#endif
}

QString userSettingsFile()
{
    // Where QSettings keeps the native per-user store of this name.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Zorvane/Zorvane.conf"));
}

std::unique_ptr<QSettings> openSettingsFile(const QString& path)
{
    std::optional<files::FileIdentity> read;
    QByteArray contents;
    QString refusal;
    files::Folder folder;
    std::string name;
    int error = folder.openFor(fileLayerPath(path), name);
    files::InputFile file;
    if (error == 0 && (error = file.open(folder, name)) == 0) {
        if (file.size() > std::uint64_t(MaxSettingsFileBytes)) {
            refusal = QStringLiteral("it holds %1 bytes, more than the %2 of a settings file")
                          .arg(file.size())
                          .arg(MaxSettingsFileBytes);
        } else {
            contents.resize(qsizetype(file.size()));
            error = file.readAt(contents.data(), std::size_t(contents.size()), 0);
            read = file.identity();
        }
    }
    // Nothing at the name, or no folder yet: nothing is stored.
    if (error != 0 && error != ENOENT)
        refusal = reasonOf(error);
    if (refusal.isEmpty()) {
        auto copy = std::make_unique<SettingsCopy>(path, read, contents);
        if (copy->isReady())
            return copy;
        refusal = QStringLiteral("there is no private folder for a copy of it");
    }
    qCWarning(lcProgram).noquote() << "The settings in" << QDir::toNativeSeparators(path) << "are not used:" << refusal
                                   << "- the update reminder does not run at this start, and nothing is written there.";
    return nullptr;
}

bool writeSettings(QSettings& settings)
{
    settings.sync();
    auto* copy = dynamic_cast<SettingsCopy*>(&settings);
    QString reason;
    if (settings.status() == QSettings::AccessError)
        reason = QStringLiteral("the file cannot be written");
    else if (settings.status() == QSettings::FormatError)
        reason = QStringLiteral("the file is not in a form that can be read");
    else if (copy)
        reason = copy->writeBack();
    if (reason.isEmpty())
        return true;
    qCWarning(lcProgram).noquote()
        << "The update reminder's date could not be stored in"
        << QDir::toNativeSeparators(copy ? copy->file() : settings.fileName()) + QStringLiteral(":") << reason
        << "- today's date is not kept, and the reminder acts at the next start as if it had not run today.";
    return false;
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
