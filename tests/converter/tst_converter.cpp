// The picture converter: bitmaps in, JPEG files out, written only where the
// path leads without another user's say, and nothing half written or left
// behind when a bitmap cannot be converted.

#include "BitmapFile.h"
#include "Bmp2Jpeg.h"
#include "FileSizeSignal.h"
#include "FilesAndPictures.h"
#include "OtherUser.h"

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <climits>
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
using zorvane::test::readJpeg;
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

template <typename T>
void appendLe(QByteArray& bytes, T value)
{
    const T little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), qsizetype(sizeof little));
}

// bytes with value written little-endian at offset.
template <typename T>
QByteArray with(QByteArray bytes, std::size_t offset, T value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
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
    const int pixelOffset = int(kFileHeaderSize) + layout.infoSize + (layout.bitFields ? 12 : 0) + layout.gap;

    QByteArray bytes("BM");
    appendLe(bytes, quint32(pixelOffset + rowBytes * height));
    appendLe(bytes, quint32(0));
    appendLe(bytes, quint32(pixelOffset));
    appendLe(bytes, quint32(layout.infoSize));
    appendLe(bytes, qint32(width));
    appendLe(bytes, qint32(layout.topDown ? -height : height));
    appendLe(bytes, quint16(1));
    appendLe(bytes, quint16(layout.bitCount));
    appendLe(bytes, quint32(layout.bitFields ? kCompressionBitFields : 0));
    appendLe(bytes, quint32(rowBytes * height));
    appendLe(bytes, qint32(layout.pixelsPerMeter));
    appendLe(bytes, qint32(layout.pixelsPerMeter));
    bytes.append(qsizetype(kFileHeaderSize) + layout.infoSize - bytes.size(), '\0');
    if (layout.bitFields) {
        for (const quint32 mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu})
            appendLe(bytes, mask);
    }
    bytes.append(layout.gap, '\x5a');

    for (int row = 0; row < height; ++row) {
        const int y = layout.topDown ? row : height - 1 - row;
        const qsizetype start = bytes.size();
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
        const auto field = [&bytes](std::size_t at) {
            return qint64(qFromLittleEndian<quint32>(bytes.constData() + at));
        };
        // Only a whole file, its info header and rows where its headers put
        // them, has a match in memory.
        const bool headers = bytes.size() >= qsizetype(kHeadersSize);
        const qint64 infoEnd = headers ? qint64(kFileHeaderSize) + field(kOffInfoSize) : -1;
        const qint64 pixelOffset = headers ? field(kOffPixelData) : -1;
        if (bytes.startsWith("BM") && infoEnd >= qint64(kHeadersSize) && infoEnd <= pixelOffset
            && pixelOffset <= bytes.size()) {
            const QString second = jpegPath + QStringLiteral(".memory.jpg");
            const int fromMemory =
                BmpToJpegFromDib(bytes.constData() + kFileHeaderSize, bytes.constData() + pixelOffset,
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

// A valid 24-bit bitmap to alter field by field.
QByteArray validBitmap()
{
    return bitmapFile(testPicture(7, 5));
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

    void convertsBitmaps_data();
    void convertsBitmaps();
    void keepsWhatStandsAtTarget_data();
    void keepsWhatStandsAtTarget();
    void passesQualityToEncoder();
    void rejectsBadBitmaps_data();
    void rejectsBadBitmaps();
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

void tst_Converter::convertsBitmaps_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("gap");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<int>("pixelsPerMeter");
    QTest::addColumn<int>("dotsPerInch");  // 0: the JPEG has no units

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
                    << bitCount << size << 0 << topDown << 3780 << 96;
                // clang-format on
            }
            // clang-format off
            QTest::addRow("%d-bit 33x17, 12 bytes before pixels, %s", bitCount, order)
                << bitCount << QSize(33, 17) << 12 << topDown << 3780 << 96;
            // clang-format on
        }
    }
    // The largest sides, one pixel thin so that they cost little memory; one
    // more is refused (rejectsBadBitmaps).
    const int limit = BMP2JPEG_MAX_SIDE;
    for (const int bitCount : {24, 32}) {
        // clang-format off
        QTest::addRow("%d-bit, width at limit", bitCount)  << bitCount << QSize(limit, 1) << 0 << false << 3780 << 96;
        QTest::addRow("%d-bit, height at limit", bitCount) << bitCount << QSize(1, limit) << 0 << false << 3780 << 96;
        // clang-format on
    }
    // The JPEG prints at the size the bitmap gives: an inch is 0.0254 metres,
    // rounded to the nearest dot; densities that a JFIF header cannot hold
    // give none.
    for (const int dpi : {1, 72, 144, 192, 288, 65535}) {
        // clang-format off
        QTest::addRow("%d dpi", dpi) << 24 << QSize(8, 8) << 0 << false << qRound(dpi / 0.0254) << dpi;
        // clang-format on
    }
    // clang-format off
    QTest::newRow("unknown density")  << 24 << QSize(8, 8) << 0 << false << 0 << 0;
    QTest::newRow("negative density") << 24 << QSize(8, 8) << 0 << false << -3780 << 0;
    QTest::newRow("beyond 65535 dpi") << 24 << QSize(8, 8) << 0 << false << qRound(65536 / 0.0254) << 0;
    // clang-format on
}

