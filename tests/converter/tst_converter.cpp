// The picture converter: bitmaps in, JPEG files out, written only where the
// path leads without another user's say, and nothing half written or left
// behind when a bitmap cannot be converted.

#include "BitmapFile.h"
#include "Bmp2Jpeg.h"
#include "FileSizeSignal.h"
#include "FilesAndPictures.h"
#include "OtherUser.h"
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
#include <QtEndian>

#include <turbojpeg.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#if defined(Q_OS_UNIX)
#  include <fcntl.h>
#  include <sys/file.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#  include <poll.h>
#  include <sys/fanotify.h>
#  include <sys/mount.h>
#endif
#if defined(Q_OS_WIN)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#endif

using zorvane::test::contentOf;
using zorvane::test::entriesIn;
using zorvane::test::FileSizeLimit;
using zorvane::test::meanDifference;
using zorvane::test::noisePicture;
#if defined(Q_OS_UNIX)
using zorvane::test::OtherUser;
#endif
using zorvane::test::SmallDisk;
using zorvane::test::writeFile;

namespace {

// JPEG at quality 100 with full-resolution colour stays within a few steps
// of 255 on average.
constexpr double kMaxMeanError = 3.0;

// The header fields the malformed cases alter.
using namespace bitmapfile;

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
    int pixelsPerMeter = 3780;  // 96 dots per inch
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
    appendLe32(bytes, quint32(layout.pixelsPerMeter));
    appendLe32(bytes, quint32(layout.pixelsPerMeter));
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

// Converts the bitmap file through BmpToJpeg, and (where it is a regular file
// with whole headers) its info header and rows in memory through
// BmpToJpegFromDib into a second JPEG beside the first, which is removed
// again: the two readings of a bitmap must agree in their result and their
// JPEG. errno is what BmpToJpeg left; a disagreement is the result -1.
int convert(const QString& bitmapPath, const QString& jpegPath, int quality = 100)
{
    const int result = BmpToJpeg(bitmapPath.toUtf8().constData(), jpegPath.toUtf8().constData(), quality);
    const int reason = errno;
    QFile file(bitmapPath);
    if (QFileInfo(bitmapPath).isFile() && file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        constexpr int fileHeader = 14;
        constexpr int pixelOffsetAt = 10;
        const auto field = [&bytes](int at) { return qint64(qFromLittleEndian<quint32>(bytes.constData() + at)); };
        // Only a whole file, its info header and rows where its headers put
        // them, has a match in memory.
        const qint64 infoEnd = bytes.size() >= 54 ? fileHeader + field(fileHeader) : -1;
        const qint64 pixelOffset = bytes.size() >= 54 ? field(pixelOffsetAt) : -1;
        if (bytes.startsWith("BM") && infoEnd >= 54 && infoEnd <= pixelOffset && pixelOffset <= bytes.size()) {
            const QString second = jpegPath + QStringLiteral(".memory.jpg");
            const int fromMemory =
                BmpToJpegFromDib(bytes.constData() + fileHeader, bytes.constData() + pixelOffset,
                                 std::size_t(bytes.size() - pixelOffset), second.toUtf8().constData(), quality, 0);
            const bool agree =
                fromMemory == result && (result != BMP2JPEG_OK || contentOf(second) == contentOf(jpegPath));
            QFile::remove(second);
            if (!agree)
                return -1;
        }
    }
    errno = reason;
    return result;
}

// A conversion's result and the errno it left.
struct Outcome {
    int result = BMP2JPEG_OK;
    int reason = 0;
};

Outcome convertWith(const QString& bitmapPath, const QString& jpegPath, int flags = 0)
{
    errno = EBADF;
    const int result = BmpToJpegEx(bitmapPath.toUtf8().constData(), jpegPath.toUtf8().constData(), 100, flags);
    return {result, errno};
}

#if defined(Q_OS_UNIX)
// Symbolic links below folder, each given as "name=target".
void makeLinks(const QString& folder, const QStringList& links)
{
    for (const QString& link : links) {
        const QString name = link.section(QLatin1Char('='), 0, 0);
        const QString target = link.section(QLatin1Char('='), 1);
        QVERIFY2(
            ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(QDir(folder).filePath(name)).constData())
                == 0,
            qPrintable(link));
    }
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
#endif

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

#if defined(Q_OS_UNIX)
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
#endif

#if defined(Q_OS_WIN)
// A named pipe, \\.\pipe\<name>, that waits for one client for the life of
// the object: what stands at a path and is no file on disk.
class NamedPipe {
public:
    NamedPipe()
        : m_path(QStringLiteral("\\\\.\\pipe\\zorvane-test-%1").arg(QCoreApplication::applicationPid()))
        , m_handle(::CreateNamedPipeW(reinterpret_cast<const wchar_t*>(m_path.utf16()), PIPE_ACCESS_OUTBOUND,
                                      PIPE_TYPE_BYTE | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 0, nullptr))
    {}
    ~NamedPipe()
    {
        if (isOpen())
            ::CloseHandle(m_handle);
    }
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    const QString& path() const { return m_path; }

private:
    QString m_path;
    HANDLE m_handle;
};
#endif

}  // namespace

