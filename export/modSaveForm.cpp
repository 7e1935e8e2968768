#include "modSaveForm.h"

#include "BitmapFile.h"
#include "Bmp2Jpeg.h"
#include "Dialogs.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
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

// The rows of picture as the converter reads a bitmap's pixels where they lie
// in memory: 32-bit RGB is the bitmap's byte order where the machine's is
// little-endian, 24-bit BGR elsewhere.
QImage bitmapRows(const QImage& picture)
{
    return picture.convertToFormat(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? QImage::Format_RGB32
                                                                                 : QImage::Format_BGR888);
}

// The BITMAPINFOHEADER of rows: BI_RGB, top down, padded to 32 bits (as
// QImage pads them). dotsPerMeter: the density the JPEG is to carry.
QByteArray bitmapInfoHeader(const QImage& rows, int dotsPerMeter)
{
    using namespace bitmapfile;
    QByteArray header(kInfoHeaderSize, '\0');
    // The offsets count from the start of a file, where the info header
    // follows the file header.
    const auto at = [&header](std::size_t offsetInFile) { return header.data() + offsetInFile - kFileHeaderSize; };
    qToLittleEndian(quint32(kInfoHeaderSize), at(kOffInfoSize));
    qToLittleEndian(qint32(rows.width()), at(kOffWidth));
    qToLittleEndian(qint32(-rows.height()), at(kOffHeight));
    qToLittleEndian(quint16(1), at(kOffPlanes));
    qToLittleEndian(quint16(rows.depth()), at(kOffBitCount));
    qToLittleEndian(quint32(kCompressionNone), at(kOffCompression));
    qToLittleEndian(quint32(rows.sizeInBytes()), at(kOffImageSize));
    qToLittleEndian(qint32(dotsPerMeter), at(kOffXPelsPerMeter));
    qToLittleEndian(qint32(dotsPerMeter), at(kOffYPelsPerMeter));
    return header;
}

// What the screen shows of form: its window's last painting, copied in one
// block from the window's backing store, with nothing painted anew (updates
// still pending are painted first, so that the picture is current). Null
// where the window has no picture of its own in memory: not shown yet, or a
// platform whose backing store is no image.
QPixmap shownPixels(QWidget& form)
{
    QWidget* window = form.window();
    if (!form.isVisible() || !window->backingStore())
        return {};
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    const QPaintDevice* device = window->backingStore()->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return {};
    const auto& painted = *static_cast<const QImage*>(device);
    const qreal ratio = painted.devicePixelRatio();
    const QRect area(form.mapTo(window, QPoint(0, 0)), form.size());
    const QRect pixels = QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio).toAlignedRect();
    if (!painted.rect().contains(pixels))
        return {};
    QImage copy = painted.copy(pixels);
    copy.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(copy));
}

}  // namespace

QPixmap SnapFormClient(QWidget* form)
{
    if (!form || form->width() <= 0 || form->height() <= 0)
        return {};
    if (QPixmap shown = shownPixels(*form); !shown.isNull())
        return shown;
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
    const auto convert = reinterpret_cast<BmpToJpegFromDibFunction>(library.resolve("BmpToJpegFromDib"));
    if (!convert)
        return fail(QStringLiteral("The converter could not be loaded: %1.").arg(library.errorString()));

    // The converter reads the bitmap where it lies in memory: no temporary
    // file, so nothing of it can be left anywhere. Printed at the size the
    // screen showed it: 96 dots per inch on a screen of scale 1.
    const QImage rows = bitmapRows(picture.toImage());
    const QByteArray info =
        bitmapInfoHeader(rows, qRound(screenDotsPerInch * picture.devicePixelRatio() / metresPerInch));

    // The converter never replaces a file: a name taken after it was chosen
    // gives way to the next free one, found by the same rules. Every round
    // finds one more name taken, so the rounds end when the copies run out;
    // the bound holds even if names were freed again in between.
    for (int round = 0; round <= maxCopies; ++round) {
        errno = 0;
        const int result = convert(info.constData(), rows.constBits(), std::size_t(rows.sizeInBytes()),
                                   jpegPath.toUtf8().constData(), conversionQuality, BMP2JPEG_NO_REPLACE);
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