void tst_Converter::convertsBitmaps()
{
    QFETCH(int, bitCount);
    QFETCH(QSize, size);
    QFETCH(int, gap);
    QFETCH(bool, topDown);
    QFETCH(int, pixelsPerMeter);
    QFETCH(int, dotsPerInch);

    const QImage picture = testPicture(size.width(), size.height());
    const QByteArray bitmap =
        bitmapFile(picture, {.bitCount = bitCount, .gap = gap, .topDown = topDown, .pixelsPerMeter = pixelsPerMeter});
    QVERIFY(writeFile(path("in.bmp"), bitmap));

    QCOMPARE(convert(path("in.bmp"), path("out.jpg")), int(BMP2JPEG_OK));

    const QImage decoded = readJpeg(path("out.jpg"));
    QCOMPARE(decoded.size(), size);
    QCOMPARE_LT(meanDifference(picture, decoded), kMaxMeanError);
    // JFIF: units, then horizontal and vertical density, big-endian, from
    // byte 13. Without units the density is TurboJPEG's: square pixels, 1 by 1.
    const int density = dotsPerInch == 0 ? 1 : dotsPerInch;
    const char jfif[] = {char(dotsPerInch == 0 ? 0 : 1), char(density >> 8), char(density & 0xff), char(density >> 8),
                         char(density & 0xff)};
    QCOMPARE(contentOf(path("out.jpg")).mid(13, 5), QByteArray(jfif, sizeof jfif));
    QCOMPARE(contentOf(path("in.bmp")), bitmap);
    QCOMPARE(entriesIn(m_dir->path()), QStringList({"in.bmp", "out.jpg"}));
}

