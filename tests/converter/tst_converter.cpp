// The picture converter: bitmaps in, JPEG files out, and nothing half written
// or left behind when a bitmap cannot be converted.

#include "Bmp2Jpeg.h"
#include "FileSizeSignal.h"
#include "FilesAndPictures.h"
#include "OtherUser.h"
#include "UnnamedFiles.h"
#include "export/ConverterLibrary.h"

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibrary>
#include <QPainter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using zorvane::test::contentOf;
using zorvane::test::entriesIn;
using zorvane::test::FileSizeLimit;
using zorvane::test::meanDifference;
using zorvane::test::noisePicture;
using zorvane::test::OtherUser;
using zorvane::test::refuseUnnamedFiles;
using zorvane::test::SmallDisk;
using zorvane::test::unnamedFilesIn;
using zorvane::test::withoutUnnamedFilesRequested;
using zorvane::test::writeFile;

namespace {

// Run once where the converter is about to give a finished picture its name
// by renaming its hidden part: the moment at which a conversion into the
// same folder clears the parts it finds abandoned.
std::function<void()> beforePartRenamed;

void partAboutToBeRenamed(const char* from)
{
    const char* name = std::strrchr(from, '/');
    name = name ? name + 1 : from;
    constexpr char partPrefix[] = ".bmp2jpeg-";
    if (beforePartRenamed && std::strncmp(name, partPrefix, sizeof partPrefix - 1) == 0)
        std::exchange(beforePartRenamed, nullptr)();
}

}  // namespace

// The converter's renames come here first: the test program's own
// definitions stand before the C library's.
extern "C" int rename(const char* from, const char* to) noexcept
{
    static const auto real = reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    partAboutToBeRenamed(from);
    return real(from, to);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) noexcept
{
    static const auto real =
        reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned int)>(::dlsym(RTLD_NEXT, "renameat2"));
    partAboutToBeRenamed(from);
    return real(fromFolder, from, toFolder, to, flags);
}

namespace {

// JPEG at quality 100 with full-resolution colour stays within a few steps
// of 255 on average.
constexpr double kMaxMeanError = 3.0;

// Byte offsets of the header fields the malformed cases alter.
constexpr int kOffMagic = 0;
constexpr int kOffPixelData = 10;
constexpr int kOffInfoSize = 14;
constexpr int kOffWidth = 18;
constexpr int kOffHeight = 22;
constexpr int kOffPlanes = 26;
constexpr int kOffBitCount = 28;
constexpr int kOffCompression = 30;

constexpr int kCompressionRle8 = 1;
constexpr int kCompressionRle4 = 2;
constexpr int kCompressionBitFields = 3;
constexpr int kCompressionPng = 5;

void putLe16(QByteArray& bytes, int offset, quint16 value)
{
    bytes[offset] = char(value & 0xff);
    bytes[offset + 1] = char(value >> 8);
}

void putLe32(QByteArray& bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xff);
}

void appendLe16(QByteArray& bytes, quint16 value)
{
    bytes.append(2, '\0');
    putLe16(bytes, bytes.size() - 2, value);
}

void appendLe32(QByteArray& bytes, quint32 value)
{
    bytes.append(4, '\0');
    putLe32(bytes, bytes.size() - 4, value);
}

quint16 le16At(const QByteArray& bytes, int offset)
{
    return quint16(quint8(bytes[offset]) | (quint8(bytes[offset + 1]) << 8));
}

quint32 le32At(const QByteArray& bytes, int offset)
{
    return quint32(le16At(bytes, offset)) | (quint32(le16At(bytes, offset + 2)) << 16);
}

struct BitmapLayout {
    int bitCount = 24;
    int infoSize = 40;
    int gap = 0;  // bytes between the headers and the pixel data
    bool topDown = false;
    bool bitFields = false;
};

// A Windows bitmap file of picture, written field by field.
QByteArray bitmapFile(const QImage& picture, const BitmapLayout& layout = {})
{
    const int width = picture.width();
    const int height = picture.height();
    const int bytesPerPixel = layout.bitCount / 8;
    const int rowBytes = (width * bytesPerPixel + 3) / 4 * 4;
    const int masksSize = layout.bitFields ? 12 : 0;
    const int pixelOffset = 14 + layout.infoSize + masksSize + layout.gap;

    QByteArray bytes("BM");
    appendLe32(bytes, quint32(pixelOffset + rowBytes * height));
    appendLe32(bytes, 0);
    appendLe32(bytes, quint32(pixelOffset));
    appendLe32(bytes, quint32(layout.infoSize));
    appendLe32(bytes, quint32(width));
    appendLe32(bytes, quint32(layout.topDown ? -height : height));
    appendLe16(bytes, 1);
    appendLe16(bytes, quint16(layout.bitCount));
    appendLe32(bytes, layout.bitFields ? kCompressionBitFields : 0);
    appendLe32(bytes, quint32(rowBytes * height));
    appendLe32(bytes, 3780);  // 96 dots per inch
    appendLe32(bytes, 3780);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    bytes.append(14 + layout.infoSize - bytes.size(), '\0');
    if (layout.bitFields) {
        appendLe32(bytes, 0x00ff0000);
        appendLe32(bytes, 0x0000ff00);
        appendLe32(bytes, 0x000000ff);
    }
    bytes.append(layout.gap, '\x5a');

    for (int row = 0; row < height; ++row) {
        const int y = layout.topDown ? row : height - 1 - row;
        const int start = bytes.size();
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            bytes.append(char(qBlue(pixel)));
            bytes.append(char(qGreen(pixel)));
            bytes.append(char(qRed(pixel)));
            // The fourth byte carries no colour; vary it so that a reader
            // taking it into account shows.
            if (bytesPerPixel == 4)
                bytes.append(char((x * 37 + y * 11) & 0xff));
        }
        bytes.append(start + rowBytes - bytes.size(), '\0');
    }
    return bytes;
}

