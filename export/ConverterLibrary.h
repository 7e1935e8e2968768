#pragma once

// The picture converter is a shared library that stands beside the program.

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace modSaveForm {

// The platform's file name of the Bmp2Jpeg library.
inline QString ConverterFileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Bmp2Jpeg.dll");
#else
    return QStringLiteral("libBmp2Jpeg.so");
#endif
}

// Where the program expects the converter: its own folder.
inline QString ConverterPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(ConverterFileName());
}

}  // namespace modSaveForm