void tst_Converter::keepsWhatStandsAtTarget_data()
{
    QTest::addColumn<QString>("standing");
    QTest::addColumn<int>("mode");  // of the file standing there; -1: as created
    QTest::addColumn<int>("mask");  // the umask
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("reason");

    const int ok = BMP2JPEG_OK;
    const int exists = BMP2JPEG_TARGET_EXISTS;
    const int cannotWrite = BMP2JPEG_CANNOT_WRITE;
    const int newOnly = BMP2JPEG_NO_REPLACE;
    // Asked for a new file only, whatever stands at the name stays; asked to
    // replace, a file goes, but a folder and a link (which is never written
    // through) stay.
    // clang-format off
    QTest::newRow("nothing, new only")               << "nothing"  << -1 << 022 << newOnly << ok << 0;
    QTest::newRow("file, new only")                  << "file"     << -1 << 022 << newOnly << exists << 0;
    QTest::newRow("empty file, new only")            << "empty"    << -1 << 022 << newOnly << exists << 0;
    QTest::newRow("folder, new only")                << "folder"   << -1 << 022 << newOnly << exists << 0;
    QTest::newRow("folder, replacing")               << "folder"   << -1 << 022 << 0 << cannotWrite << EISDIR;
    // clang-format on
    // QFile::link makes a symbolic link on Unix, a shortcut file on Windows;
    // permission bits and the umask are Unix's.
#if defined(Q_OS_UNIX)
    // clang-format off
    QTest::newRow("link to a file, new only")        << "link"     << -1 << 022 << newOnly << exists << 0;
    QTest::newRow("link leading nowhere, new only")  << "dangling" << -1 << 022 << newOnly << exists << 0;
    QTest::newRow("link to a file, replacing")       << "link"     << -1 << 022 << 0 << cannotWrite << ELOOP;
    QTest::newRow("link leading nowhere, replacing") << "dangling" << -1 << 022 << 0 << cannotWrite << ELOOP;
    // clang-format on
    // A new file gets what the umask leaves of 0666; a file that replaces
    // another takes the other's permission bits, whatever the umask.
    for (const int mask : {002, 022, 077}) {
        for (const int flags : {0, newOnly}) {
            // clang-format off
            QTest::addRow("new%s, umask %03o", flags == 0 ? "" : " only", mask)
                << "nothing" << -1 << mask << flags << ok << 0;
            // clang-format on
        }
    }
    for (const int mode : {0600, 0640, 0644, 0664, 0444}) {
        // clang-format off
        QTest::addRow("replacing a file of mode %03o", mode) << "file" << mode << 077 << 0 << ok << 0;
        // clang-format on
    }
#endif
}

void tst_Converter::keepsWhatStandsAtTarget()
{
    QFETCH(QString, standing);
    QFETCH(int, flags);
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
#if defined(Q_OS_UNIX)
    QFETCH(int, mode);
    QFETCH(int, mask);
    if (mode >= 0)
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(mode)), 0);
#endif
    const QStringList before = entriesIn(m_dir->path());
    const QByteArray contentBefore = contentOf(target);

    Outcome outcome;
    {
#if defined(Q_OS_UNIX)
        const Umask scoped{mode_t(mask)};
#endif
        outcome = convertWith(path("in.bmp"), target, flags);
    }

    QCOMPARE(outcome.result, expected);
    QCOMPARE(outcome.reason, reason);
    if (expected == BMP2JPEG_OK) {
        QCOMPARE_LT(meanDifference(picture, readJpeg(target)), kMaxMeanError);
        QCOMPARE(entriesIn(m_dir->path()), QStringList({"elsewhere", "in.bmp", "out.jpg"}));
#if defined(Q_OS_UNIX)
        QCOMPARE(modeOf(target), QString::number(mode >= 0 ? mode : 0666 & ~mask, 8));
#endif
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
    QCOMPARE_GT(meanDifference(picture, readJpeg(path("low.jpg"))),
                meanDifference(picture, readJpeg(path("high.jpg"))));
}