class tst_Converter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void convertsHandWrittenBitmaps_data();
    void convertsHandWrittenBitmaps();
    void convertsAtSideLimit_data();
    void convertsAtSideLimit();
    void carriesDensity_data();
    void carriesDensity();
    void givesPermissions_data();
    void givesPermissions();
    void keepsWhatStandsAtTarget_data();
    void keepsWhatStandsAtTarget();
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
    void walksPathAsKernel_data();
    void walksPathAsKernel();
    void refusesOtherUsersLinks_data();
    void refusesOtherUsersLinks();
    void reportsWriteFailures_data();
    void reportsWriteFailures();
    void removesAbandonedParts_data();
    void removesAbandonedParts();
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
}

void tst_Converter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Converter::cleanup()
{
#if defined(Q_OS_UNIX)
    // A test may have left its folder read-only.
    ::chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
#endif
    m_dir.reset();
}

void tst_Converter::convertsHandWrittenBitmaps_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("gap");
    QTest::addColumn<bool>("topDown");

    // Widths of every remainder modulo 4 give every amount of row padding;
    // rows come in either order.
    const QList<QSize> sizes = {QSize(1, 1),   QSize(2, 9),   QSize(3, 3),   QSize(7, 5),
                                QSize(64, 48), QSize(301, 1), QSize(1, 300), QSize(640, 480)};
    for (const bool topDown : {false, true}) {
        const char* const order = topDown ? "top down" : "bottom up";
        for (const int bitCount : {24, 32}) {
            for (const QSize& size : sizes) {
                // clang-format off
                QTest::addRow("%d-bit %dx%d, %s", bitCount, size.width(), size.height(), order)
                    << bitCount << size << 0 << topDown;
                // clang-format on
            }
            // clang-format off
            QTest::addRow("%d-bit 33x17, 12 bytes before pixels, %s", bitCount, order)
                << bitCount << QSize(33, 17) << 12 << topDown;
            // clang-format on
        }
    }
}

void tst_Converter::convertsHandWrittenBitmaps()
{
    QFETCH(int, bitCount);
    QFETCH(QSize, size);
    QFETCH(int, gap);
    QFETCH(bool, topDown);

    const QImage picture = testPicture(size.width(), size.height());
    const QByteArray bitmap = bitmapFile(picture, {.bitCount = bitCount, .gap = gap, .topDown = topDown});
    QVERIFY(writeFile(path("in.bmp"), bitmap));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    const QImage decoded = decodeJpeg(path("out.jpg"));
    QCOMPARE(decoded.size(), size);
    const double error = meanDifference(picture, decoded);
    QVERIFY2(error < kMaxMeanError, qPrintable(QStringLiteral("mean error %1").arg(error)));
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
}

void tst_Converter::convertsAtSideLimit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bitCount");

    // One more is refused: rejectsBadBitmaps.
    const int limit = BMP2JPEG_MAX_SIDE;
    for (const int bitCount : {24, 32}) {
        // clang-format off
        QTest::addRow("%d-bit, width at limit", bitCount)       << QSize(limit, 1) << bitCount;
        QTest::addRow("%d-bit, height at limit", bitCount)      << QSize(1, limit) << bitCount;
        // clang-format on
    }
}

