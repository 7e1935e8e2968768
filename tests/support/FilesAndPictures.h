#pragma once

// Files in a test's folder: putting them there, listing them, reading them
// back, decoding the JPEG files the export writes and comparing pictures.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStringList>
#include <QTest>

#include <cstdlib>

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

}  // namespace zorvane::test