// OS/2 1.x bitmap: a 12-byte core header with 16-bit dimensions.
QByteArray coreHeaderBitmap(const QImage& picture)
{
    const int rowBytes = (picture.width() * 3 + 3) / 4 * 4;
    QByteArray bytes("BM");
    appendLe32(bytes, quint32(26 + rowBytes * picture.height()));
    appendLe32(bytes, 0);
    appendLe32(bytes, 26);
    appendLe32(bytes, 12);
    appendLe16(bytes, quint16(picture.width()));
    appendLe16(bytes, quint16(picture.height()));
    appendLe16(bytes, 1);
    appendLe16(bytes, 24);
    bytes.append(rowBytes * picture.height(), '\x40');
    return bytes;
}

// OS/2 2.x bitmap with the shortest of its headers: 16 bytes, 32-bit
// dimensions, nothing after the bit count.
QByteArray shortOs2HeaderBitmap(const QImage& picture)
{
    const int rowBytes = (picture.width() * 3 + 3) / 4 * 4;
    QByteArray bytes("BM");
    appendLe32(bytes, quint32(30 + rowBytes * picture.height()));
    appendLe32(bytes, 0);
    appendLe32(bytes, 30);
    appendLe32(bytes, 16);
    appendLe32(bytes, quint32(picture.width()));
    appendLe32(bytes, quint32(picture.height()));
    appendLe16(bytes, 1);
    appendLe16(bytes, 24);
    bytes.append(rowBytes * picture.height(), '\x40');
    return bytes;
}

// Smooth gradients, for the encoder's steady areas, and hard-edged blocks,
// for its edges; no two quadrants alike, so that any flip or shift shows.
QImage testPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int red = width > 1 ? x * 255 / (width - 1) : 128;
            const int green = height > 1 ? y * 255 / (height - 1) : 64;
            picture.setPixel(x, y, qRgb(red, green, (red + 2 * green) / 3));
        }
    }
    QPainter painter(&picture);
    painter.fillRect(width / 8, height / 8, width / 4, height / 4, QColor(64, 0, 64));
    painter.fillRect(width / 2, height / 2, width / 3, height / 5, QColor(255, 255, 0));
    painter.fillRect(width / 2, height / 8, width / 6, height / 3, QColor(0, 0, 255));
    return picture;
}

QImage decodeJpeg(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray jpeg = file.readAll();
    const std::unique_ptr<void, int (*)(tjhandle)> decompressor(tjInitDecompress(), tjDestroy);
    if (!decompressor)
        return {};
    auto* data = reinterpret_cast<unsigned char*>(jpeg.data());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(decompressor.get(), data, static_cast<unsigned long>(jpeg.size()), &width, &height,
                            &subsampling, &colorspace)
        != 0)
        return {};
    QImage decoded(width, height, QImage::Format_RGB888);
    if (tjDecompress2(decompressor.get(), data, static_cast<unsigned long>(jpeg.size()), decoded.bits(), width,
                      int(decoded.bytesPerLine()), height, TJPF_RGB, TJFLAG_ACCURATEDCT)
        != 0)
        return {};
    return decoded;
}

int convert(const QString& bitmapPath, const QString& jpegPath, int quality = 100)
{
    return BmpToJpeg(bitmapPath.toUtf8().constData(), jpegPath.toUtf8().constData(), quality);
}

// The permission bits of path, in octal as chmod takes them; empty when
// nothing is there.
QString modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QString::number(info.st_mode & 0777, 8);
}

// A valid 24-bit bitmap to alter field by field.
QByteArray validBitmap()
{
    return bitmapFile(testPicture(7, 5));
}

QByteArray withLe16(QByteArray bytes, int offset, quint16 value)
{
    putLe16(bytes, offset, value);
    return bytes;
}

QByteArray withLe32(QByteArray bytes, int offset, quint32 value)
{
    putLe32(bytes, offset, value);
    return bytes;
}

// A bitmap as Qt itself writes it for an image format.
QByteArray savedByQt(const QImage& image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("qt.bmp"));
    return image.save(path, "BMP") ? contentOf(path) : QByteArray();
}

QImage paletteImage(QImage::Format format, int colours)
{
    QImage image(9, 4, format);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb(i * 255 / (colours - 1), 255 - i * 255 / (colours - 1), 90));
    image.setColorTable(table);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, uint((x + y) % colours));
    return image;
}

// The umask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask)
        : m_old(::umask(mask))
    {}
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

}  // namespace

class tst_Converter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void convertsHandWrittenBitmaps_data();
    void convertsHandWrittenBitmaps();
    void convertsBitmapsSavedByQt_data();
    void convertsBitmapsSavedByQt();
    void convertsUnderNonAsciiPaths();
    void convertsAtSideLimit_data();
    void convertsAtSideLimit();
    void replacesExistingJpeg_data();
    void replacesExistingJpeg();
    void newJpegFollowsUmask_data();
    void newJpegFollowsUmask();
    void keepsWhatStandsWhenAsked_data();
    void keepsWhatStandsWhenAsked();
    void passesQualityToEncoder();
    void rejectsBadBitmaps_data();
    void rejectsBadBitmaps();
    void rejectsEveryTruncation_data();
    void rejectsEveryTruncation();
    void survivesAlteredHeaderBytes_data();
    void survivesAlteredHeaderBytes();
    void rejectsUnreadableBitmaps_data();
    void rejectsUnreadableBitmaps();
    void readsBitmapOpenedOnce();
    void reportsWriteFailures_data();
    void reportsWriteFailures();
    void reportsFullDisk();
    void removesAbandonedParts_data();
    void removesAbandonedParts();
    void keepsPartWhileNaming_data();
    void keepsPartWhileNaming();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
    void loadsAtRunTimeBesideProgram();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Converter::initTestCase()
{
    // A write beyond the file size limit fails, as in the program.
    zorvane::app::keepRunningAtFileSizeLimit();
    if (withoutUnnamedFilesRequested()) {
        QVERIFY(refuseUnnamedFiles());
        QVERIFY(!unnamedFilesIn(QDir::tempPath()));
    }
}