// Whole bitmaps one pixel thin, so that the largest sides cost little memory.
void tst_Converter::convertsAtSideLimit()
{
    QFETCH(QSize, size);
    QFETCH(int, bitCount);

    const QImage picture = testPicture(size.width(), size.height());
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture, {.bitCount = bitCount})));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    const QImage decoded = decodeJpeg(path("out.jpg"));
    QCOMPARE(decoded.size(), size);
    QCOMPARE_LT(meanDifference(picture, decoded), kMaxMeanError);
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
}

void tst_Converter::carriesDensity_data()
{
    QTest::addColumn<int>("pixelsPerMeter");
    QTest::addColumn<int>("dotsPerInch");  // 0: the JPEG has no units

    // An inch is 0.0254 metres, rounded to the nearest dot; densities that a
    // JFIF header cannot hold give none.
    for (const int dpi : {1, 72, 96, 144, 192, 288, 65535}) {
        // clang-format off
        QTest::addRow("%d dpi", dpi) << qRound(dpi / 0.0254) << dpi;
        // clang-format on
    }
    // clang-format off
    QTest::newRow("unknown density")    << 0 << 0;
    QTest::newRow("negative density")   << -3780 << 0;
    QTest::newRow("beyond 65535 dpi")   << qRound(65536 / 0.0254) << 0;
    // clang-format on
}

// The JPEG prints at the size the bitmap gives: its density, in dots per inch.
void tst_Converter::carriesDensity()
{
    QFETCH(int, pixelsPerMeter);
    QFETCH(int, dotsPerInch);

    QVERIFY(writeFile(path("in.bmp"), bitmapFile(testPicture(8, 8), {.pixelsPerMeter = pixelsPerMeter})));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    // JFIF: units, then horizontal and vertical density, big-endian, from byte 13.
    const QByteArray jfif = contentOf(path("out.jpg")).mid(13, 5);
    // Without units the density is TurboJPEG's: square pixels, 1 by 1.
    const int density = dotsPerInch == 0 ? 1 : dotsPerInch;
    const char expected[] = {char(dotsPerInch == 0 ? 0 : 1), char(density >> 8), char(density & 0xff),
                             char(density >> 8), char(density & 0xff)};
    QCOMPARE(jfif, QByteArray(expected, sizeof expected));
    QCOMPARE(decodeJpeg(path("out.jpg")).size(), QSize(8, 8));
}

void tst_Converter::givesPermissions_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("replaced");  // the mode of the file replaced; -1: a new file
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("expected");
#if !defined(Q_OS_UNIX)
    QSKIP("Permission bits and the umask are Unix's");
#endif

    // A new file gets what the umask leaves of 0666; a file that replaces
    // another takes the other's permission bits, whatever the umask.
    // clang-format off
    for (const int mask : {002, 022, 077}) {
        QTest::addRow("new, umask %03o", mask)            << mask << -1 << 0 << (0666 & ~mask);
        QTest::addRow("new only, umask %03o", mask)       << mask << -1 << int(BMP2JPEG_NO_REPLACE) << (0666 & ~mask);
    }
    for (const int mode : {0600, 0640, 0644, 0664, 0444})
        QTest::addRow("replacing a file of mode %03o", mode) << 022 << mode << 0 << mode;
    // clang-format on
}

void tst_Converter::givesPermissions()
{
#if defined(Q_OS_UNIX)
    QFETCH(int, mask);
    QFETCH(int, replaced);
    QFETCH(int, flags);
    QFETCH(int, expected);

    const QImage picture = testPicture(50, 20);
    QVERIFY(writeFile(path("in.bmp"), bitmapFile(picture)));
    if (replaced >= 0) {
        QVERIFY(writeFile(path("out.jpg"), QByteArray("an older picture")));
        QCOMPARE(::chmod(QFile::encodeName(path("out.jpg")).constData(), mode_t(replaced)), 0);
    }
    {
        const Umask scoped{mode_t(mask)};
        QCOMPARE(convertWith(path("in.bmp"), path("out.jpg"), flags).result, int(BMP2JPEG_OK));
    }

    QCOMPARE(modeOf(path("out.jpg")), QString::number(expected, 8));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
#endif
}

