#pragma once

// Files in a test's folder: putting them there, listing them, reading them
// back, decoding the JPEG files the export writes and comparing pictures; and
// the limits a write may meet: the file size limit and a full disk.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <cstdint>
#include <cstdlib>

#if defined(Q_OS_UNIX)
#  include <signal.h>
#  include <sys/resource.h>
#endif
#if defined(Q_OS_LINUX)
#  include <sys/mount.h>
#endif

namespace zorvane::test {

// Creates each name below folder (with any folders it names); each file
// holds its own name, so any change to it shows.
inline void createFiles(const QString& folder, const QStringList& names)
{
    for (const QString& name : names) {
        const QString path = QDir(folder).filePath(name);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::NewOnly), qPrintable(path));
        file.write(name.toUtf8());
    }
}

// Writes bytes to the file at path, replacing what it held; false when it
// could not be written whole.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file below folder, hidden ones included, as sorted relative paths.
inline QStringList filesUnder(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// Everything directly in folder: files, folders, links and the rest, hidden
// ones included, sorted by code points.
inline QStringList entriesIn(const QString& folder)
{
    QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    entries.sort();
    return entries;
}

// The bytes of the file at path; empty when it cannot be read.
inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The decoded picture when path holds a JPEG file, a null image otherwise.
inline QImage readJpeg(const QString& path)
{
    QImageReader reader(path);
    if (reader.format() != "jpeg")
        return {};
    return reader.read();
}

// Mean absolute difference per colour channel, 0 to 255.
inline double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 255;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                   + std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

// Pixels the encoder cannot shrink much: the JPEG comes out about as large
// as the bitmap.
inline QImage noisePicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            picture.setPixel(x, y, state & 0xffffffu);
        }
    }
    return picture;
}

// Lowers the largest file this process may write while it lives, as a full
// disk would stop a write; it stops root as well as anyone. The kernel sends
// SIGXFSZ at the limit, which the program catches with its own
// keepRunningAtFileSizeLimit() (app/FileSizeSignal.h), so that the write
// fails with EFBIG instead of ending the process: a test calls it first.
// Without it, and where there is no such limit (Windows), the limit is not
// lowered, and isActive() says so.
class FileSizeLimit {
public:
    explicit FileSizeLimit([[maybe_unused]] std::uint64_t bytes)
    {
#if defined(Q_OS_UNIX)
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler == SIG_DFL)
            return;
        m_active = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_active = m_active && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
#endif
    }
    ~FileSizeLimit()
    {
#if defined(Q_OS_UNIX)
        if (m_active)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
#endif
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isActive() const
    {
        return m_active;
    }

private:
#if defined(Q_OS_UNIX)
    rlimit m_old{};
#endif
    bool m_active = false;
};

// A small file system in memory, mounted over a folder for the life of the
// object: a disk that fills up. Needs the right to mount (the superuser) and
// Linux's tmpfs; elsewhere isMounted() is false.
class SmallDisk {
public:
    SmallDisk(const QString& folder, [[maybe_unused]] int kibibytes)
        : m_folder(QFile::encodeName(folder))
    {
#if defined(Q_OS_LINUX)
        const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0700";
        m_mounted =
            ::mount("zorvane-test", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
#endif
    }
    ~SmallDisk()
    {
#if defined(Q_OS_LINUX)
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
#endif
    }
    bool isMounted() const
    {
        return m_mounted;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

}  // namespace zorvane::test