void tst_Converter::rejectsBadBitmaps_data()
{
    QTest::addColumn<QString>("kind");  // "file": the bytes at the bitmap's path
    QTest::addColumn<QByteArray>("bitmap");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("reason");  // errno: 0 where the file was read

    const QByteArray valid = validBitmap();
    const int malformed = BMP2JPEG_MALFORMED;
    const int unsupported = BMP2JPEG_UNSUPPORTED;
    const int tooLarge = BMP2JPEG_TOO_LARGE;
    const auto file = [](const QByteArray& tag, const QByteArray& bitmap, int expected) {
        QTest::newRow(tag.constData()) << QStringLiteral("file") << bitmap << expected << 0;
    };

    // Cut anywhere, a bitmap loses header fields or pixel rows.
    for (int length = 0; length < valid.size(); ++length)
        file("first " + QByteArray::number(length) + " bytes", valid.left(length), malformed);
    file("wrong magic", with(valid, kOffMagic, quint16('M' | ('B' << 8))), malformed);
    file("unknown info header size", with(valid, kOffInfoSize, quint32(20)), malformed);
    file("info header beyond file end", with(valid.left(60), kOffInfoSize, quint32(124)), malformed);
    file("zero width", with(valid, kOffWidth, qint32(0)), malformed);
    file("negative width", with(valid, kOffWidth, qint32(-7)), malformed);
    file("zero height", with(valid, kOffHeight, qint32(0)), malformed);
    file("two planes", with(valid, kOffPlanes, quint16(2)), malformed);
    file("7 bits per pixel", with(valid, kOffBitCount, quint16(7)), malformed);
    file("pixel data inside headers", with(valid, kOffPixelData, quint32(20)), malformed);
    file("pixel data past file end", with(valid, kOffPixelData, quint32(valid.size())), malformed);
    file("pixel data at offset 4 GiB", with(valid, kOffPixelData, 0xffffffffu), malformed);

    file("absurd 100000x100000", with(with(valid, kOffWidth, qint32(100000)), kOffHeight, qint32(100000)), tooLarge);
    file("width one above limit", with(valid, kOffWidth, qint32(BMP2JPEG_MAX_SIDE + 1)), tooLarge);
    file("height one above limit", with(valid, kOffHeight, qint32(BMP2JPEG_MAX_SIDE + 1)), tooLarge);
    file("top down, one above limit", with(valid, kOffHeight, qint32(-(BMP2JPEG_MAX_SIDE + 1))), tooLarge);
    file("top down, lowest height", with(valid, kOffHeight, qint32(INT_MIN)), tooLarge);
    // Both sides within limit, and one row more than the pixel count allows;
    // at exactly the count the size passes, and the rows are missing.
    const qint32 rowsAllowed = qint32(BMP2JPEG_MAX_PIXELS / BMP2JPEG_MAX_SIDE);
    const QByteArray widest = with(valid, kOffWidth, qint32(BMP2JPEG_MAX_SIDE));
    file("pixel count above limit", with(widest, kOffHeight, rowsAllowed + 1), tooLarge);
    file("pixel count at limit", with(widest, kOffHeight, rowsAllowed), malformed);

    for (const int bitCount : {1, 2, 4, 8, 16})
        file(QByteArray::number(bitCount) + " bits per pixel", with(valid, kOffBitCount, quint16(bitCount)),
             unsupported);
    file("RLE8 compressed", with(with(valid, kOffBitCount, quint16(8)), kOffCompression, quint32(kCompressionRle8)),
         unsupported);
    file("RLE4 compressed", with(with(valid, kOffBitCount, quint16(4)), kOffCompression, quint32(kCompressionRle4)),
         unsupported);
    file("embedded PNG", with(valid, kOffCompression, quint32(kCompressionPng)), unsupported);
    // Header kinds known but not read: OS/2 1.x and 2.x, the Adobe variants.
    for (const int infoSize : {12, 16})
        file(QByteArray::number(infoSize) + "-byte info header", with(valid, kOffInfoSize, quint32(infoSize)),
             unsupported);
    for (const int infoSize : {52, 56, 64})
        file("24-bit, " + QByteArray::number(infoSize) + "-byte info header",
             bitmapFile(testPicture(6, 4), {.infoSize = infoSize}), unsupported);
    for (const int bitCount : {24, 32}) {
        const QByteArray bits = QByteArray::number(bitCount) + "-bit";
        for (const int infoSize : {108, 124})
            file(bits + ", " + QByteArray::number(infoSize) + "-byte info header",
                 bitmapFile(testPicture(6, 4), {.bitCount = bitCount, .infoSize = infoSize}), unsupported);
        file(bits + " bit fields", bitmapFile(testPicture(6, 4), {.bitCount = bitCount, .bitFields = true}),
             unsupported);
    }

    // Nothing readable at the path: the system's reason.
    const int cannotRead = BMP2JPEG_CANNOT_READ;
    // clang-format off
    QTest::newRow("missing file")       << QStringLiteral("missing")    << QByteArray() << cannotRead << ENOENT;
    QTest::newRow("folder")             << QStringLiteral("folder")     << QByteArray() << cannotRead << EISDIR;
    QTest::newRow("named pipe")         << QStringLiteral("pipe")       << QByteArray() << cannotRead << EINVAL;
    // clang-format on
    // Windows has no permission bits that refuse the owner to read.
#if defined(Q_OS_UNIX)
    QTest::newRow("no read permission") << QStringLiteral("unreadable") << valid << cannotRead << EACCES;
#endif
}