void tst_Converter::keepsWhatStandsAtTarget_data()
{
    QTest::addColumn<QString>("standing");
    QTest::addColumn<bool>("noReplace");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("reason");

    const int exists = BMP2JPEG_TARGET_EXISTS;
    const int cannotWrite = BMP2JPEG_CANNOT_WRITE;
    // Asked for a new file only, whatever stands at the name stays; asked to
    // replace, a file goes, but a folder and a link (which is never written
    // through) stay.
    // clang-format off
    QTest::newRow("nothing, new only")              << "nothing"  << true  << int(BMP2JPEG_OK) << 0;
    QTest::newRow("file, new only")                 << "file"     << true  << exists << 0;
    QTest::newRow("empty file, new only")           << "empty"    << true  << exists << 0;
    QTest::newRow("folder, new only")               << "folder"   << true  << exists << 0;
    QTest::newRow("folder, replacing")              << "folder"   << false << cannotWrite << EISDIR;
    // clang-format on
    // QFile::link makes a symbolic link on Unix, a shortcut file on Windows.
#if defined(Q_OS_UNIX)
    // clang-format off
    QTest::newRow("link to a file, new only")       << "link"     << true  << exists << 0;
    QTest::newRow("link leading nowhere, new only") << "dangling" << true  << exists << 0;
    QTest::newRow("link to a file, replacing")      << "link"     << false << cannotWrite << ELOOP;
    QTest::newRow("link leading nowhere, replacing") << "dangling" << false << cannotWrite << ELOOP;
    // clang-format on
#endif
}

void tst_Converter::keepsWhatStandsAtTarget()
{
    QFETCH(QString, standing);
    QFETCH(bool, noReplace);
    QFETCH(int, expected);
    QFETCH(int, reason);

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

    const Outcome outcome = convertWith(path("in.bmp"), target, noReplace ? BMP2JPEG_NO_REPLACE : 0);

    QCOMPARE(outcome.result, expected);
    QCOMPARE(outcome.reason, reason);
    if (expected == BMP2JPEG_OK) {
        QCOMPARE_LT(meanDifference(picture, decodeJpeg(target)), kMaxMeanError);
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"elsewhere", "in.bmp", "out.jpg"}));
    } else {
        QCOMPARE(entriesIn(m_dir->path()), before);
        QCOMPARE(contentOf(target), contentBefore);
    }
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
    QTest::newRow("top down, one above limit")     << withLe32(valid, kOffHeight, quint32(-(BMP2JPEG_MAX_SIDE + 1)))
                                                   << tooLarge;
    QTest::newRow("top down, lowest height")       << withLe32(valid, kOffHeight, 0x80000000u) << tooLarge;
    // Both sides within limit, and one row more than the pixel count allows;
    // at exactly the count the size passes, and the rows are missing.
    const quint32 rowsAllowed = quint32(BMP2JPEG_MAX_PIXELS / BMP2JPEG_MAX_SIDE);
    QTest::newRow("pixel count above limit")       << withLe32(withLe32(valid, kOffWidth, BMP2JPEG_MAX_SIDE),
                                                               kOffHeight, rowsAllowed + 1)
                                                   << tooLarge;
    QTest::newRow("pixel count at limit")          << withLe32(withLe32(valid, kOffWidth, BMP2JPEG_MAX_SIDE),
                                                               kOffHeight, rowsAllowed)
                                                   << malformed;

    for (const int bitCount : {1, 2, 4, 8, 16})
        QTest::addRow("%d bits per pixel", bitCount) << withLe16(valid, kOffBitCount, quint16(bitCount))
                                                     << unsupported;
    QTest::newRow("RLE8 compressed")               << withLe32(withLe16(valid, kOffBitCount, 8), kOffCompression,
                                                               kCompressionRle8)
                                                   << unsupported;
    QTest::newRow("RLE4 compressed")               << withLe32(withLe16(valid, kOffBitCount, 4), kOffCompression,
                                                               kCompressionRle4)
                                                   << unsupported;
    QTest::newRow("embedded PNG")                  << withLe32(valid, kOffCompression, kCompressionPng) << unsupported;
    // Header kinds known but not read: OS/2 1.x and 2.x, the Adobe variants.
    for (const int infoSize : {12, 16})
        QTest::addRow("%d-byte info header", infoSize) << withLe32(valid, kOffInfoSize, quint32(infoSize))
                                                       << unsupported;
    for (const int infoSize : {52, 56, 64})
        QTest::addRow("24-bit, %d-byte info header", infoSize)
            << bitmapFile(testPicture(6, 4), {.infoSize = infoSize}) << unsupported;
    for (const int bitCount : {24, 32}) {
        BitmapLayout layout;
        layout.bitCount = bitCount;
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
        // A negative height gives the rows top down.
        QCOMPARE(decoded.height(), std::abs(qint32(le32At(bitmap, kOffHeight))));
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
    // clang-format on
    // Windows has no permission bits that refuse the owner to read.
#if defined(Q_OS_UNIX)
    QTest::newRow("no read permission") << QStringLiteral("unreadable") << EACCES;
#endif
}