void tst_Converter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Converter::cleanup()
{
    // A test may have left its folder read-only.
    ::chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
    m_dir.reset();
}

void tst_Converter::convertsHandWrittenBitmaps_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("gap");

    // Widths of every remainder modulo 4 give every amount of row padding.
    const QList<QSize> sizes = {QSize(1, 1),   QSize(2, 9),   QSize(3, 3),   QSize(7, 5),
                                QSize(64, 48), QSize(301, 1), QSize(1, 300), QSize(640, 480)};
    for (const int bitCount : {24, 32}) {
        for (const QSize& size : sizes) {
            // clang-format off
            QTest::addRow("%d-bit %dx%d", bitCount, size.width(), size.height()) << bitCount << size << 0;
            // clang-format on
        }
        // clang-format off
        QTest::addRow("%d-bit 33x17, 12 bytes before pixels", bitCount) << bitCount << QSize(33, 17) << 12;
        // clang-format on
    }
}

void tst_Converter::convertsHandWrittenBitmaps()
{
    QFETCH(int, bitCount);
    QFETCH(QSize, size);
    QFETCH(int, gap);

    const QImage picture = testPicture(size.width(), size.height());
    BitmapLayout layout;
    layout.bitCount = bitCount;
    layout.gap = gap;
    const QByteArray bitmap = bitmapFile(picture, layout);
    QVERIFY(writeFile(path("in.bmp"), bitmap));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    const QImage decoded = decodeJpeg(path("out.jpg"));
    QCOMPARE(decoded.size(), size);
    const double error = meanDifference(picture, decoded);
    QVERIFY2(error < kMaxMeanError, qPrintable(QStringLiteral("mean error %1").arg(error)));
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
}

void tst_Converter::convertsBitmapsSavedByQt_data()
{
    QTest::addColumn<QImage::Format>("format");

    // clang-format off
    QTest::newRow("RGB32")                  << QImage::Format_RGB32;
    QTest::newRow("ARGB32")                 << QImage::Format_ARGB32;
    QTest::newRow("ARGB32 premultiplied")   << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("RGB888")                 << QImage::Format_RGB888;
    // clang-format on
}

// Window captures reach the converter as bitmaps written by QImage::save.
void tst_Converter::convertsBitmapsSavedByQt()
{
    QFETCH(QImage::Format, format);

    const QImage picture = testPicture(120, 90).convertToFormat(format);
    QVERIFY(picture.save(path("capture.bmp")));
    const QByteArray bitmap = contentOf(path("capture.bmp"));
    // Qt writes true-colour pictures as 24-bit BI_RGB bitmaps.
    QCOMPARE(le16At(bitmap, kOffBitCount), quint16(24));

    QCOMPARE(convert(path("capture.bmp"), path("capture.jpg")), int(BMP2JPEG_OK));

    const QImage decoded = decodeJpeg(path("capture.jpg"));
    QCOMPARE(decoded.size(), picture.size());
    QCOMPARE_LT(meanDifference(picture, decoded), kMaxMeanError);
    QCOMPARE(contentOf(path("capture.bmp")), bitmap);
}

void tst_Converter::convertsUnderNonAsciiPaths()
{
    const QString folder = path(QStringLiteral("Bilder ü"));
    QVERIFY(QDir().mkpath(folder));
    const QString bitmapPath = folder + QStringLiteral("/Übersicht.bmp");
    const QString jpegPath = folder + QStringLiteral("/Übersicht.jpg");
    const QImage picture = testPicture(40, 30);
    QVERIFY(writeFile(bitmapPath, bitmapFile(picture)));

    QCOMPARE(convert(bitmapPath, jpegPath), int(BMP2JPEG_OK));

    QCOMPARE(entriesIn(folder), QStringList({QStringLiteral("Übersicht.bmp"), QStringLiteral("Übersicht.jpg")}));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(jpegPath)), kMaxMeanError);
}

void tst_Converter::convertsAtSideLimit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("expected");

    const int ok = BMP2JPEG_OK;
    const int tooLarge = BMP2JPEG_TOO_LARGE;
    const int limit = BMP2JPEG_MAX_SIDE;
    // clang-format off
    for (const int bitCount : {24, 32}) {
        QTest::addRow("%d-bit, width at limit", bitCount)       << QSize(limit, 1) << bitCount << ok;
        QTest::addRow("%d-bit, height at limit", bitCount)      << QSize(1, limit) << bitCount << ok;
        QTest::addRow("%d-bit, width one above", bitCount)      << QSize(limit + 1, 1) << bitCount << tooLarge;
        QTest::addRow("%d-bit, height one above", bitCount)     << QSize(1, limit + 1) << bitCount << tooLarge;
    }
    // clang-format on
}

// Whole bitmaps one pixel thin, so that the largest sides cost little memory.
void tst_Converter::convertsAtSideLimit()
{
    QFETCH(QSize, size);
    QFETCH(int, bitCount);
    QFETCH(int, expected);

    const QImage picture = testPicture(size.width(), size.height());
    BitmapLayout layout;
    layout.bitCount = bitCount;
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture, layout)));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), expected);

    if (expected == BMP2JPEG_OK) {
        const QImage decoded = decodeJpeg(path("out.jpg"));
        QCOMPARE(decoded.size(), size);
        QCOMPARE_LT(meanDifference(picture, decoded), kMaxMeanError);
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
    } else {
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp"}));
    }
}

