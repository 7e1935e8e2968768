#include "modSaveForm.h"

#include "BitmapFile.h"
#include "Bmp2Jpeg.h"
#include "Dialogs.h"
#include "FileLayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QStandardPaths>
#include <QSysInfo>
#include <QWidget>
#include <QtEndian>

#include <cerrno>
#include <cstring>

namespace modSaveForm {

namespace {

using zorvane::ui::MessageButtons;
using zorvane::ui::MessageIcon;

constexpr QChar separator = QLatin1Char('/');
constexpr int maxCopies = 999;
// The converter reads this as JPEG quality on a scale of 1 to 100.
constexpr int conversionQuality = 100;
constexpr double screenDotsPerInch = 96;
constexpr double metresPerInch = 0.0254;

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

// The words of an errno value, as the converter and the file layer give it on
// every system (qt_error_string takes a Windows error code there).
QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// reason: the system's error number the converter left, 0 for none.
QString conversionFailure(int result, int reason)
{
    const QString because = reason != 0 ? QStringLiteral(": ") + errorText(reason) : QString();
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

// The headers of a Windows bitmap whose pixels are rows as the converter
// reads them: BI_RGB, top down, padded to 32 bits (as QImage pads them), of 32
// bits a pixel (the fourth byte unused) or 24.
QByteArray bitmapHeaders(const QImage& rows, int dotsPerMeter)
{
    using namespace bitmapfile;
    QByteArray headers(kHeadersSize, '\0');
    char* const bytes = headers.data();
    const auto put16 = [bytes](std::size_t offset, quint16 value) { qToLittleEndian(value, bytes + offset); };
    const auto put32 = [bytes](std::size_t offset, qint64 value) { qToLittleEndian(quint32(value), bytes + offset); };
    bytes[kOffMagic] = 'B';
    bytes[kOffMagic + 1] = 'M';
    put32(kOffFileSize, qint64(kHeadersSize) + rows.sizeInBytes());
    put32(kOffPixelData, kHeadersSize);
    put32(kOffInfoSize, kInfoHeaderSize);
    put32(kOffWidth, rows.width());
    put32(kOffHeight, -rows.height());
    put16(kOffPlanes, 1);
    put16(kOffBitCount, quint16(rows.depth()));
    put32(kOffCompression, kCompressionNone);
    put32(kOffImageSize, rows.sizeInBytes());
    put32(kOffXPelsPerMeter, dotsPerMeter);
    put32(kOffYPelsPerMeter, dotsPerMeter);
    return headers;
}

// Where bitmaps wait for the converter: a folder of the program's own, never
// the user's, under the runtime folder or, where there is none, the cache
// folder; empty when none can be made.
QString privateFolder()
{
    QString base;
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString folder = QDir(base).filePath(QStringLiteral("zorvane-export"));
    const bool made = !base.isEmpty() && QDir().mkpath(folder)
                      && QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return made ? folder : QString();
}

// Writes picture as a bitmap into a new file of the program's private folder,
// where one that a killed export left goes first; empty when written, the
// reason otherwise. dotsPerMeter: the density the JPEG is to carry.
QString writeBitmap(zorvane::files::Folder& folder, zorvane::files::NewFile& bitmap, const QImage& picture,
                    int dotsPerMeter)
{
    const QString path = privateFolder();
    if (path.isEmpty())
        return QStringLiteral("There is no private folder for the temporary bitmap.");
    if (int error = folder.open(path.toUtf8().toStdString()); error != 0 || (error = bitmap.create(folder)) != 0)
        return QStringLiteral("The temporary bitmap could not be created: %1.").arg(errorText(error));
    // The pixels go as they lie in memory: 32-bit RGB is the bitmap's byte
    // order where the machine's is little-endian, 24-bit BGR elsewhere.
    const QImage rows = picture.convertToFormat(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? QImage::Format_RGB32
                                                                                              : QImage::Format_BGR888);
    const QByteArray headers = bitmapHeaders(rows, dotsPerMeter);
    int error = bitmap.write(headers.constData(), std::size_t(headers.size()));
    if (error == 0)
        error = bitmap.write(rows.constBits(), std::size_t(rows.sizeInBytes()));
    if (error != 0)
        return QStringLiteral("The temporary bitmap could not be written: %1.").arg(errorText(error));
    return {};
}

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

    // Printed at the size the screen showed it: 96 dots per inch on a
    // screen of scale 1.
    const int dotsPerMeter = qRound(screenDotsPerInch * picture.devicePixelRatio() / metresPerInch);
    zorvane::files::Folder bitmapFolder;
    zorvane::files::NewFile bitmap;
    if (const QString reason = writeBitmap(bitmapFolder, bitmap, picture.toImage(), dotsPerMeter); !reason.isEmpty())
        return fail(reason);

    // The converter never replaces a file: a name taken after it was chosen
    // gives way to the next free one, found by the same rules. Every round
    // finds one more name taken, so the rounds end when the copies run out;
    // the bound holds even if names were freed again in between.
    const std::string bitmapName = bitmap.path();
    for (int round = 0; round <= maxCopies; ++round) {
        errno = 0;
        const int result =
            convert(bitmapName.c_str(), jpegPath.toUtf8().constData(), conversionQuality, BMP2JPEG_NO_REPLACE);
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