void tst_Converter::rejectsUnreadableBitmaps()
{
    QFETCH(QString, kind);
    QFETCH(int, reason);

    QString bitmapPath = path("in.bmp");
#if defined(Q_OS_WIN)
    // Windows' named pipes stand in a namespace of their own.
    std::optional<NamedPipe> pipe;
#endif
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(bitmapPath));
    } else if (kind == QLatin1String("pipe")) {
#if defined(Q_OS_UNIX)
        // Opening a pipe for reading would wait for a writer that never comes.
        QCOMPARE(::mkfifo(QFile::encodeName(bitmapPath).constData(), 0600), 0);
#else
        QVERIFY(pipe.emplace().isOpen());
        bitmapPath = pipe->path();
#endif
    } else if (kind == QLatin1String("unreadable")) {
#if defined(Q_OS_UNIX)
        if (::geteuid() == 0)
            QSKIP("File permissions do not bind the superuser");
        QVERIFY(writeFile(bitmapPath, validBitmap()));
        QVERIFY(QFile::setPermissions(bitmapPath, QFileDevice::WriteOwner));
#endif
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
#if !defined(Q_OS_LINUX)
    QSKIP("The opening of a file is watched with Linux's fanotify");
#else
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

    const int result = BmpToJpeg(path("in.bmp").toUtf8().constData(), path("out.jpg").toUtf8().constData(), 100);
    converted = true;
    racer.join();

    QVERIFY(swapped);
    QVERIFY2(!pipeOpened, "the converter opened the bitmap's path a second time");
    QCOMPARE(result, int(BMP2JPEG_OK));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
#endif
}