void tst_Converter::replacesExistingJpeg_data()
{
    QTest::addColumn<int>("mode");

    // clang-format off
    QTest::newRow("owner only")              << 0600;
    QTest::newRow("group may read")          << 0640;
    QTest::newRow("everyone may read")       << 0644;
    QTest::newRow("group may write")         << 0664;
    QTest::newRow("read-only file")          << 0444;
    // clang-format on
}

// The new picture takes the old one's place and its permissions, whatever
// the umask would give a new file.
void tst_Converter::replacesExistingJpeg()
{
    QFETCH(int, mode);

    const Umask mask(022);
    const QImage picture = testPicture(50, 20);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    QVERIFY(writeFile(path("out.jpg"), QByteArray("an older picture")));
    QCOMPARE(::chmod(QFile::encodeName(path("out.jpg")).constData(), mode_t(mode)), 0);

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
    QCOMPARE(modeOf(path("out.jpg")), QString::number(mode, 8));
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
}

void tst_Converter::newJpegFollowsUmask_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("noReplace");

    // clang-format off
    for (const bool noReplace : {false, true}) {
        const char* const how = noReplace ? "new only" : "may replace";
        QTest::addRow("umask 022, %s", how)        << 022 << noReplace;
        QTest::addRow("umask 077, %s", how)        << 077 << noReplace;
        QTest::addRow("umask 002, %s", how)        << 002 << noReplace;
    }
    // clang-format on
}

void tst_Converter::newJpegFollowsUmask()
{
    QFETCH(int, mask);
    QFETCH(bool, noReplace);

    QVERIFY(writeFile(path("in.bmp"), validBitmap()));
    {
        const Umask scoped{mode_t(mask)};
        QCOMPARE(BmpToJpegEx(QFile::encodeName(path("in.bmp")).constData(),
                             QFile::encodeName(path("out.jpg")).constData(), 100,
                             noReplace ? int(BMP2JPEG_NO_REPLACE) : 0),
                 int(BMP2JPEG_OK));
    }

    QCOMPARE(modeOf(path("out.jpg")), QString::number(0666 & ~mask, 8));
}

void tst_Converter::keepsWhatStandsWhenAsked_data()
{
    QTest::addColumn<QString>("standing");

    // clang-format off
    QTest::newRow("nothing")                 << QStringLiteral("nothing");
    QTest::newRow("file")                    << QStringLiteral("file");
    QTest::newRow("empty file")              << QStringLiteral("empty");
    QTest::newRow("folder")                  << QStringLiteral("folder");
    QTest::newRow("link to a file")          << QStringLiteral("link");
    QTest::newRow("link leading nowhere")    << QStringLiteral("dangling");
    // clang-format on
}

// Asked not to replace, the converter writes a new file only where nothing
// stands, and follows no link.
void tst_Converter::keepsWhatStandsWhenAsked()
{
    QFETCH(QString, standing);

    const QImage picture = testPicture(40, 30);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    QVERIFY(QDir().mkdir(path("elsewhere")));
    const QByteArray earlier("a file of the user's, to be kept byte for byte");
    const QString target = path("out.jpg");
    if (standing == QLatin1String("file")) {
        QVERIFY(writeFile(target, earlier));
    } else if (standing == QLatin1String("empty")) {
        QVERIFY(writeFile(target, QByteArray()));
    } else if (standing == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(target));
    } else if (standing == QLatin1String("link")) {
        QVERIFY(writeFile(path("elsewhere/kept.jpg"), earlier));
        QVERIFY(QFile::link(path("elsewhere/kept.jpg"), target));
    } else if (standing == QLatin1String("dangling")) {
        QVERIFY(QFile::link(path("elsewhere/created.jpg"), target));
    }
    const QStringList before = entriesIn(m_dir->path());
    const QByteArray contentBefore = contentOf(target);

    errno = EBADF;
    const int result = BmpToJpegEx(QFile::encodeName(path("in.bmp")).constData(), QFile::encodeName(target).constData(),
                                   100, BMP2JPEG_NO_REPLACE);
    const int reason = errno;

    if (standing == QLatin1String("nothing")) {
        QCOMPARE(result, int(BMP2JPEG_OK));
        QCOMPARE_LT(meanDifference(picture, decodeJpeg(target)), kMaxMeanError);
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"elsewhere", "in.bmp", "out.jpg"}));
    } else {
        QCOMPARE(result, int(BMP2JPEG_TARGET_EXISTS));
        QCOMPARE(entriesIn(m_dir->path()), before);
        QCOMPARE(contentOf(target), contentBefore);
    }
    QCOMPARE(reason, 0);
    const QStringList elsewhere = standing == QLatin1String("link") ? QStringList({"kept.jpg"}) : QStringList();
    QCOMPARE(entriesIn(path("elsewhere")), elsewhere);
    if (standing == QLatin1String("link"))
        QCOMPARE(contentOf(path("elsewhere/kept.jpg")), earlier);
}

void tst_Converter::passesQualityToEncoder()
{
    const QImage picture = testPicture(160, 120);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));

    QCOMPARE(convert(path("in.bmp"), path("low.jpg"), 5), int(BMP2JPEG_OK));
    QCOMPARE(convert(path("in.bmp"), path("high.jpg"), 100), int(BMP2JPEG_OK));

    QCOMPARE_LT(QFileInfo(path("low.jpg")).size(), QFileInfo(path("high.jpg")).size());
    QCOMPARE_GT(meanDifference(picture, decodeJpeg(path("low.jpg"))),
                meanDifference(picture, decodeJpeg(path("high.jpg"))));
}

