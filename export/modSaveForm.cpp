#include "modSaveForm.h"

#include "Bmp2Jpeg.h"
#include "Dialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QWidget>

#include <cerrno>
#include <memory>

#ifdef Q_OS_UNIX
#  include <fcntl.h>
#  include <sys/file.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace modSaveForm {

namespace {

using zorvane::ui::MessageButtons;
using zorvane::ui::MessageIcon;

constexpr QChar separator = QLatin1Char('/');
constexpr int maxCopies = 999;
// The converter reads this as JPEG quality on a scale of 1 to 100.
constexpr int conversionQuality = 100;

// Runs of separators become one; a leading pair, the form of a network
// share, stays a pair.
QString withSingleSeparators(const QString& folder)
{
    QString result;
    result.reserve(folder.size());
    for (const QChar c : folder) {
        if (c != separator || !result.endsWith(separator))
            result += c;
    }
    if (folder.startsWith(QStringLiteral("//")))
        result.prepend(separator);
    return result;
}

// reason: the system's error number the converter left, 0 for none.
QString conversionFailure(int result, int reason)
{
    const QString because = reason != 0 ? QStringLiteral(": ") + qt_error_string(reason) : QString();
    switch (result) {
    case BMP2JPEG_BAD_ARGUMENTS:
        return QStringLiteral("The converter refused the file names it was given.");
    case BMP2JPEG_CANNOT_READ:
        return QStringLiteral("The converter could not read the temporary bitmap%1.").arg(because);
    case BMP2JPEG_MALFORMED:
    case BMP2JPEG_UNSUPPORTED:
        return QStringLiteral("The converter does not read this kind of bitmap.");
    case BMP2JPEG_TOO_LARGE:
        return QStringLiteral("The picture is too large for the converter.");
    case BMP2JPEG_ENCODER_FAILED:
        return QStringLiteral("The JPEG encoder failed.");
    case BMP2JPEG_CANNOT_WRITE:
        return QStringLiteral("The JPEG file could not be written%1.").arg(because);
    default:
        return QStringLiteral("The converter failed with code %1.").arg(result);
    }
}

// Hidden names of bitmaps on their way to the converter, where a folder
// cannot hold a file without a name.
const QString bitmapPrefix = QStringLiteral(".zorvane-export-");
const QString bitmapSuffix = QStringLiteral(".bmp");

// Removes the bitmaps that an export killed half-way left in folder: only
// regular files of this user's. Every export holds a lock on its bitmap for
// the bitmap's whole life, so one that can be locked is abandoned, and an
// export running at the same moment (a copy of the program in another
// session of the user's, with a runtime folder of its own) keeps its own.
void removeAbandonedBitmaps(const QString& folder)
{
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList({bitmapPrefix + QLatin1Char('*') + bitmapSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
#ifdef Q_OS_UNIX
        const QByteArray name = QFile::encodeName(entry.filePath());
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.constData());
        ::close(fd);
#else
        // An open file cannot be removed here: one in use stays.
        if (!entry.isSymLink())
            QFile::remove(entry.filePath());
#endif
    }
}

#ifdef Q_OS_UNIX
// Locks the bitmap just created at path, for as long as fd stays open; false
// when it is no longer at its name, taken by another export's clean-up
// between its creation and the lock. On a file system without locks nothing
// is locked, and nothing is taken for abandoned either.
bool lockAtItsName(int fd, const QString& path)
{
    if (::flock(fd, LOCK_EX) != 0)
        return true;
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
           && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}
#endif

// The bitmap handed to the converter, in the JPEG's folder. Where the file
// system allows it, the file has no name at all and is handed over through
// /proc, so that an export killed half-way leaves nothing behind; elsewhere it
// takes a hidden unique name, which the next export into the folder removes
// if this one cannot. It never takes the place of an existing file.
class TemporaryBitmap {
public:
    explicit TemporaryBitmap(const QString& folder)
        : folder_(folder)
    {}
    ~TemporaryBitmap()
    {
        if (named_) {
#ifdef Q_OS_UNIX
            // Removed while still locked, so that no other export's clean-up
            // takes it for abandoned in between.
            QFile::remove(named_->fileName());
            named_->close();
#else
            // An open file cannot be removed here: closed first.
            const QString path = named_->fileName();
            named_->close();
            QFile::remove(path);
#endif
        }
#ifdef Q_OS_LINUX
        if (unnamed_ >= 0)
            ::close(unnamed_);
#endif
    }
    TemporaryBitmap(const TemporaryBitmap&) = delete;
    TemporaryBitmap& operator=(const TemporaryBitmap&) = delete;