void tst_Converter::walksPathAsKernel_data()
{
    QTest::addColumn<QStringList>("links");  // "name=target", below the test's folder
    QTest::addColumn<QString>("jpeg");
    QTest::addColumn<QString>("landed");  // where the JPEG is; empty when refused
    QTest::addColumn<int>("reason");

    const QStringList none;
    // clang-format off
    QTest::newRow("missing folder")         << none << "nowhere/out.jpg" << "" << ENOENT;
    QTest::newRow("file on the path")       << none << "in.bmp/out.jpg" << "" << ENOTDIR;
    // clang-format on
    // Symbolic links are Unix's (Windows' need an administrator, and it
    // follows them as the system does).
#if defined(Q_OS_UNIX)
    // A chain of count links, each leading to the next, the last to "to".
    const auto chain = [](int count) {
        QStringList links;
        for (int n = 1; n < count; ++n)
            links << QStringLiteral("l%1=l%2").arg(n).arg(n + 1);
        return links << QStringLiteral("l%1=to").arg(count);
    };
    // clang-format off
    QTest::newRow("link to a folder")       << QStringList{"via=to"} << "via/out.jpg" << "to/out.jpg" << 0;
    QTest::newRow("absolute link")          << QStringList{"via={dir}/to"} << "via/out.jpg" << "to/out.jpg" << 0;
    QTest::newRow(".. in a link's target")  << QStringList{"a/up=../to"} << "a/up/out.jpg" << "to/out.jpg" << 0;
    // ".." after a link leads to the parent of the link's target, not back.
    QTest::newRow(".. after a link")        << QStringList{"a/down=../to/sub"} << "a/down/../out.jpg"
                                            << "to/out.jpg" << 0;
    QTest::newRow("40 links, the limit")    << chain(40) << "l1/out.jpg" << "to/out.jpg" << 0;
    QTest::newRow("41 links")               << chain(41) << "l1/out.jpg" << "" << ELOOP;
    QTest::newRow("link to itself")         << QStringList{"loop=loop"} << "loop/out.jpg" << "" << ELOOP;
    QTest::newRow("link leading nowhere")   << QStringList{"via=nowhere"} << "via/out.jpg" << "" << ENOENT;
    QTest::newRow("link to a file on it")   << QStringList{"via=in.bmp"} << "via/out.jpg" << "" << ENOTDIR;
    // clang-format on
#endif
}

// The JPEG's folder is reached one name at a time, as the kernel reaches it.
void tst_Converter::walksPathAsKernel()
{
    QFETCH(QStringList, links);
    QFETCH(QString, jpeg);
    QFETCH(QString, landed);
    QFETCH(int, reason);

    QVERIFY(writeFile(path("in.bmp"), validBitmap()));
    QVERIFY(QDir().mkpath(path("to/sub")));
    QVERIFY(QDir().mkpath(path("a")));
#if defined(Q_OS_UNIX)
    makeLinks(m_dir->path(), links.replaceInStrings(QStringLiteral("{dir}"), m_dir->path()));
#else
    QVERIFY(links.isEmpty());
#endif

    const Outcome outcome = convertWith(path("in.bmp"), path(jpeg));

    QCOMPARE(outcome.reason, reason);
    QCOMPARE(outcome.result, reason == 0 ? int(BMP2JPEG_OK) : int(BMP2JPEG_CANNOT_WRITE));
    const QStringList written = landed.isEmpty() ? QStringList() : QStringList{QFileInfo(landed).fileName()};
    QCOMPARE(entriesIn(path("to")), written + QStringList{"sub"});
    // Where ".." taken by the path's text alone would lead.
    QVERIFY(!QFileInfo::exists(path("a/out.jpg")));
}

void tst_Converter::refusesOtherUsersLinks_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<QString>("folderOwner");  // "self" or "other"
    QTest::addColumn<QString>("linkOwner");
    QTest::addColumn<QString>("below");  // the JPEG's path below the link
    QTest::addColumn<bool>("followed");
#if !defined(Q_OS_UNIX)
    QSKIP("Links that another user plants, and folders shared by permission bits, are Unix's");
#endif

    // Another user's link is followed only where that user can neither
    // write the folder it stands in nor change the folder's permissions.
    // clang-format off
    for (const char* below : {"out.jpg", "sub/out.jpg"}) {
        const char* const place = QByteArray(below).contains('/') ? "on the path" : "as the folder";
        QTest::addRow("other's link in a shared sticky folder, %s", place)
            << 01777 << "self" << "other" << below << false;
        QTest::addRow("other's link in their sticky folder, %s", place)
            << 01777 << "other" << "other" << below << false;
        QTest::addRow("other's link in their open folder, %s", place)
            << 0777 << "other" << "other" << below << false;
        QTest::addRow("other's link in an open folder, %s", place)
            << 0777 << "self" << "other" << below << false;
        QTest::addRow("other's link in a group's folder, %s", place)
            << 0775 << "self" << "other" << below << false;
        QTest::addRow("other's link in the user's own folder, %s", place)
            << 0755 << "self" << "other" << below << true;
        QTest::addRow("user's link in a shared sticky folder, %s", place)
            << 01777 << "self" << "self" << below << true;
    }
    // clang-format on
}