void tst_Converter::rejectsBadBitmaps_data()
{
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<int>("expected");

    const QByteArray valid = validBitmap();
    const int malformed = BMP2JPEG_MALFORMED;
    const int unsupported = BMP2JPEG_UNSUPPORTED;
    const int tooLarge = BMP2JPEG_TOO_LARGE;

    // clang-format off
    QTest::newRow("empty file")                    << QByteArray() << malformed;
    QTest::newRow("truncated file header")         << valid.left(10) << malformed;
    QTest::newRow("truncated info header")         << valid.left(30) << malformed;
    QTest::newRow("truncated pixel data")          << valid.chopped(1) << malformed;
    QTest::newRow("wrong magic")                   << withLe16(valid, kOffMagic, 'M' | ('B' << 8)) << malformed;
    QTest::newRow("unknown info header size")      << withLe32(valid, kOffInfoSize, 20) << malformed;
    QTest::newRow("info header beyond file end")   << withLe32(validBitmap().left(60), kOffInfoSize, 124)
                                                   << malformed;
    QTest::newRow("zero width")                    << withLe32(valid, kOffWidth, 0) << malformed;
    QTest::newRow("negative width")                << withLe32(valid, kOffWidth, quint32(-7)) << malformed;
    QTest::newRow("zero height")                   << withLe32(valid, kOffHeight, 0) << malformed;
    QTest::newRow("two planes")                    << withLe16(valid, kOffPlanes, 2) << malformed;
    QTest::newRow("7 bits per pixel")              << withLe16(valid, kOffBitCount, 7) << malformed;
    QTest::newRow("pixel data inside headers")     << withLe32(valid, kOffPixelData, 20) << malformed;
    QTest::newRow("pixel data past file end")      << withLe32(valid, kOffPixelData, quint32(valid.size()))
                                                   << malformed;
    QTest::newRow("pixel data at offset 4 GiB")    << withLe32(valid, kOffPixelData, 0xffffffffu) << malformed;

    QTest::newRow("absurd 100000x100000")          << withLe32(withLe32(valid, kOffWidth, 100000), kOffHeight, 100000)
                                                   << tooLarge;
    QTest::newRow("width one above limit")         << withLe32(valid, kOffWidth, BMP2JPEG_MAX_SIDE + 1) << tooLarge;
    QTest::newRow("height one above limit")        << withLe32(valid, kOffHeight, BMP2JPEG_MAX_SIDE + 1) << tooLarge;
    // Both sides within limit, but one row more than the pixel count allows.
    const quint32 rowsAllowed = quint32(BMP2JPEG_MAX_PIXELS / BMP2JPEG_MAX_SIDE);
    QTest::newRow("pixel count above limit")       << withLe32(withLe32(valid, kOffWidth, BMP2JPEG_MAX_SIDE),
                                                               kOffHeight, rowsAllowed + 1)
                                                   << tooLarge;

    QTest::newRow("8-bit palette, written by Qt")  << savedByQt(paletteImage(QImage::Format_Indexed8, 256))
                                                   << unsupported;
    QTest::newRow("1-bit mono, written by Qt")     << savedByQt(paletteImage(QImage::Format_Mono, 2)) << unsupported;
    for (const int bitCount : {1, 2, 4, 8, 16})
        QTest::addRow("%d bits per pixel", bitCount) << withLe16(valid, kOffBitCount, quint16(bitCount))
                                                     << unsupported;
    QTest::newRow("RLE8 compressed")               << withLe32(savedByQt(paletteImage(QImage::Format_Indexed8, 256)),
                                                               kOffCompression, kCompressionRle8)
                                                   << unsupported;
    QTest::newRow("RLE4 compressed")               << withLe32(withLe16(valid, kOffBitCount, 4), kOffCompression,
                                                               kCompressionRle4)
                                                   << unsupported;
    QTest::newRow("embedded PNG")                  << withLe32(valid, kOffCompression, kCompressionPng) << unsupported;
    QTest::newRow("OS/2 core header")              << coreHeaderBitmap(testPicture(5, 3)) << unsupported;
    QTest::newRow("OS/2 16-byte header")           << shortOs2HeaderBitmap(testPicture(5, 3)) << unsupported;
    for (const int infoSize : {52, 56, 64})
        QTest::addRow("24-bit, %d-byte info header", infoSize)
            << bitmapFile(testPicture(6, 4), {.infoSize = infoSize}) << unsupported;
    for (const int bitCount : {24, 32}) {
        BitmapLayout layout;
        layout.bitCount = bitCount;
        layout.topDown = true;
        QTest::addRow("%d-bit top-down", bitCount) << bitmapFile(testPicture(6, 4), layout) << unsupported;
        layout.topDown = false;
        for (const int infoSize : {108, 124}) {
            layout.infoSize = infoSize;
            QTest::addRow("%d-bit, %d-byte info header", bitCount, infoSize)
                << bitmapFile(testPicture(6, 4), layout) << unsupported;
        }
        layout.infoSize = 40;
        layout.bitFields = true;
        QTest::addRow("%d-bit bit fields", bitCount) << bitmapFile(testPicture(6, 4), layout) << unsupported;
    }
    // clang-format on
}

void tst_Converter::rejectsBadBitmaps()
{
    QFETCH(QByteArray, bitmap);
    QFETCH(int, expected);

    QVERIFY(writeFile(path("in.bmp"), bitmap));

    errno = EBADF;
    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), expected);
    // The file was read: no system error to report.
    QCOMPARE(errno, 0);

    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp"}));
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
}

void tst_Converter::rejectsEveryTruncation_data()
{
    QTest::addColumn<int>("length");

    // Cut anywhere, a bitmap loses header fields or pixel rows.
    const int size = int(validBitmap().size());
    for (int length = 0; length < size; ++length) {
        // clang-format off
        QTest::addRow("first %d of %d bytes", length, size) << length;
        // clang-format on
    }
}

void tst_Converter::rejectsEveryTruncation()
{
    QFETCH(int, length);

    const QByteArray bitmap = validBitmap().left(length);
    QVERIFY(writeFile(path("in.bmp"), bitmap));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_MALFORMED));

    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp"}));
}

