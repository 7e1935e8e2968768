#include "modSaveForm.h"

#include "Bmp2Jpeg.h"
#include "Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QWidget>

#include <memory>

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

QString conversionFailure(int result)
{
    switch (result) {
    case BMP2JPEG_BAD_ARGUMENTS:
        return QStringLiteral("The converter refused the file names it was given.");
    case BMP2JPEG_CANNOT_READ:
        return QStringLiteral("The converter could not read the temporary bitmap.");
    case BMP2JPEG_MALFORMED:
    case BMP2JPEG_UNSUPPORTED:
        return QStringLiteral("The converter does not read this kind of bitmap.");
    case BMP2JPEG_TOO_LARGE:
        return QStringLiteral("The picture is too large for the converter.");
    case BMP2JPEG_ENCODER_FAILED:
        return QStringLiteral("The JPEG encoder failed.");
    case BMP2JPEG_CANNOT_WRITE:
        return QStringLiteral("The JPEG file could not be written.");
    default:
        return QStringLiteral("The converter failed with code %1.").arg(result);
    }
}

// The bitmap handed to the converter, beside the JPEG. It takes the JPEG's
// name with ".bmp" when that name is free and a unique variant of it
// otherwise, so it never takes the place of an existing file; only the file
// it created itself is removed again.
class TemporaryBitmap {
public:
    explicit TemporaryBitmap(const QString& jpegPath)
    {
        const qsizetype dot = jpegPath.lastIndexOf(QLatin1Char('.'));
        stem_ = dot > jpegPath.lastIndexOf(separator) ? jpegPath.left(dot) : jpegPath;
    }
    ~TemporaryBitmap()
    {
        if (file_ && created_) {
            file_->close();
            QFile::remove(file_->fileName());
        }
    }
    TemporaryBitmap(const TemporaryBitmap&) = delete;
    TemporaryBitmap& operator=(const TemporaryBitmap&) = delete;

    // Creates the file and writes picture into it as a 24-bit bottom-up
    // Windows bitmap; on failure returns false and sets reason.
    bool write(const QImage& picture, QString& reason)
    {
        const QString plainName = stem_ + QStringLiteral(".bmp");
        if (FileExists(plainName)) {
            auto unique = std::make_unique<QTemporaryFile>(stem_ + QStringLiteral("_XXXXXX.bmp"));
            unique->setAutoRemove(false);
            created_ = unique->open();
            file_ = std::move(unique);
        } else {
            file_ = std::make_unique<QFile>(plainName);
            created_ = file_->open(QIODevice::WriteOnly | QIODevice::NewOnly);
        }
        if (!created_) {
            reason = QStringLiteral("The temporary bitmap could not be created: %1.").arg(file_->errorString());
            return false;
        }
        // Qt writes 32-bit RGB pictures as 24-bit BI_RGB rows, bottom up: the
        // layout the converter reads. Other formats would come out indexed.
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        if (!rgb.save(file_.get(), "BMP") || !file_->flush()) {
            reason = QStringLiteral("The temporary bitmap could not be written: %1.").arg(file_->errorString());
            return false;
        }
        file_->close();
        return true;
    }

    QString path() const { return file_ ? file_->fileName() : QString(); }

private:
    QString stem_;
    std::unique_ptr<QFile> file_;
    bool created_ = false;
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

    QString folder;
    QString file;
    SplitFolderAndFile(target, folder, file);
    if (panels.txtFile)
        panels.txtFile->setText(file);

    const QString jpegPath = MakeUniqueJpegPath(folder, file, panels.form);
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
    const auto convert = reinterpret_cast<BmpToJpegFunction>(library.resolve("BmpToJpeg"));
    if (!convert)
        return fail(QStringLiteral("The converter could not be loaded: %1.").arg(library.errorString()));

    TemporaryBitmap bitmap(jpegPath);
    QString reason;
    if (!bitmap.write(picture.toImage(), reason))
        return fail(reason);

    const int result = convert(QFile::encodeName(bitmap.path()).constData(), QFile::encodeName(jpegPath).constData(),
                               conversionQuality);
    if (result != BMP2JPEG_OK)
        return fail(conversionFailure(result));
    if (!FileExists(jpegPath))
        return fail(QStringLiteral("The converter reported success but wrote no file."));
    return jpegPath;
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