void tst_Converter::refusesOtherUsersLinks()
{
#if defined(Q_OS_UNIX)
    QFETCH(int, folderMode);
    QFETCH(QString, folderOwner);
    QFETCH(QString, linkOwner);
    QFETCH(QString, below);
    QFETCH(bool, followed);

    if (const QString reason = OtherUser::unavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const OtherUser other;
    QVERIFY(writeFile(path("in.bmp"), validBitmap()));
    QVERIFY(QDir().mkpath(path("elsewhere/sub")));
    QVERIFY(QDir().mkdir(path("folder")));
    // The other user passes through the test's folder to the link's.
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0711), 0);
    QCOMPARE(::chmod(QFile::encodeName(path("folder")).constData(), mode_t(folderMode)), 0);
    if (folderOwner == QLatin1String("other"))
        QVERIFY(other.take(path("folder")));
    if (linkOwner == QLatin1String("other") && (folderMode & S_IWOTH))
        QVERIFY(other.makeLink(path("elsewhere"), path("folder/link")));
    else
        QVERIFY(QFile::link(path("elsewhere"), path("folder/link")));
    if (linkOwner == QLatin1String("other"))
        QVERIFY(other.take(path("folder/link")));

    const Outcome outcome = convertWith(path("in.bmp"), path("folder/link/") + below, BMP2JPEG_NO_REPLACE);

    QCOMPARE(outcome.result, followed ? int(BMP2JPEG_OK) : int(BMP2JPEG_CANNOT_WRITE));
    QCOMPARE(outcome.reason, followed ? 0 : EACCES);
    QCOMPARE(QFileInfo::exists(path("elsewhere/") + below), followed);
#endif
}

void tst_Converter::reportsWriteFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("flags");
#if !defined(Q_OS_LINUX)
    QSKIP("A read-only folder by its permission bits, the file size limit and a small disk are Unix's and Linux's");
#endif

    // clang-format off
    for (const int flags : {0, int(BMP2JPEG_NO_REPLACE)}) {
        const char* const how = flags == 0 ? "may replace" : "new only";
        QTest::addRow("read-only folder, %s", how)  << "read-only" << flags;
        QTest::addRow("file size limit, %s", how)   << "size limit" << flags;
        QTest::addRow("full disk, %s", how)         << "full disk" << flags;
    }
    // clang-format on
}