void tst_Converter::survivesAlteredHeaderBytes_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");

    // Every header byte set to each extreme and to the sign bit in turn.
    for (int offset = 0; offset < 54; ++offset) {
        for (const int value : {0x00, 0x80, 0xff}) {
            // clang-format off
            QTest::addRow("byte %d = 0x%02x", offset, value) << offset << value;
            // clang-format on
        }
    }
}

// Whatever a header says, the converter either writes a complete picture of
// the size the header gives or reports a failure and writes nothing.
void tst_Converter::survivesAlteredHeaderBytes()
{
    QFETCH(int, offset);
    QFETCH(int, value);

    QByteArray bitmap = bitmapFile(testPicture(13, 6), {.bitCount = 32});
    bitmap[offset] = char(value);
    QVERIFY(writeFile(path("in.bmp"), bitmap));

    const int result = convert(path("in.bmp"), path("out.jpg"));

    QVERIFY2(result >= BMP2JPEG_OK && result <= BMP2JPEG_CANNOT_WRITE, qPrintable(QString::number(result)));
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
    if (result == BMP2JPEG_OK) {
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
        const QImage decoded = decodeJpeg(path("out.jpg"));
        QCOMPARE(decoded.width(), int(le32At(bitmap, kOffWidth)));
        QCOMPARE(decoded.height(), int(le32At(bitmap, kOffHeight)));
    } else {
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp"}));
    }
}

void tst_Converter::rejectsUnreadableBitmaps_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("reason");

    // clang-format off
    QTest::newRow("missing file")        << QStringLiteral("missing")     << ENOENT;
    QTest::newRow("folder")              << QStringLiteral("folder")      << EISDIR;
    QTest::newRow("named pipe")          << QStringLiteral("pipe")        << EINVAL;
    QTest::newRow("no read permission")  << QStringLiteral("unreadable")  << EACCES;
    // clang-format on
}

void tst_Converter::rejectsUnreadableBitmaps()
{
    QFETCH(QString, kind);
    QFETCH(int, reason);

    const QString bitmapPath = path("in.bmp");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(bitmapPath));
    } else if (kind == QLatin1String("pipe")) {
        // Opening a pipe for reading would wait for a writer that never comes.
        QCOMPARE(::mkfifo(QFile::encodeName(bitmapPath).constData(), 0600), 0);
    } else if (kind == QLatin1String("unreadable")) {
        if (::geteuid() == 0)
            QSKIP("File permissions do not bind the superuser");
        QVERIFY(writeFile(bitmapPath, validBitmap()));
        QVERIFY(QFile::setPermissions(bitmapPath, QFileDevice::WriteOwner));
    }
    const QStringList before = entriesIn(m_dir->path());

    QCOMPARE(convert(bitmapPath, path("out.jpg")), int(BMP2JPEG_CANNOT_READ));
    QCOMPARE(errno, reason);

    QCOMPARE(entriesIn(m_dir->path()), before);
}

// The bitmap is read through the descriptor it was checked by: a named pipe
// put at its path right after the converter opened it is never opened, so
// it can neither stall the conversion nor change the picture.
void tst_Converter::readsBitmapOpenedOnce()
{
    const QImage picture = testPicture(300, 200);
    const QByteArray bitmapPath = QFile::encodeName(path("in.bmp"));
    const QByteArray pipePath = QFile::encodeName(path("pipe"));
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    QCOMPARE(::mkfifo(pipePath.constData(), 0600), 0);

    // Every open of the bitmap waits for the racer's consent.
    const int watch = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC);
    if (watch < 0)
        QSKIP("No fanotify permission events here (they need the superuser)");
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QCOMPARE(::fanotify_mark(watch, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, bitmapPath.constData()), 0);

    std::atomic<bool> converted{false};
    std::atomic<bool> swapped{false};
    std::atomic<bool> pipeOpened{false};
    std::thread racer([&] {
        // At the first open, the pipe takes the bitmap's name before the
        // open is allowed to go on.
        pollfd waiting{watch, POLLIN, 0};
        while (!converted && ::poll(&waiting, 1, 20) <= 0) {
        }
        alignas(fanotify_event_metadata) char buffer[4096];
        if (converted || ::read(watch, buffer, sizeof buffer) < ssize_t(sizeof(fanotify_event_metadata)))
            return;
        const auto* event = reinterpret_cast<const fanotify_event_metadata*>(buffer);
        swapped = ::rename(pipePath.constData(), bitmapPath.constData()) == 0;
        const fanotify_response allow{event->fd, FAN_ALLOW};
        ::write(watch, &allow, sizeof allow);
        ::close(event->fd);
        // A writer gets into a pipe only while a reader has it open: the
        // converter, had it opened the path again. Closing lets it go on.
        while (!converted) {
            const int writer = ::open(bitmapPath.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0) {
                pipeOpened = true;
                ::close(writer);
            }
            std::this_thread::yield();
        }
    });

    const int result = convert(path("in.bmp"), path("out.jpg"));
    converted = true;
    racer.join();

    QVERIFY(swapped);
    QVERIFY2(!pipeOpened, "the converter opened the bitmap's path a second time");
    QCOMPARE(result, int(BMP2JPEG_OK));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
}

void tst_Converter::reportsWriteFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("reason");

    // clang-format off
    QTest::newRow("read-only folder")          << QStringLiteral("read-only")    << QStringLiteral("out/old.jpg")
                                               << EACCES;
    QTest::newRow("file size limit")           << QStringLiteral("size limit")   << QStringLiteral("out/old.jpg")
                                               << EFBIG;
    QTest::newRow("missing folder")            << QStringLiteral("plain")        << QStringLiteral("nowhere/new.jpg")
                                               << ENOENT;
    QTest::newRow("folder is a file")          << QStringLiteral("plain")        << QStringLiteral("in.bmp.d/new.jpg")
                                               << ENOTDIR;
    QTest::newRow("target is a folder")        << QStringLiteral("plain")        << QStringLiteral("out")
                                               << EISDIR;
    // clang-format on
}