void tst_Converter::rejectsBadBitmaps()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bitmap);
    QFETCH(int, expected);
    QFETCH(int, reason);

    QString bitmapPath = path("in.bmp");
#if defined(Q_OS_WIN)
    // Windows' named pipes stand in a namespace of their own.
    std::optional<NamedPipe> pipe;
#endif
    if (kind == QLatin1String("file")) {
        QVERIFY(writeFile(bitmapPath, bitmap));
    } else if (kind == QLatin1String("folder")) {
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
        QVERIFY(writeFile(bitmapPath, bitmap));
        QVERIFY(QFile::setPermissions(bitmapPath, QFileDevice::WriteOwner));
#endif
    }
    const QStringList before = entriesIn(m_dir->path());

    errno = EBADF;
    QCOMPARE(convert(bitmapPath, path("out.jpg")), expected);
    QCOMPARE(errno, reason);

    QCOMPARE(entriesIn(m_dir->path()), before);
    if (kind == QLatin1String("file"))
        QCOMPARE(contentOf(bitmapPath), bitmap);
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
    QCOMPARE_LT(meanDifference(picture, readJpeg(path("out.jpg"))), kMaxMeanError);
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
    // write the folder it stands in nor change the folder's permissions. The
    // walk takes a link on the path as it takes one that is the folder: the
    // rule's rows have the link as the folder, and one refused and one
    // followed link stand on the path.
    // clang-format off
    QTest::newRow("other's link in a shared sticky folder")   << 01777 << "self"  << "other" << "out.jpg" << false;
    QTest::newRow("other's link in their sticky folder")      << 01777 << "other" << "other" << "out.jpg" << false;
    QTest::newRow("other's link in their open folder")        << 0777  << "other" << "other" << "out.jpg" << false;
    QTest::newRow("other's link in an open folder")           << 0777  << "self"  << "other" << "out.jpg" << false;
    QTest::newRow("other's link in a group's folder")         << 0775  << "self"  << "other" << "out.jpg" << false;
    QTest::newRow("other's link in the user's own folder")    << 0755  << "self"  << "other" << "out.jpg" << true;
    QTest::newRow("user's link in a shared sticky folder")    << 01777 << "self"  << "self"  << "out.jpg" << true;
    QTest::newRow("other's link on the path, sticky folder")  << 01777 << "self"  << "other" << "sub/out.jpg" << false;
    QTest::newRow("user's link on the path, sticky folder")   << 01777 << "self"  << "self"  << "sub/out.jpg" << true;
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
#if !defined(Q_OS_LINUX)
    QSKIP("A read-only folder by its permission bits, the file size limit and a small disk are Unix's and Linux's");
#endif

    // Each stops the writing before the commit, where alone asking for a new
    // file only differs from replacing: the JPEG is to replace the earlier one.
    for (const char* kind : {"read-only", "size limit", "full disk"})
        QTest::newRow(kind) << kind;
}

// Whatever stops the writing is reported with the system's reason, and the
// earlier picture at the name stays as it was.
void tst_Converter::reportsWriteFailures()
{
#if defined(Q_OS_LINUX)
    QFETCH(QString, kind);

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
    const QString target = path("out/old.jpg");
    QVERIFY(writeFile(target, oldPicture));

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
        outcome = convertWith(path("in.bmp"), target);
        QVERIFY(
            QFile::setPermissions(path("out"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
            || root);
    } else if (kind == QLatin1String("size limit")) {
        reason = EFBIG;
        // Room for the first bytes of the JPEG only.
        const FileSizeLimit limit(100);
        QVERIFY(limit.isActive());
        outcome = convertWith(path("in.bmp"), target);
    } else {
        reason = ENOSPC;
        outcome = convertWith(path("in.bmp"), target);
    }

    QCOMPARE(outcome.result, int(BMP2JPEG_CANNOT_WRITE));
    QCOMPARE(outcome.reason, reason);
    QCOMPARE(entriesIn(path("out")), QStringList({"old.jpg"}));
    QCOMPARE(contentOf(target), oldPicture);
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

QTEST_MAIN(tst_Converter)
#include "tst_converter.moc"