// Whatever stops the writing is reported with the system's reason, and an
// earlier picture in the folder stays as it was.
void tst_Converter::reportsWriteFailures()
{
#if defined(Q_OS_LINUX)
    QFETCH(QString, kind);
    QFETCH(int, flags);

    const QByteArray bitmap = bitmapFile(noisePicture(200, 150));
    QVERIFY(writeFile(path("in.bmp"), bitmap));
    QVERIFY(QDir().mkdir(path("out")));
    // Permissions do not bind the superuser: for him the folder is on a
    // file system mounted read-only.
    const bool root = ::geteuid() == 0;
    std::unique_ptr<SmallDisk> disk;
    if (kind == QLatin1String("full disk") || (kind == QLatin1String("read-only") && root)) {
        disk = std::make_unique<SmallDisk>(path("out"), 32);
        if (!disk->isMounted())
            QSKIP("Mounting a small disk needs the superuser");
    }
    const QByteArray oldPicture("an earlier export, to be kept byte for byte");
    QVERIFY(writeFile(path("out/old.jpg"), oldPicture));
    const QString target = path(flags == 0 ? "out/old.jpg" : "out/new.jpg");

    Outcome outcome;
    int reason = 0;
    if (kind == QLatin1String("read-only")) {
        reason = root ? EROFS : EACCES;
        if (root)
            QCOMPARE(
                ::mount(nullptr, QFile::encodeName(path("out")).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
                0);
        else
            QVERIFY(QFile::setPermissions(path("out"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        outcome = convertWith(path("in.bmp"), target, flags);
        QVERIFY(
            QFile::setPermissions(path("out"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
            || root);
    } else if (kind == QLatin1String("size limit")) {
        reason = EFBIG;
        // Room for the first bytes of the JPEG only.
        const FileSizeLimit limit(100);
        QVERIFY(limit.isActive());
        outcome = convertWith(path("in.bmp"), target, flags);
    } else {
        reason = ENOSPC;
        outcome = convertWith(path("in.bmp"), target, flags);
    }

    QCOMPARE(outcome.result, int(BMP2JPEG_CANNOT_WRITE));
    QCOMPARE(outcome.reason, reason);
    QCOMPARE(entriesIn(path("out")), QStringList({"old.jpg"}));
    QCOMPARE(contentOf(path("out/old.jpg")), oldPicture);
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
#endif
}

void tst_Converter::removesAbandonedParts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("kept");

    // clang-format off
    QTest::newRow("abandoned part")            << ".zorvane-k3x0c9ab1z2q.part" << "file"     << false;
    QTest::newRow("part being written")        << ".zorvane-k3x0c9ab1z2q.part" << "locked"   << true;
    QTest::newRow("folder named like a part")  << ".zorvane-k3x0c9ab1z2q.part" << "folder"   << true;
    QTest::newRow("other ending")              << ".zorvane-k3x0c9ab1z2q.jpg"  << "file"     << true;
    QTest::newRow("not hidden")                << "zorvane-k3x0c9ab1z2q.part"  << "file"     << true;
    QTest::newRow("user's own hidden file")    << ".chart.part"                << "file"     << true;
    // clang-format on
    // Windows does not look at a part's owner; its links need an administrator.
#if defined(Q_OS_UNIX)
    // clang-format off
    QTest::newRow("another user's part")       << ".zorvane-k3x0c9ab1z2q.part" << "foreign"  << true;
    QTest::newRow("link named like a part")    << ".zorvane-k3x0c9ab1z2q.part" << "link"     << true;
    // clang-format on
#endif
}

// A part that a killed writer left behind goes at the next conversion into
// that folder; nothing else there is touched.
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
#if defined(Q_OS_UNIX)
        QVERIFY(QFile::link(path("precious.jpg"), entry));
#endif
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(entry));
    } else {
        QVERIFY(writeFile(entry, QByteArray("half a picture")));
    }
    if (kind == QLatin1String("locked")) {
        // The hold of the writer that is writing this part: its lock, or on
        // Windows the part open without leave to delete it.
        QVERIFY(lockedPart.open(QIODevice::ReadOnly));
#if defined(Q_OS_UNIX)
        QCOMPARE(::flock(lockedPart.handle(), LOCK_EX), 0);
#endif
    } else if (kind == QLatin1String("foreign")) {
#if defined(Q_OS_UNIX)
        if (const QString reason = OtherUser::unavailable(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QVERIFY(OtherUser().take(entry));
#endif
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
// resolves BmpToJpegFromDib by name, calling it with its bitmap in memory
// and BMP2JPEG_NO_REPLACE, as here.
void tst_Converter::loadsAtRunTimeBesideProgram()
{
    QLibrary library(modSaveForm::ConverterPath());
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    QCOMPARE(QFileInfo(library.fileName()).fileName(), QStringLiteral(CONVERTER_FILE_NAME));
    const auto fromDib = reinterpret_cast<BmpToJpegFromDibFunction>(library.resolve("BmpToJpegFromDib"));
    QVERIFY(fromDib != nullptr);

    const QImage picture = testPicture(80, 60);
    const QByteArray bitmap = bitmapFile(picture);
    constexpr int fileHeader = 14;
    constexpr int headers = 54;
    QCOMPARE(fromDib(bitmap.constData() + fileHeader, bitmap.constData() + headers,
                     std::size_t(bitmap.size() - headers), path("out.jpg").toUtf8().constData(), 100,
                     BMP2JPEG_NO_REPLACE),
             int(BMP2JPEG_OK));
    QCOMPARE_LT(meanDifference(picture, decodeJpeg(path("out.jpg"))), kMaxMeanError);
}

QTEST_MAIN(tst_Converter)
#include "tst_converter.moc"