// Whatever stops the writing, an earlier picture at the target stays as it was.
void tst_Converter::reportsWriteFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, target);
    QFETCH(int, reason);

    if (kind == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("File permissions do not bind the superuser");
    const QByteArray bitmap = bitmapFile(testPicture(200, 150));
    QVERIFY(writeFile(path("in.bmp"), bitmap));
    QVERIFY(writeFile(path("in.bmp.d"), QByteArray("not a folder")));
    QVERIFY(QDir().mkdir(path("out")));
    const QByteArray oldPicture("an earlier export, to be kept byte for byte");
    QVERIFY(writeFile(path("out/old.jpg"), oldPicture));
    const QStringList before = entriesIn(m_dir->path());
    const QStringList beforeOut = entriesIn(path("out"));

    int result = BMP2JPEG_OK;
    int error = 0;
    if (kind == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(path("out"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        result = convert(path("in.bmp"), path(target));
        error = errno;
        QVERIFY(QFile::setPermissions(path("out"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    } else if (kind == QLatin1String("size limit")) {
        // Room for the first bytes of the JPEG only.
        const FileSizeLimit limit(100);
        QVERIFY(limit.isActive());
        result = convert(path("in.bmp"), path(target));
        error = errno;
    } else {
        result = convert(path("in.bmp"), path(target));
        error = errno;
    }

    QCOMPARE(result, int(BMP2JPEG_CANNOT_WRITE));
    QCOMPARE(error, reason);
    QCOMPARE(contentOf(path("out/old.jpg")), oldPicture);
    QCOMPARE(entriesIn(m_dir->path()), before);
    QCOMPARE(entriesIn(path("out")), beforeOut);
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
}

// A disk that fills up while the JPEG is written keeps the picture it held
// and says why the new one could not be written.
void tst_Converter::reportsFullDisk()
{
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(noisePicture(200, 150))));
    QVERIFY(QDir().mkdir(path("disk")));
    const SmallDisk disk(path("disk"), 32);
    if (!disk.isMounted())
        QSKIP("Mounting a small disk needs the superuser");
    const QByteArray oldPicture("an earlier export, to be kept byte for byte");
    QVERIFY(writeFile(path("disk/old.jpg"), oldPicture));

    for (const QString& name : {QStringLiteral("old.jpg"), QStringLiteral("new.jpg")}) {
        for (const int flags : {0, int(BMP2JPEG_NO_REPLACE)}) {
            if (name == QLatin1String("old.jpg") && flags == BMP2JPEG_NO_REPLACE)
                continue;
            errno = 0;
            const int result = BmpToJpegEx(QFile::encodeName(path("in.bmp")).constData(),
                                           QFile::encodeName(path("disk/") + name).constData(), 100, flags);
            const int reason = errno;
            QCOMPARE(result, int(BMP2JPEG_CANNOT_WRITE));
            QCOMPARE(reason, ENOSPC);
            QCOMPARE(entriesIn(path("disk")), QStringList({"old.jpg"}));
            QCOMPARE(contentOf(path("disk/old.jpg")), oldPicture);
        }
    }
}

void tst_Converter::removesAbandonedParts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("kept");

    // clang-format off
    QTest::newRow("abandoned part")            << ".bmp2jpeg-k3x0c9ab1z.part" << "file"     << false;
    QTest::newRow("part being written")        << ".bmp2jpeg-k3x0c9ab1z.part" << "locked"   << true;
    QTest::newRow("another user's part")       << ".bmp2jpeg-k3x0c9ab1z.part" << "foreign"  << true;
    QTest::newRow("link named like a part")    << ".bmp2jpeg-k3x0c9ab1z.part" << "link"     << true;
    QTest::newRow("folder named like a part")  << ".bmp2jpeg-k3x0c9ab1z.part" << "folder"   << true;
    QTest::newRow("other ending")              << ".bmp2jpeg-k3x0c9ab1z.jpg"  << "file"     << true;
    QTest::newRow("not hidden")                << "bmp2jpeg-k3x0c9ab1z.part"  << "file"     << true;
    QTest::newRow("user's own hidden file")    << ".chart.part"               << "file"     << true;
    // clang-format on
}

// A part file that a killed conversion left behind goes at the next
// conversion into that folder; nothing else there is touched.
void tst_Converter::removesAbandonedParts()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, kept);

    QVERIFY(writeFile(path("in.bmp"), validBitmap()));
    QVERIFY(writeFile(path("precious.jpg"), QByteArray("a picture of the user's")));
    const QString entry = path(name);
    QFile lockedPart(entry);
    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(path("precious.jpg"), entry));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(entry));
    } else {
        QVERIFY(writeFile(entry, QByteArray("half a picture")));
    }
    if (kind == QLatin1String("locked")) {
        // The lock of the conversion that is writing this part.
        QVERIFY(lockedPart.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(lockedPart.handle(), LOCK_EX), 0);
    } else if (kind == QLatin1String("foreign")) {
        if (const QString reason = OtherUser::unavailable(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QVERIFY(OtherUser().take(entry));
    }
    QStringList expected = entriesIn(m_dir->path());
    if (!kept)
        expected.removeOne(name);
    expected << QStringLiteral("out.jpg");
    expected.sort();

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    QCOMPARE(entriesIn(m_dir->path()), expected);
    QCOMPARE(contentOf(path("precious.jpg")), QByteArray("a picture of the user's"));
}

void tst_Converter::keepsPartWhileNaming_data()
{
    QTest::addColumn<bool>("replacing");

    // clang-format off
    QTest::newRow("new picture") << false;
    QTest::newRow("picture replacing another") << true;
    // clang-format on
}

// A conversion into the same folder, at the moment another gives its
// finished picture the name it was asked for, leaves that picture alone.
void tst_Converter::keepsPartWhileNaming()
{
    QFETCH(bool, replacing);

    const QImage picture = testPicture(50, 20);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    QVERIFY(writeFile(path("other.bmp"), validBitmap()));
    if (replacing)
        QVERIFY(writeFile(path("out.jpg"), QByteArray("an older picture")));
    bool met = false;
    int otherResult = -1;
    beforePartRenamed = [&] {
        met = true;
        otherResult = convert(path("other.bmp"), path("other.jpg"));
    };
    const auto unhook = qScopeGuard([] { beforePartRenamed = nullptr; });

    const int result = BmpToJpegEx(path("in.bmp").toUtf8().constData(), path("out.jpg").toUtf8().constData(), 100,
                                   replacing ? 0 : BMP2JPEG_NO_REPLACE);

    // A new picture without a name until then takes its name in one step,
    // with no rename to meet.
    QCOMPARE(met, replacing || !unnamedFilesIn(m_dir->path()));
    QCOMPARE(result, int(BMP2JPEG_OK));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
    QStringList expected{"in.bmp", "other.bmp", "out.jpg"};
    if (met) {
        QCOMPARE(otherResult, int(BMP2JPEG_OK));
        expected << QStringLiteral("other.jpg");
    }
    expected.sort();
    QCOMPARE(entriesIn(m_dir->path()), expected);
}

void tst_Converter::rejectsBadArguments_data()
{
    QTest::addColumn<bool>("nullBitmap");
    QTest::addColumn<bool>("nullJpeg");
    QTest::addColumn<QString>("bitmapName");
    QTest::addColumn<QString>("jpegName");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("expected");

    const int ok = BMP2JPEG_OK;
    const int bad = BMP2JPEG_BAD_ARGUMENTS;
    const QString in = QStringLiteral("in.bmp");
    const QString out = QStringLiteral("out.jpg");

    // clang-format off
    QTest::newRow("null bitmap path")      << true  << false << in << out       << 100 << 0 << bad;
    QTest::newRow("null JPEG path")        << false << true  << in << out       << 100 << 0 << bad;
    QTest::newRow("empty bitmap path")     << false << false << "" << out       << 100 << 0 << bad;
    QTest::newRow("empty JPEG path")       << false << false << in << ""        << 100 << 0 << bad;
    QTest::newRow("JPEG path is a folder") << false << false << in << "sub/"    << 100 << 0 << bad;
    QTest::newRow("JPEG path is bitmap")   << false << false << in << in        << 100 << 0 << bad;
    QTest::newRow("JPEG path via ./")      << false << false << in << "./in.bmp" << 100 << 0 << bad;
    // Quality: 1 to 100 converts, anything beyond is refused.
    for (const int quality : {INT_MIN, -1, 0, 101, INT_MAX})
        QTest::addRow("quality %d", quality) << false << false << in << out << quality << 0 << bad;
    for (const int quality : {1, 50, 100})
        QTest::addRow("quality %d", quality) << false << false << in << out << quality << 0 << ok;
    // Flags: only the known one is taken.
    QTest::newRow("no-replace flag")       << false << false << in << out       << 100 << int(BMP2JPEG_NO_REPLACE) << ok;
    QTest::newRow("unknown flag")          << false << false << in << out       << 100 << 2 << bad;
    QTest::newRow("negative flags")        << false << false << in << out       << 100 << -1 << bad;
    // clang-format on
}

void tst_Converter::rejectsBadArguments()
{
    QFETCH(bool, nullBitmap);
    QFETCH(bool, nullJpeg);
    QFETCH(QString, bitmapName);
    QFETCH(QString, jpegName);
    QFETCH(int, quality);
    QFETCH(int, flags);
    QFETCH(int, expected);

    const QByteArray bitmap = validBitmap();
    QVERIFY(writeFile(path("in.bmp"), bitmap));
    QVERIFY(QDir().mkdir(path("sub")));
    // Relative names resolve inside the test's folder.
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const QByteArray bitmapPath = bitmapName.toUtf8();
    const QByteArray jpegPath = jpegName.toUtf8();

    const int result = BmpToJpegEx(nullBitmap ? nullptr : bitmapPath.constData(),
                                   nullJpeg ? nullptr : jpegPath.constData(), quality, flags);
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));

    QCOMPARE(result, expected);
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
    const QStringList expectedEntries =
        expected == BMP2JPEG_OK ? QStringList({"in.bmp", "out.jpg", "sub"}) : QStringList({"in.bmp", "sub"});
    QCOMPARE(entriesIn(m_dir->path()), expectedEntries);
    QCOMPARE(entriesIn(path("sub")), QStringList());
}

// The program finds the converter by file name in its own folder and
// resolves BmpToJpegEx by name, calling it with BMP2JPEG_NO_REPLACE, as here.
void tst_Converter::loadsAtRunTimeBesideProgram()
{
    QLibrary library(modSaveForm::ConverterPath());
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    QCOMPARE(QFileInfo(library.fileName()).fileName(), QStringLiteral("libBmp2Jpeg.so"));
    const auto bmpToJpegEx = reinterpret_cast<BmpToJpegExFunction>(library.resolve("BmpToJpegEx"));
    QVERIFY(bmpToJpegEx != nullptr);

    const QImage picture = testPicture(80, 60);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    QCOMPARE(bmpToJpegEx(path("in.bmp").toUtf8().constData(), path("out.jpg").toUtf8().constData(), 100,
                         BMP2JPEG_NO_REPLACE),
             int(BMP2JPEG_OK));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
}

QTEST_MAIN(tst_Converter)
#include "tst_converter.moc"