    // Creates the file and writes picture into it as a 24-bit bottom-up
    // Windows bitmap; on failure returns false and sets reason.
    bool write(const QImage& picture, QString& reason)
    {
        // Qt writes 32-bit RGB pictures as 24-bit BI_RGB rows, bottom up: the
        // layout the converter reads. Other formats would come out indexed.
        QByteArray bitmap;
        QBuffer buffer(&bitmap);
        if (!buffer.open(QIODevice::WriteOnly) || !picture.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP")) {
            reason = QStringLiteral("The picture could not be turned into a bitmap.");
            return false;
        }
        buffer.close();

        QFile file;
        QString why;
        if (!create(file, why)) {
            reason = QStringLiteral("The temporary bitmap could not be created: %1.").arg(why);
            return false;
        }
        // A write cut short by a full disk or the file size limit reports no
        // error; the next one reports the reason.
        for (qint64 written = 0; written < bitmap.size();) {
            const qint64 n = file.write(bitmap.constData() + written, bitmap.size() - written);
            if (n <= 0) {
                reason = QStringLiteral("The temporary bitmap could not be written: %1.").arg(file.errorString());
                return false;
            }
            written += n;
        }
        file.close();
        return true;
    }

    // The path the converter opens the bitmap by.
    QString path() const
    {
        return path_;
    }

private:
    // Creates the file and opens it in file for unbuffered writing, so that
    // a refused write is reported with its own reason; on failure returns
    // false and sets reason.
    bool create(QFile& file, QString& reason)
    {
        constexpr auto mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
        removeAbandonedBitmaps(folder_);
#ifdef Q_OS_LINUX
        unnamed_ = ::open(QFile::encodeName(folder_).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (unnamed_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            // The folder is missing, full or closed to this user.
            reason = qt_error_string(errno);
            return false;
        }
        if (unnamed_ >= 0) {
            path_ = QStringLiteral("/proc/self/fd/%1").arg(unnamed_);
            // Without /proc the converter could not open it.
            if (QFileInfo::exists(path_))
                return file.open(unnamed_, mode, QFileDevice::DontCloseHandle);
            ::close(unnamed_);
            unnamed_ = -1;
        }
#endif
        for (int attempt = 0; attempt < lockAttempts; ++attempt) {
            named_ = std::make_unique<QTemporaryFile>(
                QDir(folder_).filePath(bitmapPrefix + QStringLiteral("XXXXXX") + bitmapSuffix));
            named_->setAutoRemove(false);
            if (!named_->open()) {
                reason = named_->errorString();
                named_.reset();
                return false;
            }
#ifdef Q_OS_UNIX
            if (!lockAtItsName(named_->handle(), named_->fileName())) {
                named_.reset();
                continue;
            }
#endif
            path_ = named_->fileName();
            if (file.open(named_->handle(), mode, QFileDevice::DontCloseHandle))
                return true;
            reason = file.errorString();
            return false;
        }
        reason = QStringLiteral("other exports into the folder kept removing it");
        return false;
    }

    // New names to try when another export's clean-up takes each one the
    // moment it is made.
    static constexpr int lockAttempts = 64;

    QString folder_;
    QString path_;
    std::unique_ptr<QTemporaryFile> named_;
#ifdef Q_OS_LINUX
    int unnamed_ = -1;
#endif
};

}  // namespace

QPixmap SnapFormClient(QWidget* form)
{
    if (!form || form->width() <= 0 || form->height() <= 0)
        return {};
    return form->grab(form->rect());
}

QString SavePicture(const PanelsWindow& panels, const QString& converterPath)
{
    // A failed capture leaves the previous picture in the holder.
    const QPixmap capture = SnapFormClient(panels.form);
    if (!capture.isNull() && panels.Picture1)
        panels.Picture1->setPixmap(capture);

    zorvane::ui::SaveFileRequest request;
    request.filter = QStringLiteral("JPEG Image (*.jpg)");
    request.defaultSuffix = QStringLiteral("jpg");
    // A taken name gets a numbered copy and is never replaced: asking whether
    // to replace it would mislead.
    request.confirmOverwrite = false;
    const std::optional<QString> chosen = zorvane::ui::dialogs().saveFileName(panels.form, request);
    if (!chosen || chosen->isEmpty())
        return {};
    return ExportJpeg(panels, *chosen, converterPath);
}

QString ExportJpeg(const PanelsWindow& panels, const QString& chosenPath, const QString& converterPath)
{
    // Everything from the first dot of the name on gives way to ".jpg"; dots
    // in folder names stay.
    const qsizetype nameStart = chosenPath.lastIndexOf(separator) + 1;
    const qsizetype dot = chosenPath.indexOf(QLatin1Char('.'), nameStart);
    const QString target = (dot < 0 ? chosenPath : chosenPath.left(dot)) + QStringLiteral(".jpg");

    QString targetFolder;
    QString targetFile;
    SplitFolderAndFile(target, targetFolder, targetFile);
    if (panels.txtFile)
        panels.txtFile->setText(targetFile);

    QString folder = targetFolder;
    QString file = targetFile;
    QString jpegPath = MakeUniqueJpegPath(targetFolder, targetFile, panels.form);
    SplitFolderAndFile(jpegPath, folder, file);
    if (panels.txtFolder)
        panels.txtFolder->setText(folder);
    if (jpegPath.isEmpty())
        return {};

    const auto fail = [&](const QString& reason) {
        zorvane::ui::showMessage(panels.form,
                                 QStringLiteral("The picture could not be saved as %1\r%2").arg(jpegPath, reason),
                                 MessageIcon::Critical, MessageButtons::Ok);
        return QString();
    };

    const QPixmap picture = panels.Picture1 ? panels.Picture1->pixmap() : QPixmap();
    if (picture.isNull())
        return fail(QStringLiteral("There is no picture of the panels to save."));

    QLibrary library(converterPath);
    const auto convert = reinterpret_cast<BmpToJpegExFunction>(library.resolve("BmpToJpegEx"));
    if (!convert)
        return fail(QStringLiteral("The converter could not be loaded: %1.").arg(library.errorString()));

    TemporaryBitmap bitmap(folder);
    QString reason;
    if (!bitmap.write(picture.toImage(), reason))
        return fail(reason);

    // The converter never replaces a file: a name taken after it was chosen
    // gives way to the next free one, found by the same rules. Every round
    // finds one more name taken, so the rounds end when the copies run out;
    // the bound holds even if names were freed again in between.
    const QByteArray bitmapName = QFile::encodeName(bitmap.path());
    for (int round = 0; round <= maxCopies; ++round) {
        errno = 0;
        const int result = convert(bitmapName.constData(), QFile::encodeName(jpegPath).constData(), conversionQuality,
                                   BMP2JPEG_NO_REPLACE);
        const int converterReason = errno;
        if (result == BMP2JPEG_OK) {
            if (!FileExists(jpegPath))
                return fail(QStringLiteral("The converter reported success but wrote no file."));
            return jpegPath;
        }
        if (result != BMP2JPEG_TARGET_EXISTS)
            return fail(conversionFailure(result, converterReason));
        jpegPath = MakeUniqueJpegPath(targetFolder, targetFile, panels.form);
        if (jpegPath.isEmpty())
            return {};
    }
    return fail(QStringLiteral("Every free name was taken while the picture was written."));
}

void SplitFolderAndFile(const QString& path, QString& folder, QString& file)
{
    const qsizetype last = path.lastIndexOf(separator);
    if (last < 0)
        return;
    // With nothing before it, the separator alone names the root folder.
    folder = last == 0 ? QString(separator) : path.left(last);
    file = path.mid(last + 1);
}

QString MakeUniqueJpegPath(const QString& folder, const QString& file, QWidget* parent)
{
    QString directory = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    if (!directory.endsWith(separator))
        directory += separator;
    directory = withSingleSeparators(directory);

    QString name;
    if (file.isEmpty())
        name = TodayStamp() + QStringLiteral(".jpg");
    else if (file.contains(QLatin1Char('.')))
        name = QString(file).replace(QStringLiteral(".bmp"), QStringLiteral(".jpg"), Qt::CaseSensitive);
    else
        name = file + QStringLiteral(".jpg");

    if (!FileExists(directory + name))
        return directory + name;

    for (int copy = 1; copy <= maxCopies; ++copy) {
        const QString numbered = QStringLiteral("_%1.").arg(copy, 3, 10, QLatin1Char('0'));
        const QString candidate = QString(name).replace(QLatin1Char('.'), numbered);
        if (!FileExists(directory + candidate))
            return directory + candidate;
    }

    zorvane::ui::dialogs().message(parent, zorvane::ui::Message{
                                               QStringLiteral(" UNABLE  TO  CREATE  NEW  FILE") + name,
                                               QStringLiteral("There are too many Copies of this file  ") + name,
                                               MessageIcon::Critical,
                                               MessageButtons::Ok,
                                           });
    return {};
}

QString TodayStamp(QDate today)
{
    return today.toString(QStringLiteral("yyyyMMdd"));
}

bool FileExists(const QString& path)
{
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

}  // namespace modSaveForm
